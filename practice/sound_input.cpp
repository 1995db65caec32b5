#include "practice/sound_input.h"

namespace quavern::practice {

std::int64_t inputIndexAt(SteadyClock::time_point instant,
                          SteadyClock::time_point firstSampleCapturedAt, int sampleRate) {
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::nanoseconds>(instant - firstSampleCapturedAt);
  const std::int64_t scaled = elapsed.count() * sampleRate;
  constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
  constexpr std::int64_t kHalf = kNanosecondsPerSecond / 2;
  // Integer division truncates towards zero; round halves away from zero instead.
  return scaled >= 0 ? (scaled + kHalf) / kNanosecondsPerSecond
                     : -((-scaled + kHalf) / kNanosecondsPerSecond);
}

}  // namespace quavern::practice
