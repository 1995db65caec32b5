#pragma once

#include <cstdint>

#include "playback/deadline_clock.h"
#include "playback/sound_output.h"

namespace quavern::playback {

// Keeps a play's timing without making a sound: for a machine with no sound
// device, or when the device fails. Each tone ends at the cumulative time of
// the play so far, measured from begin().
class SilentClockOutput final : public SoundOutput {
 public:
  void begin(WhileWaiting whileWaiting, Accompaniment accompaniment = {},
             StreamSounds sounds = {}) override;
  bool sound(Tone tone) override;
  void end() override {}
  std::int64_t heardMs() const override;
  Clock::time_point heardOrigin() const override { return clock_.origin(); }

 private:
  DeadlineClock clock_;
  WhileWaiting whileWaiting_;
  std::int64_t playedMs_ = 0;
};

}  // namespace quavern::playback
