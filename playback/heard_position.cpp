#include "playback/heard_position.h"

#include <algorithm>

namespace quavern::playback {

void HeardPosition::start(Clock::time_point playStart) {
  playStart_ = playStart;
  origin_ = playStart;
  heardUs_ = 0;
  deviceLost_ = false;
}

void HeardPosition::devicePlayed(std::int64_t playedUs, Clock::time_point at) {
  if (deviceLost_ || playedUs <= heardUs_) {
    return;
  }
  heardUs_ = playedUs;
  origin_ = at - std::chrono::microseconds(playedUs);
}

void HeardPosition::deviceLost() {
  deviceLost_ = true;
}

std::int64_t HeardPosition::heardMs(Clock::time_point now) const {
  const std::int64_t reportedMs = heardUs_ / 1000;
  if (!deviceLost_) {
    return reportedMs;
  }
  const auto sinceStart = std::chrono::duration_cast<std::chrono::milliseconds>(now - playStart_);
  return std::max(reportedMs, static_cast<std::int64_t>(sinceStart.count()));
}

}  // namespace quavern::playback
