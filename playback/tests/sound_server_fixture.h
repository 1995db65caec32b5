#pragma once

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace quavern::playback {

// The fixture's server listens on unix:STATE_DIR/native.
inline QString stateDir() {
  const QString server = QString::fromLocal8Bit(qgetenv("PULSE_SERVER"));
  return QFileInfo(server.mid(server.indexOf(':') + 1)).path();
}

class SoundServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(qEnvironmentVariableIsSet("PULSE_SERVER")) << "PULSE_SERVER is not set";
    if (QFileInfo::exists(stateDir() + "/unavailable")) {
      GTEST_SKIP() << "\n*** PulseAudio is not installed on this machine: the sound-server "
                      "tests did NOT run. ***\n";
    }
  }

  static bool pactl(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("pactl"), arguments) == 0;
  }
};

}  // namespace quavern::playback
