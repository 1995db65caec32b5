#include "practice/audio_source_input.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QIODevice>
#include <QMediaDevices>
#include <algorithm>
#include <cstring>
#include <utility>

namespace quavern::practice {
namespace {

constexpr int kBytesPerSample = 2;

QAudioFormat captureFormat() {
  QAudioFormat format;
  format.setSampleRate(SoundInput::kSampleRate);
  format.setChannelCount(1);
  format.setSampleFormat(QAudioFormat::Int16);
  return format;
}

SteadyClock::duration durationOfSamples(std::int64_t count) {
  return std::chrono::duration_cast<SteadyClock::duration>(
      std::chrono::nanoseconds(count * 1'000'000'000 / SoundInput::kSampleRate));
}

std::optional<QAudioDevice> inputWithId(const QByteArray& id) {
  for (const QAudioDevice& device : QMediaDevices::audioInputs()) {
    if (device.id() == id) {
      return device;
    }
  }
  return std::nullopt;
}

}  // namespace

std::vector<InputEntry> listSoundInputs() {
  const QAudioDevice defaultInput = QMediaDevices::defaultAudioInput();
  std::vector<InputEntry> entries;
  if (!defaultInput.isNull()) {
    entries.push_back({InputKind::Sound, defaultInput.description().toStdString(),
                       defaultInput.id().toStdString(), true});
  }
  for (const QAudioDevice& device : QMediaDevices::audioInputs()) {
    if (device.id() != defaultInput.id()) {
      entries.push_back(
          {InputKind::Sound, device.description().toStdString(), device.id().toStdString(), false});
    }
  }
  return entries;
}

AudioSourceInput::AudioSourceInput(std::optional<std::string> deviceId)
    : askedId_(std::move(deviceId)) {}

AudioSourceInput::~AudioSourceInput() {
  stop();
}

std::optional<InputFailure> AudioSourceInput::start() {
  stop();
  std::optional<QAudioDevice> asked;
  if (askedId_) {
    asked = inputWithId(QByteArray::fromStdString(*askedId_));
  }
  fellBack_ = askedId_ && !asked;
  const QAudioDevice device = asked ? *asked : QMediaDevices::defaultAudioInput();
  if (device.isNull()) {
    return InputFailure::NoDevice;
  }
  openedId_ = device.id();
  lost_ = false;
  source_ = std::make_unique<QAudioSource>(device, captureFormat());
  source_->setBufferSize(kRequestedFragmentMs * kSampleRate / 1000 * kBytesPerSample);
  device_ = source_->start();
  if (device_ == nullptr || source_->error() != QAudio::NoError ||
      source_->state() == QAudio::StoppedState) {
    stop();
    return InputFailure::DidNotStart;
  }
  oddByte_.clear();
  samplesRead_ = 0;
  firstSampleBound_.reset();
  lastArrival_ = SteadyClock::now();
  lastRead_ = lastArrival_;
  lastDeviceCheck_ = lastArrival_;
  return std::nullopt;
}

std::size_t AudioSourceInput::readAvailable(std::vector<std::int16_t>& samples) {
  if (device_ == nullptr) {
    return 0;
  }
  const QByteArray bytes = device_->readAll();
  const SteadyClock::time_point readAt = SteadyClock::now();
  lastRead_ = readAt;
  checkDevicePresent(readAt);
  const std::size_t count = appendSamples(bytes, samples);
  if (count > 0) {
    samplesRead_ += static_cast<std::int64_t>(count);
    noteArrival(readAt);
  }
  return count;
}

std::size_t AudioSourceInput::appendSamples(const QByteArray& bytes,
                                            std::vector<std::int16_t>& samples) {
  const QByteArray data = oddByte_ + bytes;
  const auto count = static_cast<std::size_t>(data.size() / kBytesPerSample);
  oddByte_ = data.size() % kBytesPerSample != 0 ? data.right(1) : QByteArray();
  if (count == 0) {
    return 0;  // memcpy must not see the null pointers of empty buffers
  }
  const std::size_t old = samples.size();
  samples.resize(old + count);
  // The device delivers native-endian signed 16-bit samples, as asked.
  std::memcpy(samples.data() + old, data.constData(), count * kBytesPerSample);
  return count;
}

void AudioSourceInput::noteArrival(SteadyClock::time_point readAt) {
  lastArrival_ = readAt;
  const SteadyClock::time_point bound = readAt - durationOfSamples(samplesRead_);
  firstSampleBound_ = firstSampleBound_ ? std::min(*firstSampleBound_, bound) : bound;
}

std::optional<SteadyClock::time_point> AudioSourceInput::firstSampleCapturedAt() const {
  return firstSampleBound_;
}

void AudioSourceInput::checkDevicePresent(SteadyClock::time_point now) {
  if (lost_ || now - lastDeviceCheck_ < kDeviceCheckInterval) {
    return;
  }
  lastDeviceCheck_ = now;
  lost_ = !inputWithId(openedId_).has_value();
}

bool AudioSourceInput::deviceLost() const {
  return lost_;
}

bool AudioSourceInput::hasStalled(SteadyClock::time_point now) const {
  // A busy caller that read nothing for a while has not heard the device fall
  // silent: what arrived meanwhile is still waiting for its next read.
  return device_ != nullptr && std::min(now, lastRead_) - lastArrival_ >= kStallLimit;
}

void AudioSourceInput::stop() {
  if (source_) {
    source_->stop();
    source_.reset();
  }
  device_ = nullptr;
}

}  // namespace quavern::practice
