#pragma once

#include <vector>

#include "playback/sound_output.h"

namespace quavern::playback {

// Takes note of every tone instead of sounding it, and returns at once. Calls
// whileWaiting once per tone, as a real output would while the tone sounds,
// with the tone taken as heard from its start, so a caller's event handling and
// following of the play can be tested without waiting.
class RecordingOutput final : public SoundOutput {
 public:
  void begin(WhileWaiting whileWaiting, Accompaniment accompaniment = {},
             StreamSounds sounds = {}) override;
  bool sound(Tone tone) override;
  void end() override { ++ends_; }
  std::int64_t heardMs() const override { return heardMs_; }
  Clock::time_point heardOrigin() const override { return origin_; }

  const std::vector<Tone>& tones() const { return tones_; }
  const Accompaniment& accompaniment() const { return accompaniment_; }
  const StreamSounds& sounds() const { return sounds_; }
  int begins() const { return begins_; }
  int ends() const { return ends_; }

 private:
  WhileWaiting whileWaiting_;
  std::vector<Tone> tones_;
  Accompaniment accompaniment_;
  StreamSounds sounds_;
  Clock::time_point origin_;
  std::int64_t heardMs_ = 0;
  std::int64_t streamMs_ = 0;
  int begins_ = 0;
  int ends_ = 0;
};

}  // namespace quavern::playback
