#include "practice/calibration_run.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>

#include "playback/tone.h"

namespace quavern::practice {
namespace {

double msBetween(SteadyClock::time_point later, SteadyClock::time_point earlier) {
  return std::chrono::duration<double, std::milli>(later - earlier).count();
}

// Watches how the timing the sound servers report moves through one
// calibration. The output's heard origin, as each report puts it, moves when
// its stream runs dry; the first reports, in a stream's first tens of
// milliseconds, put it up to 40 ms off on PulseAudio before they settle.
// Each read of the input bounds the instant its first sample was taken in
// from above: the read's time minus the samples read so far. A read that
// comes late only gives a looser bound, but samples lost on the way push
// every later bound later by what was lost, so the best bound of the last
// half second standing above the best of all says that some were.
class TimingWatch {
 public:
  void noteOutput(const playback::SoundOutput& output) {
    if (output.heardMs() < kSettledMs) {
      return;  // the origin is the play's start, or the first reports' guess
    }
    const SteadyClock::time_point origin = output.heardOrigin();
    earliestOrigin_ = std::min(earliestOrigin_.value_or(origin), origin);
    latestOrigin_ = std::max(latestOrigin_.value_or(origin), origin);
  }

  void noteInput(SteadyClock::time_point readAt, std::size_t samplesRead) {
    if (samplesRead == 0) {
      return;
    }
    const SteadyClock::time_point bound =
        readAt - std::chrono::microseconds(static_cast<std::int64_t>(samplesRead) * 1'000'000 /
                                           SoundInput::kSampleRate);
    bestBound_ = std::min(bestBound_.value_or(bound), bound);
    if (!windowStart_ || readAt - *windowStart_ >= kWindow) {
      lastWindowBest_ = windowBest_;
      windowStart_ = readAt;
      windowBest_ = bound;
    } else {
      windowBest_ = std::min(*windowBest_, bound);
    }
  }

  double outputOriginMovedMs() const {
    return earliestOrigin_ ? msBetween(*latestOrigin_, *earliestOrigin_) : 0.0;
  }

  double inputCaptureMovedMs() const {
    return lastWindowBest_ ? msBetween(*lastWindowBest_, *bestBound_) : 0.0;
  }

 private:
  static constexpr std::chrono::milliseconds kWindow{500};
  static constexpr std::int64_t kSettledMs = 100;  // of the stream heard

  std::optional<SteadyClock::time_point> earliestOrigin_;
  std::optional<SteadyClock::time_point> latestOrigin_;
  std::optional<SteadyClock::time_point> bestBound_;
  std::optional<SteadyClock::time_point> windowStart_;
  std::optional<SteadyClock::time_point> windowBest_;
  std::optional<SteadyClock::time_point> lastWindowBest_;  // of the last whole window
};

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
                              music::DrawSource& draws, playback::WhileWaiting whileWaiting,
                              const std::function<SteadyClock::time_point()>& now) {
  CalibrationRun run;
  run.tones = calibrationTones(draws);
  if (input.start()) {
    run.result.failure = CalibrationFailure::InputDidNotStart;
    return run;
  }
  TimingWatch watch;
  output.begin([&] {
    input.readAvailable(run.recording);
    watch.noteInput(now(), run.recording.size());
    watch.noteOutput(output);
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
  run.outputOriginMovedMs = watch.outputOriginMovedMs();
  run.inputCaptureMovedMs = watch.inputCaptureMovedMs();
  if (!run.result.failure && run.inputCaptureMovedMs > kLostSamplesLimitMs) {
    run.result.failure = CalibrationFailure::InputLostSamples;
    run.result.delayMs = 0;
  }
  return run;
}

}  // namespace quavern::practice
