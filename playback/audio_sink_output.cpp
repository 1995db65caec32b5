#include "playback/audio_sink_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <algorithm>
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

std::int64_t samplesIn(int ms) {
  return sampleAtMs(ms, AudioSinkOutput::kSampleRate);
}

}  // namespace

AudioSinkOutput::AudioSinkOutput() = default;

AudioSinkOutput::~AudioSinkOutput() {
  closeSink();
}

void AudioSinkOutput::begin(WhileWaiting whileWaiting, Accompaniment accompaniment,
                            StreamSounds sounds) {
  closeSink();
  if (retired_ && retired_->finished()) {
    retired_.reset();
  }
  whileWaiting_ = std::move(whileWaiting);
  synth_.reset(accompaniment, sounds);
  writtenSamples_ = 0;
  soundedSamples_ = 0;
  fallback_ = Fallback::None;
  asked_ = PlayControl::Continue;
  leastBufferedMs_ = -1;
  sinkFilled_ = false;
  clock_.start();
  heard_.start(clock_.origin());
  openSink();
  lastWrite_ = Clock::now();
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
  // Sized once per play so that rendering never allocates; it also holds a
  // whole fade-out or silence tail.
  const auto tail = static_cast<std::size_t>(samplesIn(std::max(kReleaseMs, kSilenceTailMs)));
  chunk_.resize(std::max({grantedSamples, static_cast<std::size_t>(kSmallestWriteSamples), tail}));
}

void AudioSinkOutput::closeSink() {
  if (sink_) {
    sink_->stop();
    sink_.reset();
  }
  device_ = nullptr;
}

// Lets the sink play out its fade and the silence after it on its own, so
// the window takes input again at once. A play that starts meanwhile opens a
// sink of its own.
void AudioSinkOutput::retireSink() {
  retired_ = std::make_unique<SinkRetirement>(std::move(sink_), *device_, samplesIn(kSilenceTailMs),
                                              writtenSamples_, kSampleRate);
  device_ = nullptr;
}

void AudioSinkOutput::goSilent(Fallback why) {
  fallback_ = why;
  heard_.deviceLost();
  closeSink();
}

bool AudioSinkOutput::sound(Tone tone) {
  if (asked_ != PlayControl::Continue) {
    return false;
  }
  synth_.startTone(tone);
  if (fallback_ == Fallback::None && !feedSink()) {
    return false;
  }
  if (fallback_ != Fallback::None) {
    // The silent clock shares the play's origin, so a play that lost its sink
    // half-way still ends on time.
    asked_ = clock_.waitUntil(synth_.streamMs(), whileWaiting_);
  }
  return asked_ == PlayControl::Continue;
}

// Writes the current tone as fast as the sink takes it; returns false only when
// the play is to end early.
bool AudioSinkOutput::feedSink() {
  while (synth_.samplesLeft() > 0) {
    const std::int64_t room = roomInSamples();
    if (sinkFilled_) {
      noteBufferLevel();
    }
    if (room >= std::min(synth_.samplesLeft(), kSmallestWriteSamples)) {
      const auto wanted =
          static_cast<std::size_t>(std::min<std::int64_t>(room, std::ssize(chunk_)));
      const std::size_t count = synth_.render(std::span(chunk_.data(), wanted));
      if (!writeNow(std::span(chunk_.data(), count))) {
        goSilent(Fallback::SinkStalled);
        return true;
      }
      continue;
    }
    if (sinkHasStalled()) {
      goSilent(Fallback::SinkStalled);
      return true;
    }
    sinkFilled_ = true;
    if (const PlayControl asked = pause(); asked != PlayControl::Continue) {
      asked_ = asked;
      if (asked == PlayControl::Stop) {
        fadeOutWhatSounds();
      }
      return false;
    }
  }
  soundedSamples_ = writtenSamples_;
  return true;
}

bool AudioSinkOutput::writeNow(std::span<const std::int16_t> samples) {
  const auto bytes = static_cast<qint64>(samples.size()) * kBytesPerSample;
  if (device_->write(reinterpret_cast<const char*>(samples.data()), bytes) != bytes) {
    return false;
  }
  writtenSamples_ += std::ssize(samples);
  lastWrite_ = Clock::now();
  return true;
}

// Writes all of `samples` as room comes free; false when the sink fails or the
// play is abandoned meanwhile.
bool AudioSinkOutput::writeSamples(std::span<const std::int16_t> samples) {
  while (!samples.empty()) {
    const std::int64_t room = roomInSamples();
    if (room > 0) {
      const auto count =
          static_cast<std::size_t>(std::min<std::int64_t>(room, std::ssize(samples)));
      if (!writeNow(samples.first(count))) {
        return false;
      }
      samples = samples.subspan(count);
      continue;
    }
    if (sinkHasStalled()) {
      return false;
    }
    if (pause() == PlayControl::Abandon) {
      asked_ = PlayControl::Abandon;
      return false;
    }
  }
  return true;
}

// The tone sounding when the play is stopped goes on for a few milliseconds
// more, with the chords under it, under a falling ramp down to silence.
void AudioSinkOutput::fadeOutWhatSounds() {
  const auto fadeLength = static_cast<std::size_t>(samplesIn(kReleaseMs));
  std::span<std::int16_t> fade(chunk_.data(), fadeLength);
  std::size_t filled = 0;
  while (filled < fadeLength) {
    if (synth_.samplesLeft() == 0) {
      synth_.startTone({kRestHz, kReleaseMs});
    }
    filled += synth_.render(fade.subspan(filled));
  }
  const auto rampLength = static_cast<std::int64_t>(fadeLength);
  for (std::size_t i = 0; i < fadeLength; ++i) {
    const double gain = edgeGain(rampLength - 1 - static_cast<std::int64_t>(i), rampLength);
    fade[i] = roundToSample(fade[i] * gain);
  }
  if (writeSamples(fade)) {
    soundedSamples_ = writtenSamples_;
  }
}

// Writes kSilenceTailMs of silence, or the granted buffer's worth if that is
// longer, as the sink makes room: the server starts a stream only once its
// buffer is full, so a play shorter than the buffer is heard only when silence
// fills the rest. Stops early once the last sound has been heard; false when
// the play is to end now.
bool AudioSinkOutput::writeSilenceTail() {
  const std::int64_t wanted = std::max(samplesIn(kSilenceTailMs), samplesIn(grantedBufferMs_));
  std::fill(chunk_.begin(), chunk_.end(), std::int16_t{0});
  while (silenceWritten() < wanted && !heardEverything()) {
    const std::int64_t silenceLeft = wanted - silenceWritten();
    const std::int64_t count = std::min({roomInSamples(), silenceLeft, std::ssize(chunk_)});
    if (count >= std::min(silenceLeft, kSmallestWriteSamples)) {
      if (!writeNow(std::span(chunk_.data(), static_cast<std::size_t>(count)))) {
        return true;
      }
    } else if (sinkHasStalled()) {
      return true;
    } else if (const PlayControl asked = pause(); asked != PlayControl::Continue) {
      asked_ = asked;
      return false;
    }
  }
  return true;
}

PlayControl AudioSinkOutput::pause() {
  std::this_thread::sleep_for(kPollInterval);
  noteHeardPosition();
  return whileWaiting_ ? whileWaiting_() : PlayControl::Continue;
}

void AudioSinkOutput::noteHeardPosition() {
  if (sink_) {
    heard_.devicePlayed(sink_->processedUSecs(), Clock::now());
  }
}

// What the sink holds when the play comes back to it: about the whole buffer
// while the play keeps up, nothing once the stream has run dry.
void AudioSinkOutput::noteBufferLevel() {
  const std::int64_t heardUs = sink_->processedUSecs();
  const std::int64_t writtenUs = writtenSamples_ * 1'000'000 / kSampleRate;
  const auto ms = static_cast<int>(std::max<std::int64_t>(writtenUs - heardUs, 0) / 1000);
  leastBufferedMs_ = leastBufferedMs_ < 0 ? ms : std::min(leastBufferedMs_, ms);
}

std::int64_t AudioSinkOutput::heardMs() const {
  return heard_.heardMs(Clock::now());
}

std::int64_t AudioSinkOutput::roomInSamples() const {
  // A sink whose server has gone away may report a negative size.
  return std::max<std::int64_t>(sink_->bytesFree(), 0) / kBytesPerSample;
}

bool AudioSinkOutput::sinkHasStalled() const {
  return sink_->state() == QAudio::StoppedState || Clock::now() - lastWrite_ > kStallLimit;
}

void AudioSinkOutput::end() {
  if (sink_ && asked_ == PlayControl::Continue) {
    synth_.startRingOut();
    feedSink();
  }
  if (sink_ && asked_ == PlayControl::Continue && writeSilenceTail()) {
    drainSink();
  }
  if (sink_ && asked_ == PlayControl::Stop) {
    retireSink();
  }
  closeSink();
}

// Stopping a sink drops what it still holds, so wait until the last sound has
// been heard first; the silence after it may be dropped.
void AudioSinkOutput::drainSink() {
  const auto giveUpAt =
      Clock::now() + std::chrono::milliseconds(grantedBufferMs_ + kSilenceTailMs) + kDrainMargin;
  while (!heardEverything() && Clock::now() < giveUpAt) {
    if (const PlayControl asked = pause(); asked != PlayControl::Continue) {
      asked_ = asked;
      return;
    }
  }
}

// The server has taken the last sound once no more than the silence after it is
// left in the buffer, and the sink has played it once its played time has
// passed the sound's end. The played time alone is not enough: on PipeWire it
// may pass the end while the sound's last partial period is still to come.
bool AudioSinkOutput::heardEverything() const {
  if (sink_->state() == QAudio::StoppedState) {
    return true;
  }
  const qint64 bufferedBytes = sink_->bufferSize() - sink_->bytesFree();
  return bufferedBytes <= silenceWritten() * kBytesPerSample &&
         sink_->processedUSecs() >= soundedSamples_ * 1'000'000 / kSampleRate;
}

}  // namespace quavern::playback
