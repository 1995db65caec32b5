#pragma once

#include <vector>

#include "playback/sound_output.h"

namespace quavern::playback {

// Takes note of every tone instead of sounding it, and returns at once. Calls
// whileWaiting once per tone, as a real output would while the tone sounds, so
// a caller's event handling during play can be tested without waiting.
class RecordingOutput final : public SoundOutput {
 public:
  void begin(WhileWaiting whileWaiting) override;
  bool sound(Tone tone) override;
  void end() override { ++ends_; }

  const std::vector<Tone>& tones() const { return tones_; }
  int begins() const { return begins_; }
  int ends() const { return ends_; }

 private:
  WhileWaiting whileWaiting_;
  std::vector<Tone> tones_;
  int begins_ = 0;
  int ends_ = 0;
};

}  // namespace quavern::playback
