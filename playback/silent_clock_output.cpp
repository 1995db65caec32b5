#include "playback/silent_clock_output.h"

#include <algorithm>
#include <utility>

namespace quavern::playback {

void SilentClockOutput::begin(WhileWaiting whileWaiting) {
  whileWaiting_ = std::move(whileWaiting);
  playedMs_ = 0;
  clock_.start();
}

bool SilentClockOutput::sound(Tone tone) {
  playedMs_ += std::max(tone.durationMs, 0);
  return clock_.waitUntil(playedMs_, whileWaiting_);
}

}  // namespace quavern::playback
