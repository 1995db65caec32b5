#include "practice/calibration_run.h"

#include <utility>

#include "playback/tone.h"

namespace quavern::practice {
namespace {

// Rests and tones from stream millisecond 0 to the end of the calibration.
std::vector<playback::Tone> calibrationStream(std::span<const CalibrationTone> tones) {
  std::vector<playback::Tone> stream;
  std::int64_t atMs = 0;
  for (const CalibrationTone& tone : tones) {
    stream.push_back({playback::kRestHz, static_cast<int>(tone.startMs - atMs)});
    stream.push_back({kCalibrationToneHz, kCalibrationToneMs});
    atMs = tone.startMs + kCalibrationToneMs;
  }
  stream.push_back({playback::kRestHz, static_cast<int>(calibrationStreamMs(tones) - atMs)});
  return stream;
}

}  // namespace

CalibrationRun calibrateInput(playback::SoundOutput& output, SoundInput& input,
                              music::DrawSource& draws, playback::WhileWaiting whileWaiting) {
  CalibrationRun run;
  run.tones = calibrationTones(draws);
  if (input.start()) {
    run.result.failure = CalibrationFailure::InputDidNotStart;
    return run;
  }
  output.begin([&] {
    input.readAvailable(run.recording);
    return whileWaiting ? whileWaiting() : playback::PlayControl::Continue;
  });
  for (const playback::Tone& tone : calibrationStream(run.tones)) {
    if (!output.sound(tone)) {
      break;
    }
  }
  output.end();
  input.readAvailable(run.recording);
  input.stop();
  const std::optional<SteadyClock::time_point> firstSample = input.firstSampleCapturedAt();
  if (!firstSample) {
    run.result.failure = CalibrationFailure::InputDidNotStart;
    return run;
  }
  run.alignment.streamOrigin = inputIndexAt(output.heardOrigin(), *firstSample, kPerformanceRate);
  run.result = estimateInputDelay(run.recording, run.alignment, run.tones);
  return run;
}

}  // namespace quavern::practice
