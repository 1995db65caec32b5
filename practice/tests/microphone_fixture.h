#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
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

  void TearDown() override { unplugMicrophone(); }

  // Sets the microphone up; false when the server refuses a step.
  bool plugInMicrophone() {
    const QString sink = QString::fromLatin1(kMicrophoneSink);
    const QString source = QString::fromLatin1(kMicrophoneSource);
    if (!loadModule(
            {"module-null-sink", "sink_name=" + sink, "rate=48000", "channels=1", "norewinds=1"}) ||
        !loadModule(
            {"module-remap-source", "master=" + sink + ".monitor", "source_name=" + source}) ||
        !pactl({"set-default-source", source})) {
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
    for (auto module = modules_.rbegin(); module != modules_.rend(); ++module) {
      pactl({"unload-module", *module});
    }
    modules_.clear();
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
  bool loadModule(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("pactl"), QStringList{"load-module"} + arguments);
    if (!process.waitForFinished() || process.exitCode() != 0) {
      return false;
    }
    modules_.push_back(QString::fromLatin1(process.readAllStandardOutput()).trimmed());
    return true;
  }

  QProcess silence_;
  std::vector<QString> modules_;
};

// Writes raw signed 16-bit samples, in this machine's order (s16le), to pacat.
inline void writeSamples(QProcess& pacat, const std::vector<std::int16_t>& samples) {
  pacat.write(reinterpret_cast<const char*>(samples.data()),
              static_cast<qint64>(samples.size() * sizeof(std::int16_t)));
}

// Starts pacat --verbose with `arguments` and waits, for at most 5 s and
// calling `whileWaiting` between looks, until its stream has begun to sound
// `silence` samples of silence (20 ms: past the prebuffer of a stream that
// asks for 10 ms). From then on the stream waits, starved, and sounds each
// chunk as soon as it is written: how long pacat and the server take to start
// a stream varies by hundreds of milliseconds. Returns what pacat said; it
// holds "Stream started" when the stream did start.
inline QByteArray startStarvedStream(QProcess& pacat, const QStringList& arguments,
                                     const std::function<void()>& whileWaiting = {},
                                     std::size_t silence = 48000 / 50) {
  pacat.setReadChannel(QProcess::StandardError);  // where --verbose speaks
  pacat.start(QStringLiteral("pacat"), QStringList{"--verbose"} + arguments);
  if (!pacat.waitForStarted()) {
    return {};
  }
  writeSamples(pacat, std::vector<std::int16_t>(silence, 0));
  QByteArray said;
  const QDeadlineTimer deadline(5000);
  while (!said.contains("Stream started") && !deadline.hasExpired() &&
         pacat.state() == QProcess::Running) {
    if (whileWaiting) {
      whileWaiting();
    }
    if (pacat.waitForReadyRead(whileWaiting ? 1 : static_cast<int>(deadline.remainingTime()))) {
      said += pacat.readAllStandardError();
    }
  }
  return said;
}

}  // namespace quavern::practice
