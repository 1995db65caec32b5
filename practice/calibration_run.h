#pragma once

#include "music/bar_generator.h"
#include "playback/sound_output.h"
#include "practice/calibration.h"
#include "practice/sound_input.h"

namespace quavern::practice {

// What one calibration heard, for a test or a closer look; the result is what
// the window shows.
struct CalibrationRun {
  CalibrationResult result;
  std::vector<CalibrationTone> tones;
  std::vector<std::int16_t> recording;  // the input from its start, at kPerformanceRate
  Alignment alignment;                  // the stream on the recording, as the output reports it
};

// Sounds the tones of one calibration through `output` (a gapless stream of
// rests and tones) while reading `input`, then estimates the input's delay.
// `whileWaiting` keeps the caller's window alive and can end the run early;
// the tones not sounded then count as not heard. `input` is started here and
// stopped before returning.
CalibrationRun calibrateInput(playback::SoundOutput& output, SoundInput& input,
                              music::DrawSource& draws, playback::WhileWaiting whileWaiting);

}  // namespace quavern::practice
