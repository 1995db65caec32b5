#pragma once

#include <chrono>
#include <cstdint>

#include "playback/sound_output.h"

namespace quavern::playback {

// Waits to absolute deadlines measured from one origin, so the lateness of one
// wake-up is made good by the next wait instead of adding up over a play.
class DeadlineClock {
 public:
  using Clock = std::chrono::steady_clock;

  void start() { origin_ = Clock::now(); }

  // Sleeps until `ms` milliseconds after start(), in slices no longer than
  // kLongestWaitSlice with whileWaiting (if set) called after each. Returns
  // Continue once the deadline has passed (at once for a past one), or as soon
  // as whileWaiting asks for anything else, what it asked.
  PlayControl waitUntil(std::int64_t ms, const WhileWaiting& whileWaiting) const;

  std::int64_t elapsedMs() const;
  Clock::time_point origin() const { return origin_; }

 private:
  Clock::time_point origin_ = Clock::now();
};

}  // namespace quavern::playback
