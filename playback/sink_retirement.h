#pragma once

#include <QObject>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

class QAudioSink;
class QIODevice;

namespace quavern::playback {

// Plays out the end of a play stopped early without holding up its caller:
// writes the silence that follows the fade as room comes free, on the event
// loop, and closes the sink once everything written has been played. Dropping
// it earlier closes the sink at once.
class SinkRetirement : public QObject {
 public:
  SinkRetirement(std::unique_ptr<QAudioSink> sink, QIODevice& device, std::int64_t silenceSamples,
                 std::int64_t writtenSamples, int sampleRate);
  ~SinkRetirement() override;
  SinkRetirement(const SinkRetirement&) = delete;
  SinkRetirement& operator=(const SinkRetirement&) = delete;

  bool finished() const { return !sink_; }

 protected:
  void timerEvent(QTimerEvent* event) override;

 private:
  void writeSilence();
  bool playedOut() const;
  void close();

  std::unique_ptr<QAudioSink> sink_;
  QIODevice& device_;
  std::int64_t silenceLeft_;
  std::int64_t writtenSamples_;
  int sampleRate_;
  std::chrono::steady_clock::time_point giveUpAt_;
  int timer_ = 0;
};

}  // namespace quavern::playback
