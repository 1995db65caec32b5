#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <vector>

namespace quavern::playback {

// Runs pactl against the test's server; true when it succeeded.
inline bool pactl(const QStringList& arguments) {
  return QProcess::execute(QStringLiteral("pactl"), arguments) == 0;
}

namespace server_modules {

// `pactl list short modules`: one line a module, its index, name and arguments
// separated by tabs.
inline QList<QStringList> listed() {
  QProcess process;
  process.start(QStringLiteral("pactl"), {"list", "short", "modules"});
  process.waitForFinished();
  QList<QStringList> modules;
  for (const QString& line :
       QString::fromLocal8Bit(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
    modules.push_back(line.split('\t'));
  }
  return modules;
}

inline bool isLoaded(const QString& index) {
  return std::ranges::any_of(listed(),
                             [&](const QStringList& fields) { return fields.front() == index; });
}

// Unloads a module and waits, for at most 2 s, until the server has: it
// answers before it does, and the next test may name the same device.
inline bool unload(const QString& index) {
  if (!pactl({"unload-module", index})) {
    return false;
  }
  for (int wait = 0; wait < 100; ++wait) {
    if (!isLoaded(index)) {
      return true;
    }
    QThread::msleep(20);
  }
  return false;
}

// Unloads the devices an earlier test left loaded, one that crashed before
// its clean-up: the server refuses a second device of the same name, and an
// input left behind is an input where a test wants none. They are the
// "quavern_" sinks and sources but the fixture's own null sink.
inline void unloadLeftovers() {
  const auto isLeftover = [](const QString& argument) {
    return (argument.startsWith(QStringLiteral("sink_name=quavern_")) ||
            argument.startsWith(QStringLiteral("source_name=quavern_"))) &&
           argument != QStringLiteral("sink_name=quavern_null");
  };
  for (const QStringList& fields : listed()) {
    if (fields.size() >= 3 && std::ranges::any_of(fields[2].split(' '), isLeftover)) {
      unload(fields.front());
    }
  }
}

}  // namespace server_modules

// The modules a test loads into the private server, unloaded newest first.
class LoadedModules {
 public:
  LoadedModules() = default;
  LoadedModules(const LoadedModules&) = delete;
  LoadedModules& operator=(const LoadedModules&) = delete;
  ~LoadedModules() { unloadAll(); }

  // Loads a module, its name first; false when the server refuses.
  bool load(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("pactl"), QStringList{"load-module"} + arguments);
    if (!process.waitForFinished() || process.exitCode() != 0) {
      return false;
    }
    indices_.push_back(QString::fromLatin1(process.readAllStandardOutput()).trimmed());
    return true;
  }

  bool unloadNewest() {
    if (indices_.empty()) {
      return false;
    }
    const QString newest = indices_.back();
    indices_.pop_back();
    return server_modules::unload(newest);
  }

  void unloadAll() {
    while (!indices_.empty()) {
      unloadNewest();
    }
  }

 private:
  std::vector<QString> indices_;
};

// Tests against the private sound server (PulseAudio or PipeWire) that the
// CTest fixture started; it listens on unix:STATE_DIR/native and keeps the id of
// the process serving that socket in STATE_DIR/server.pid.
class SoundServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(qEnvironmentVariableIsSet("PULSE_SERVER"))
        << "PULSE_SERVER is not set: run the sound-server tests through ctest";
    ASSERT_GT(serverPid(), 0) << "no server.pid in " << stateDir().toStdString();
    server_modules::unloadLeftovers();
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
