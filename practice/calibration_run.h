#pragma once

#include <functional>

#include "music/bar_generator.h"
#include "playback/sound_output.h"
#include "practice/calibration.h"
#include "practice/sound_input.h"

namespace quavern::practice {

// How far the reported timing may move within one calibration, in
// milliseconds, before it counts as unsteady: the output's heard origin from
// report to report, and the input's capture instant from its best bound to the
// best of the last half second. Both hold within about 10 ms on a loaded
// machine that keeps up.
inline constexpr double kSteadyTimingLimitMs = 20.0;

// What one calibration heard, for a test or a closer look; the result is what
// the window shows.
struct CalibrationRun {
  CalibrationResult result;
  std::vector<CalibrationTone> tones;
  std::vector<std::int16_t> recording;  // the input from its start, at kPerformanceRate
  Alignment alignment;                  // the stream on the recording, as the output reports it
  // How far the output's heard origin moved between its reports, and how much
  // later the input's capture instant read at the end than at its best; see
  // kSteadyTimingLimitMs.
  double outputOriginMovedMs = 0.0;
  double inputCaptureMovedMs = 0.0;
};

// Sounds the tones of one calibration through `output` (a gapless stream of
// rests and tones) while reading `input`, then estimates the input's delay.
// `whileWaiting` keeps the caller's window alive and can end the run early;
// the tones not sounded then count as not heard. `input` is started here and
// stopped before returning. A run whose reported timing moved by more than
// kSteadyTimingLimitMs fails as TimingUnsteady.
// `now` is the clock the input's reads are timed by.
CalibrationRun calibrateInput(
    playback::SoundOutput& output, SoundInput& input, music::DrawSource& draws,
    playback::WhileWaiting whileWaiting,
    const std::function<SteadyClock::time_point()>& now = SteadyClock::now);

}  // namespace quavern::practice
