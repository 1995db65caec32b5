#include "playback/sink_retirement.h"

#include <QAudioSink>
#include <QTimerEvent>
#include <algorithm>
#include <utility>

namespace quavern::playback {
namespace {

constexpr int kBytesPerSample = 2;
constexpr int kPollMs = 10;
// However the server behaves, the sink is closed by then.
constexpr std::chrono::seconds kLongestPlayOut{2};

}  // namespace

SinkRetirement::SinkRetirement(std::unique_ptr<QAudioSink> sink, QIODevice& device,
                               std::int64_t silenceSamples, std::int64_t writtenSamples,
                               int sampleRate)
    : sink_(std::move(sink)),
      device_(device),
      silenceLeft_(silenceSamples),
      writtenSamples_(writtenSamples),
      sampleRate_(sampleRate),
      giveUpAt_(std::chrono::steady_clock::now() + kLongestPlayOut) {
  writeSilence();
  timer_ = startTimer(kPollMs, Qt::PreciseTimer);
}

SinkRetirement::~SinkRetirement() {
  close();
}

void SinkRetirement::timerEvent(QTimerEvent* /*event*/) {
  writeSilence();
  if ((silenceLeft_ == 0 && playedOut()) || std::chrono::steady_clock::now() >= giveUpAt_) {
    close();
  }
}

void SinkRetirement::writeSilence() {
  if (!sink_ || silenceLeft_ == 0) {
    return;
  }
  const std::int64_t room = std::max<std::int64_t>(sink_->bytesFree(), 0) / kBytesPerSample;
  const std::int64_t count = std::min(room, silenceLeft_);
  if (count == 0) {
    return;
  }
  const std::vector<char> zeros(static_cast<std::size_t>(count * kBytesPerSample), 0);
  const qint64 written = device_.write(zeros.data(), std::ssize(zeros));
  if (written <= 0) {
    silenceLeft_ = 0;  // the sink is failing; nothing more to play out
    return;
  }
  silenceLeft_ -= written / kBytesPerSample;
  writtenSamples_ += written / kBytesPerSample;
}

bool SinkRetirement::playedOut() const {
  return sink_->state() == QAudio::StoppedState ||
         sink_->processedUSecs() >= writtenSamples_ * 1'000'000 / sampleRate_;
}

void SinkRetirement::close() {
  if (timer_ != 0) {
    killTimer(timer_);
    timer_ = 0;
  }
  if (sink_) {
    sink_->stop();
    sink_.reset();
  }
}

}  // namespace quavern::playback
