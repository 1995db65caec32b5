#pragma once

#include <QProcess>
#include <chrono>
#include <cstdint>
#include <vector>

namespace quavern::playback::testing {

// Records what the default sound sink plays, through its monitor source, and
// notes when each piece arrived, so that a sample of the recording can be put
// on the steady clock: the moment the sink played it. poll() must be called
// often (every few milliseconds) while recording; the earliest arrivals fix
// the mapping, so a late poll only loses precision for itself.
class StampedMonitor {
 public:
  using Clock = std::chrono::steady_clock;

  StampedMonitor();
  ~StampedMonitor();
  StampedMonitor(const StampedMonitor&) = delete;
  StampedMonitor& operator=(const StampedMonitor&) = delete;

  // Starts recording; returns once data arrives, false when it never does.
  bool start();
  void poll();
  void stop();

  const std::vector<std::int16_t>& samples() const { return samples_; }

  // When the sink played recording sample `index`. Late by at most the
  // monitor's own latency (parec is asked for 5 ms).
  Clock::time_point timeOf(std::int64_t index) const;

 private:
  QProcess parec_;
  std::vector<std::int16_t> samples_;
  QByteArray pending_;
  bool haveOrigin_ = false;
  Clock::time_point origin_;  // when sample 0 was played, as early as any arrival shows
};

}  // namespace quavern::playback::testing
