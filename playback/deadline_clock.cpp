#include "playback/deadline_clock.h"

#include <algorithm>
#include <thread>

namespace quavern::playback {

PlayControl DeadlineClock::waitUntil(std::int64_t ms, const WhileWaiting& whileWaiting) const {
  const Clock::time_point deadline = origin_ + std::chrono::milliseconds(ms);
  while (Clock::now() < deadline) {
    std::this_thread::sleep_until(std::min(deadline, Clock::now() + kLongestWaitSlice));
    if (whileWaiting) {
      if (const PlayControl asked = whileWaiting(); asked != PlayControl::Continue) {
        return asked;
      }
    }
  }
  return PlayControl::Continue;
}

std::int64_t DeadlineClock::elapsedMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - origin_).count();
}

}  // namespace quavern::playback
