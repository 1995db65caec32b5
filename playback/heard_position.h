#pragma once

#include <chrono>
#include <cstdint>

namespace quavern::playback {

// Where the listener is in a play through a sound device. While the device
// plays, its own count of the stream it has played out is the position: what
// was handed to it runs about a buffer ahead of the ear. Once the device is
// gone, the play's silent clock, counting from the play's start, takes over.
// The position never goes back.
class HeardPosition {
 public:
  using Clock = std::chrono::steady_clock;

  void start(Clock::time_point playStart);

  // The device reports `playedUs` microseconds of the stream played out by `at`.
  void devicePlayed(std::int64_t playedUs, Clock::time_point at);

  // The device stopped playing; from now on the silent clock counts.
  void deviceLost();

  std::int64_t heardMs(Clock::time_point now) const;

  // When the stream's first sample was heard, as the latest reading puts it;
  // the play's start until the device reports anything.
  Clock::time_point origin() const { return origin_; }

 private:
  Clock::time_point playStart_;
  Clock::time_point origin_;
  std::int64_t heardUs_ = 0;
  bool deviceLost_ = false;
};

}  // namespace quavern::playback
