#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "playback/tests/sound_server_fixture.h"

namespace quavern::practice {

// A virtual microphone on the test's private sound server: a null sink that the
// test plays a performance into, whose monitor is remapped into an ordinary
// source and made the default input. Qt 6.4 leaves monitor sources out of its
// device list, so the monitor itself would never be found as an input.
class MicrophoneTest : public playback::SoundServerTest {
 protected:
  static constexpr const char* kMicrophoneSink = "quavern_mic";
  static constexpr const char* kMicrophoneSource = "quavern_mic_input";

  // A server the test left hung is resumed first: it would unload nothing.
  void TearDown() override {
    playback::SoundServerTest::TearDown();
    unplugMicrophone();
  }

  // Sets the microphone up; false when the server refuses a step.
  bool plugInMicrophone() {
    const QString sink = QString::fromLatin1(kMicrophoneSink);
    const QString source = QString::fromLatin1(kMicrophoneSource);
    if (!modules_.load(
            {"module-null-sink", "sink_name=" + sink, "rate=48000", "channels=1", "norewinds=1"}) ||
        !modules_.load(
            {"module-remap-source", "master=" + sink + ".monitor", "source_name=" + source}) ||
        !playback::pactl({"set-default-source", source})) {
      return false;
    }
    // An idle null sink's monitor delivers nothing; a quiet room still does.
    silence_.start(QStringLiteral("pacat"), playbackArguments() << QStringLiteral("/dev/zero"));
    return silence_.waitForStarted();
  }

  void unplugMicrophone() {
    if (silence_.state() != QProcess::NotRunning) {
      silence_.kill();
      silence_.waitForFinished();
    }
    modules_.unloadAll();
  }

  // pacat's arguments to play raw 48 kHz mono signed 16-bit into the microphone,
  // asking the server to buffer `latencyMs`: by default as little as it allows,
  // so that what it plays is heard within a few milliseconds of its start.
  static QStringList playbackArguments(int latencyMs = 10) {
    return {"--playback",
            "--raw",
            "--rate=48000",
            "--channels=1",
            "--format=s16le",
            QStringLiteral("--latency-msec=%1").arg(latencyMs),
            QStringLiteral("--device=") + kMicrophoneSink};
  }

 private:
  QProcess silence_;
  playback::LoadedModules modules_;
};

// Writes raw signed 16-bit samples, in this machine's order (s16le), to pacat.
inline void writeSamples(QProcess& pacat, const std::vector<std::int16_t>& samples) {
  pacat.write(reinterpret_cast<const char*>(samples.data()),
              static_cast<qint64>(samples.size() * sizeof(std::int16_t)));
}

// Plays sounds into the microphone at known instants through one pacat stream
// that is never left to run dry: it is fed silence, and the sounds, always half
// a second ahead, so its sample n sounds n samples after the stream started.
// How soon a new pacat stream sounds varies by hundreds of milliseconds, and a
// stream that runs dry sounds what follows late, now and then by hundreds of
// milliseconds, so neither is left to chance.
class PacedStream {
 public:
  using Clock = std::chrono::steady_clock;

  // pacat's latency at the server: ample, as a stream that asks for only
  // 10 ms runs dry now and then even on an idle machine. Continuously fed,
  // the stream's timing does not depend on its latency.
  static constexpr int kLatencyMs = 100;

  // Starts pacat with `arguments` (MicrophoneTest::playbackArguments(kLatencyMs))
  // and waits until its stream sounds, calling `whileWaiting` meanwhile; false
  // when it did not within 5 s.
  bool connect(const QStringList& arguments, const std::function<void()>& whileWaiting = {}) {
    said_ = startStream(arguments, whileWaiting);
    if (!said_.contains("Stream started")) {
      return false;
    }
    started_ = Clock::now();
    said_.clear();
    feed();
    return true;
  }

  // The instant at which the first sample not yet written will sound.
  Clock::time_point firstUnwrittenSoundsAt() const {
    return started_ + std::chrono::microseconds(written_ * 1'000'000 / kRate);
  }

  // Sounds `sound` from the instant `at` on. What of it would sound before
  // firstUnwrittenSoundsAt() is left out, so give it a lead of silence.
  void play(std::vector<std::int16_t> sound, Clock::time_point at) {
    sound_ = std::move(sound);
    soundStart_ = samplesSince(started_, at);
  }

  // Writes what is due; call it at least every few hundred milliseconds.
  void feed() {
    const Clock::time_point now = Clock::now();
    if (lastFeed_) {
      longestGap_ = std::max(longestGap_, now - *lastFeed_);
    }
    lastFeed_ = now;
    const std::int64_t due = samplesSince(started_, now) + kLeadSamples;
    std::vector<std::int16_t> chunk;
    for (; written_ < due; ++written_) {
      chunk.push_back(sampleAt(written_));
    }
    writeSamples(pacat_, chunk);
    pacat_.waitForBytesWritten(0);
    said_ += pacat_.readAllStandardError();
  }

  // What may have put the sound out of step, for a failure's report: pacat
  // running dry (what followed was heard late by the gap), and the longest
  // the caller left the stream unfed.
  std::string report() const {
    using namespace std::chrono;
    return std::string(said_.contains("underrun") ? "pacat ran dry" : "pacat kept up") +
           "; the longest wait between feeds was " +
           std::to_string(duration_cast<milliseconds>(longestGap_).count()) + " ms";
  }

  // Stops feeding: pacat plays out what it has, and ends.
  void finish() {
    pacat_.closeWriteChannel();
    pacat_.waitForFinished();
  }

 private:
  static constexpr int kRate = 48000;
  // Half a second: a pipe holds 680 ms of this sound, and pacat takes from it
  // only as its stream needs, so a caller held up for less than this does not
  // starve pacat.
  static constexpr std::int64_t kLeadSamples = kRate / 2;
  // Past the prebuffer of a stream that asks for kLatencyMs.
  static constexpr std::size_t kStartingSilence = kRate / 5;

  // Starts pacat --verbose with `arguments` and waits, for at most 5 s and
  // calling `whileWaiting` between looks, until its stream has begun to sound
  // the starting silence. Returns what pacat said; it holds "Stream started"
  // when the stream did start.
  QByteArray startStream(const QStringList& arguments, const std::function<void()>& whileWaiting) {
    pacat_.setReadChannel(QProcess::StandardError);  // where --verbose speaks
    pacat_.start(QStringLiteral("pacat"), QStringList{"--verbose"} + arguments);
    if (!pacat_.waitForStarted()) {
      return {};
    }
    writeSamples(pacat_, std::vector<std::int16_t>(kStartingSilence, 0));
    QByteArray said;
    const QDeadlineTimer deadline(5000);
    while (!said.contains("Stream started") && !deadline.hasExpired() &&
           pacat_.state() == QProcess::Running) {
      if (whileWaiting) {
        whileWaiting();
      }
      if (pacat_.waitForReadyRead(whileWaiting ? 1 : static_cast<int>(deadline.remainingTime()))) {
        said += pacat_.readAllStandardError();
      }
    }
    return said;
  }

  static std::int64_t samplesSince(Clock::time_point from, Clock::time_point to) {
    using namespace std::chrono;
    return duration_cast<microseconds>(to - from).count() * kRate / 1'000'000;
  }

  std::int16_t sampleAt(std::int64_t n) const {
    const std::int64_t k = n - soundStart_;
    return k >= 0 && k < std::ssize(sound_) ? sound_[static_cast<std::size_t>(k)] : 0;
  }

  QProcess pacat_;
  Clock::time_point started_;
  // Of pacat's stream; the silence that started it came first.
  std::int64_t written_ = kStartingSilence;
  std::vector<std::int16_t> sound_;
  std::int64_t soundStart_ = 0;  // the stream sample that sounds sound_[0]
  std::optional<Clock::time_point> lastFeed_;
  Clock::duration longestGap_{};
  QByteArray said_;  // what pacat --verbose reported
};

}  // namespace quavern::practice
