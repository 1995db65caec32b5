#include "playback/audio_sink_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <algorithm>
#include <array>
#include <span>
#include <thread>
#include <utility>

namespace quavern::playback {
namespace {

constexpr int kBytesPerSample = 2;
// How often a full sink is asked again for room; well inside the granted buffer.
constexpr std::chrono::milliseconds kPollInterval{10};
// Writes smaller than this (1 ms) are not worth a round trip to the server.
constexpr std::int64_t kSmallestWriteSamples = AudioSinkOutput::kSampleRate / 1000;
// Draining may take the buffer plus the server's own latency; beyond this
// margin the sink is closed anyway.
constexpr std::chrono::milliseconds kDrainMargin{1000};

QAudioFormat streamFormat() {
  QAudioFormat format;
  format.setSampleRate(AudioSinkOutput::kSampleRate);
  format.setChannelCount(1);
  format.setSampleFormat(QAudioFormat::Int16);
  return format;
}

}  // namespace

AudioSinkOutput::AudioSinkOutput() = default;

AudioSinkOutput::~AudioSinkOutput() {
  closeSink();
}

void AudioSinkOutput::begin(WhileWaiting whileWaiting) {
  closeSink();
  whileWaiting_ = std::move(whileWaiting);
  synth_.reset();
  writtenSamples_ = 0;
  trailingSilenceSamples_ = 0;
  fallback_ = Fallback::None;
  endedEarly_ = false;
  clock_.start();
  openSink();
  lastWrite_ = DeadlineClock::Clock::now();
}

void AudioSinkOutput::openSink() {
  const QAudioDevice device = QMediaDevices::defaultAudioOutput();
  if (device.isNull()) {
    goSilent(Fallback::NoDevice);
    return;
  }
  sink_ = std::make_unique<QAudioSink>(device, streamFormat());
  sink_->setBufferSize(kRequestedBufferMs * kSampleRate / 1000 * kBytesPerSample);
  device_ = sink_->start();
  if (device_ == nullptr || sink_->error() != QAudio::NoError ||
      sink_->state() == QAudio::StoppedState) {
    goSilent(Fallback::SinkDidNotStart);
    return;
  }
  const auto grantedSamples = static_cast<std::size_t>(sink_->bufferSize() / kBytesPerSample);
  grantedBufferMs_ = static_cast<int>(grantedSamples * 1000 / kSampleRate);
  // Sized once per play so that rendering never allocates.
  chunk_.resize(std::max(grantedSamples, static_cast<std::size_t>(kSmallestWriteSamples)));
}

void AudioSinkOutput::closeSink() {
  if (sink_) {
    sink_->stop();
    sink_.reset();
  }
  device_ = nullptr;
}

void AudioSinkOutput::goSilent(Fallback why) {
  fallback_ = why;
  closeSink();
}

bool AudioSinkOutput::sound(Tone tone) {
  if (endedEarly_) {
    return false;
  }
  synth_.startTone(tone);
  if (fallback_ == Fallback::None && !feedSink()) {
    return false;
  }
  if (fallback_ != Fallback::None) {
    // The silent clock shares the play's origin, so a play that lost its sink
    // half-way still ends on time.
    endedEarly_ = !clock_.waitUntil(synth_.streamMs(), whileWaiting_);
  }
  return !endedEarly_;
}

// Writes the current tone as fast as the sink takes it; returns false only when
// the play is to end early.
bool AudioSinkOutput::feedSink() {
  while (synth_.samplesLeft() > 0) {
    const std::int64_t room = roomInSamples();
    if (room >= std::min(synth_.samplesLeft(), kSmallestWriteSamples)) {
      if (!writeChunk(room)) {
        goSilent(Fallback::SinkStalled);
        return true;
      }
      continue;
    }
    if (sinkHasStalled()) {
      goSilent(Fallback::SinkStalled);
      return true;
    }
    if (!pause()) {
      return false;
    }
  }
  return true;
}

bool AudioSinkOutput::writeChunk(std::int64_t roomSamples) {
  const auto wanted = std::min<std::int64_t>(roomSamples, std::ssize(chunk_));
  const std::size_t count =
      synth_.render(std::span(chunk_.data(), static_cast<std::size_t>(wanted)));
  const auto bytes = static_cast<qint64>(count) * kBytesPerSample;
  if (device_->write(reinterpret_cast<const char*>(chunk_.data()), bytes) != bytes) {
    return false;
  }
  writtenSamples_ += static_cast<std::int64_t>(count);
  lastWrite_ = DeadlineClock::Clock::now();
  return true;
}

bool AudioSinkOutput::pause() {
  std::this_thread::sleep_for(kPollInterval);
  if (whileWaiting_ && !whileWaiting_()) {
    endedEarly_ = true;
    return false;
  }
  return true;
}

std::int64_t AudioSinkOutput::roomInSamples() const {
  // A sink whose server has gone away may report a negative size.
  return std::max<std::int64_t>(sink_->bytesFree(), 0) / kBytesPerSample;
}

bool AudioSinkOutput::sinkHasStalled() const {
  return sink_->state() == QAudio::StoppedState ||
         DeadlineClock::Clock::now() - lastWrite_ > kStallLimit;
}

void AudioSinkOutput::end() {
  if (sink_ && !endedEarly_ && writeTrailingSilence()) {
    drainSink();
  }
  closeSink();
}

// Writes kTrailingSilenceMs of silence, or the granted buffer's worth if that
// is longer, as the sink makes room; less if the last tone is heard first.
// Draining still waits for the tone only. Returns false when the play is to
// end now.
bool AudioSinkOutput::writeTrailingSilence() {
  static constexpr std::array<std::int16_t, kTrailingSilenceMs * kSampleRate / 1000> kSilence{};
  // The server starts a stream once its buffer is full, so a play shorter than
  // the buffer is heard only when silence fills the rest.
  const std::int64_t wanted =
      std::max<std::int64_t>(std::ssize(kSilence), grantedBufferMs_ * kSampleRate / 1000);
  while (trailingSilenceSamples_ < wanted && !heardEverything()) {
    const std::int64_t silenceLeft = wanted - trailingSilenceSamples_;
    const std::int64_t count = std::min({roomInSamples(), silenceLeft, std::ssize(kSilence)});
    if (count >= std::min(silenceLeft, kSmallestWriteSamples)) {
      const auto bytes = static_cast<qint64>(count) * kBytesPerSample;
      if (device_->write(reinterpret_cast<const char*>(kSilence.data()), bytes) != bytes) {
        return true;
      }
      trailingSilenceSamples_ += count;
      lastWrite_ = DeadlineClock::Clock::now();
    } else if (sinkHasStalled()) {
      return true;
    } else if (!pause()) {
      return false;
    }
  }
  return true;
}

// Stopping a sink drops what it still holds, so wait until the last sample has
// been heard first.
void AudioSinkOutput::drainSink() {
  const auto giveUpAt =
      DeadlineClock::Clock::now() + std::chrono::milliseconds(grantedBufferMs_) + kDrainMargin;
  while (!heardEverything() && DeadlineClock::Clock::now() < giveUpAt) {
    if (!pause()) {
      return;
    }
  }
}

bool AudioSinkOutput::heardEverything() const {
  if (sink_->state() == QAudio::StoppedState) {
    return true;
  }
  // The server has taken the last tone sample once no more than the trailing
  // silence is left in the buffer; the sink's latency is then still to pass.
  const qint64 bufferedBytes = sink_->bufferSize() - sink_->bytesFree();
  const qint64 writtenUs = writtenSamples_ * 1'000'000 / kSampleRate;
  return bufferedBytes <= trailingSilenceSamples_ * kBytesPerSample &&
         sink_->processedUSecs() >= writtenUs;
}

}  // namespace quavern::playback
