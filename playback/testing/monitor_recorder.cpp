#include "playback/testing/monitor_recorder.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cstring>
#include <utility>

namespace quavern::playback::testing {
namespace {

constexpr int kStartTimeoutMs = 5000;
constexpr int kStopTimeoutMs = 3000;

}  // namespace

MonitorRecorder::MonitorRecorder(QString filePath) : filePath_(std::move(filePath)) {}

MonitorRecorder::~MonitorRecorder() {
  if (parec_.state() != QProcess::NotRunning) {
    parec_.kill();
    parec_.waitForFinished(kStopTimeoutMs);
  }
}

bool MonitorRecorder::start() {
  QFile::remove(filePath_);
  parec_.setStandardOutputFile(filePath_);
  parec_.start(QStringLiteral("parec"),
               {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                QStringLiteral("--rate=48000"), QStringLiteral("--channels=1"),
                QStringLiteral("--latency-msec=20"), QStringLiteral("--device=@DEFAULT_MONITOR@")});
  if (!parec_.waitForStarted(kStartTimeoutMs)) {
    return false;
  }
  for (int waitedMs = 0; waitedMs < kStartTimeoutMs; waitedMs += 50) {
    if (QFileInfo(filePath_).size() > 0) {
      return true;
    }
    QThread::msleep(50);
  }
  return false;
}

std::vector<std::int16_t> MonitorRecorder::stop() {
  parec_.terminate();
  parec_.waitForFinished(kStopTimeoutMs);
  QFile file(filePath_);
  if (!file.open(QIODevice::ReadOnly)) {
    return {};
  }
  const QByteArray bytes = file.readAll();
  std::vector<std::int16_t> samples(static_cast<std::size_t>(bytes.size()) / 2);
  std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
  return samples;
}

}  // namespace quavern::playback::testing
