#include "playback/testing/stamped_monitor.h"

#include <QThread>
#include <algorithm>
#include <cstring>

namespace quavern::playback::testing {
namespace {

constexpr int kSampleRate = 48000;
constexpr int kStartTimeoutMs = 5000;

StampedMonitor::Clock::duration durationOf(std::int64_t samples) {
  return std::chrono::duration_cast<StampedMonitor::Clock::duration>(
      std::chrono::nanoseconds(samples * 1'000'000'000 / kSampleRate));
}

}  // namespace

StampedMonitor::StampedMonitor() = default;

StampedMonitor::~StampedMonitor() {
  stop();
}

bool StampedMonitor::start() {
  parec_.start(QStringLiteral("parec"),
               {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                QStringLiteral("--rate=48000"), QStringLiteral("--channels=1"),
                QStringLiteral("--latency-msec=5"), QStringLiteral("--device=@DEFAULT_MONITOR@")});
  if (!parec_.waitForStarted(kStartTimeoutMs)) {
    return false;
  }
  for (int waitedMs = 0; waitedMs < kStartTimeoutMs && samples_.empty(); waitedMs += 5) {
    QThread::msleep(5);
    poll();
  }
  return !samples_.empty();
}

void StampedMonitor::poll() {
  parec_.waitForReadyRead(0);
  pending_ += parec_.readAllStandardOutput();
  const auto arrived = StampedMonitor::Clock::now();
  const auto whole = static_cast<std::size_t>(pending_.size() / 2);
  if (whole == 0) {
    return;
  }
  const std::size_t from = samples_.size();
  samples_.resize(from + whole);
  std::memcpy(samples_.data() + from, pending_.constData(), whole * 2);
  pending_.remove(0, static_cast<qsizetype>(whole * 2));
  // Everything up to here was played by now at the latest.
  const StampedMonitor::Clock::time_point origin = arrived - durationOf(std::ssize(samples_));
  origin_ = haveOrigin_ ? std::min(origin_, origin) : origin;
  haveOrigin_ = true;
}

void StampedMonitor::stop() {
  if (parec_.state() != QProcess::NotRunning) {
    poll();
    parec_.kill();
    parec_.waitForFinished(3000);
  }
}

StampedMonitor::Clock::time_point StampedMonitor::timeOf(std::int64_t index) const {
  return origin_ + durationOf(index);
}

}  // namespace quavern::playback::testing
