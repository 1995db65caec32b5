#include "playback/silent_clock_output.h"

#include <algorithm>
#include <utility>

namespace quavern::playback {

void SilentClockOutput::begin(WhileWaiting whileWaiting, Accompaniment /*accompaniment*/,
                              StreamSounds /*sounds*/) {
  whileWaiting_ = std::move(whileWaiting);
  playedMs_ = 0;
  clock_.start();
}

bool SilentClockOutput::sound(Tone tone) {
  playedMs_ += std::max(tone.durationMs, 0);
  return clock_.waitUntil(playedMs_, whileWaiting_) == PlayControl::Continue;
}

std::int64_t SilentClockOutput::heardMs() const {
  return std::clamp<std::int64_t>(clock_.elapsedMs(), 0, playedMs_);
}

}  // namespace quavern::playback
