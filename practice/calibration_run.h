#pragma once

#include <functional>

#include "music/bar_generator.h"
#include "playback/sound_output.h"
#include "practice/calibration.h"
#include "practice/sound_input.h"

namespace quavern::practice {

// How much later, in milliseconds, the input's capture instant may read at the
// end of a calibration than at its best before the input counts as having lost
// samples. It holds within about 10 ms on a loaded machine that keeps up.
inline constexpr double kLostSamplesLimitMs = 20.0;

// What one calibration heard, for a test or a closer look; the result is what
// the window shows.
struct CalibrationRun {
  CalibrationResult result;
  std::vector<CalibrationTone> tones;
  std::vector<std::int16_t> recording;  // the input from its start, at kPerformanceRate
  Alignment alignment;                  // the stream on the recording, as the output reports it
  // For a closer look at the sound server: how far the output's heard origin
  // moved between its reports once settled (a stream that ran dry moves it,
  // and what follows is heard that much later, so the latest report places the
  // tones), and how much later the input's capture instant read at the end
  // than at its best.
  double outputOriginMovedMs = 0.0;
  double inputCaptureMovedMs = 0.0;
};

// Sounds the tones of one calibration through `output` (a gapless stream of
// rests and tones) while reading `input`, then estimates the input's delay.
// `whileWaiting` keeps the caller's window alive and can end the run early;
// the tones not sounded then count as not heard. `input` is started here and
// stopped before returning. A run whose input's capture instant moved by more
// than kLostSamplesLimitMs fails as InputLostSamples.
// `now` is the clock the input's reads are timed by.
CalibrationRun calibrateInput(
    playback::SoundOutput& output, SoundInput& input, music::DrawSource& draws,
    playback::WhileWaiting whileWaiting,
    const std::function<SteadyClock::time_point()>& now = SteadyClock::now);

}  // namespace quavern::practice
