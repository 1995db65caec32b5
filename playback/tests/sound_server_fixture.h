#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace quavern::playback {

// Tests against the private sound server (PulseAudio or PipeWire) that the
// CTest fixture started; it listens on unix:STATE_DIR/native and keeps the id of
// the process serving that socket in STATE_DIR/server.pid.
class SoundServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(qEnvironmentVariableIsSet("PULSE_SERVER"))
        << "PULSE_SERVER is not set: run the sound-server tests through ctest";
    ASSERT_GT(serverPid(), 0) << "no server.pid in " << stateDir().toStdString();
  }

  void TearDown() override {
    if (serverHung_) {
      resumeServer();
    }
  }

  // The server stops taking data, as a sound server that hangs would.
  bool hangServer() {
    serverHung_ = signalServer(SIGSTOP);
    return serverHung_;
  }

  bool resumeServer() {
    serverHung_ = false;
    return signalServer(SIGCONT);
  }

  // The server dies, as one that crashes would.
  static bool killServer() { return signalServer(SIGKILL); }

  // Runs pactl against the test's server; true when it succeeded.
  static bool pactl(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("pactl"), arguments) == 0;
  }

 private:
  static QString stateDir() {
    const QString server = QString::fromLocal8Bit(qgetenv("PULSE_SERVER"));
    return QFileInfo(server.mid(server.indexOf(':') + 1)).path();
  }

  static pid_t serverPid() {
    QFile file(stateDir() + "/server.pid");
    if (!file.open(QIODevice::ReadOnly)) {
      return 0;
    }
    return file.readAll().trimmed().toInt();
  }

  static bool signalServer(int signal) {
    const pid_t pid = serverPid();
    return pid > 0 && ::kill(pid, signal) == 0;
  }

  bool serverHung_ = false;
};

}  // namespace quavern::playback
