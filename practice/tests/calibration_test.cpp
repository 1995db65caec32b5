#include "practice/calibration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "playback/sound_output.h"
#include "practice/calibration_run.h"
#include "practice/fake_sound_input.h"
#include "practice/testing/synthesised_player.h"

namespace quavern::practice {
namespace {

constexpr int kRate = kPerformanceRate;
constexpr std::int64_t kPerMs = kRate / 1000;

// Draws that a test lays out: each next() is the next value, over and over.
class ScriptedDraws final : public music::DrawSource {
 public:
  explicit ScriptedDraws(std::vector<std::uint32_t> values) : values_(std::move(values)) {}
  std::uint32_t next() override { return values_[next_++ % values_.size()]; }

 private:
  std::vector<std::uint32_t> values_;
  std::size_t next_ = 0;
};

TEST(CalibrationTones, EightTonesAtDrawnIntervalsFarEnoughApart) {
  ScriptedDraws draws({0, 300, 17, 299, 301, 1000});
  const std::vector<CalibrationTone> tones = calibrationTones(draws);
  // Lead-in 500 ms + draw % 301, then gaps of 750 ms + draw % 301.
  const std::vector<CalibrationTone> expected{{500},  {1550}, {2317}, {3366},
                                              {4116}, {4963}, {5713}, {6763}};
  EXPECT_EQ(tones, expected);
  EXPECT_EQ(calibrationStreamMs(tones), 6763 + 50 + 500 + 100);

  music::SeededDraws seeded(7);
  const std::vector<CalibrationTone> drawn = calibrationTones(seeded);
  ASSERT_EQ(drawn.size(), 8U);
  for (std::size_t k = 1; k < drawn.size(); ++k) {
    const std::int64_t gap = drawn[k].startMs - drawn[k - 1].startMs;
    // A tone heard at the latest delay ends before the next one could be heard
    // at the earliest.
    EXPECT_GT(gap, kLatestInputDelayMs + kCalibrationToneMs - kEarliestInputDelayMs) << k;
  }
}

struct Heard {
  std::optional<double> delayMs;  // nothing: this tone is not heard
  double peak = 0.25;             // -12 dBFS, as the output sounds it
};

constexpr std::int64_t kStreamOrigin = 12'345;  // where the alignment puts stream sample 0

// A recording of a calibration: each tone heard at its delay (fractions of a
// millisecond land between samples), with noise at `noiseRms` all along.
std::vector<std::int16_t> recordingOf(const std::vector<CalibrationTone>& tones,
                                      const std::vector<Heard>& heard, double noiseRms) {
  const std::int64_t length = kStreamOrigin + (calibrationStreamMs(tones) + 200) * kPerMs;
  std::vector<double> signal = testing::noise(length, noiseRms, 5);
  for (std::size_t k = 0; k < tones.size(); ++k) {
    if (!heard[k].delayMs) {
      continue;
    }
    const double startSample =
        static_cast<double>(kStreamOrigin + tones[k].startMs * kPerMs) + *heard[k].delayMs * kPerMs;
    const auto first = static_cast<std::int64_t>(std::ceil(startSample));
    // Rendered from the exact start, so a delay of 0.5 sample is half a sample.
    const std::vector<double> tone = testing::render(
        {.hz = kCalibrationToneHz, .peak = heard[k].peak}, kCalibrationToneMs * kPerMs + 1, kRate);
    for (std::size_t n = 0; n + 1 < tone.size(); ++n) {
      const std::int64_t at = first + static_cast<std::int64_t>(n);
      const double shift = static_cast<double>(first) - startSample;  // 0 to 1 samples
      signal[static_cast<std::size_t>(at)] += tone[n] * (1.0 - shift) + tone[n + 1] * shift;
    }
  }
  return testing::toSamples(signal);
}

std::vector<Heard> allAt(double delayMs) {
  return std::vector<Heard>(kCalibrationTones, Heard{delayMs});
}

const std::vector<CalibrationTone> kTones{{620},  {1450}, {2300}, {3200},
                                          {3990}, {4900}, {5680}, {6500}};

TEST(EstimateInputDelay, TheMedianOffsetOfTheTonesHeard) {
  struct Row {
    const char* what;
    std::vector<Heard> heard;
    double noiseRms;  // full scale 1; the tones' RMS is 0.18 (-15 dBFS)
    std::int64_t delayMs;
  };
  std::vector<Heard> scattered = allAt(40.0);
  const double jitter[] = {-6.0, 3.0, -2.5, 8.0, 0.0, -9.0, 5.0, 1.5};  // spread 17 ms
  for (std::size_t k = 0; k < scattered.size(); ++k) {
    scattered[k].delayMs = 40.0 + jitter[k];
  }
  std::vector<Heard> twoMissed = allAt(150.0);
  twoMissed[0].delayMs.reset();
  twoMissed[5].delayMs.reset();
  std::vector<Heard> quiet = allAt(75.0);
  for (Heard& tone : quiet) {
    tone.peak = 0.01;  // -40 dBFS
  }
  const Row rows[] = {
      {"no extra delay", allAt(0.0), 0.0005, 0},
      {"Bluetooth-like", allAt(187.0), 0.0005, 187},
      {"the latest", allAt(500.0), 0.0005, 500},
      {"early: the server over-reports", allAt(-100.0), 0.0005, -100},
      {"between samples", allAt(36.6), 0.0005, 37},
      {"noise 20 dB under the tones", allAt(37.0), 0.018, 37},
      {"a quiet microphone", quiet, 0.0002, 75},
      {"scattered within 20 ms", scattered, 0.0005, 41},  // median of 40 + jitter
      {"two tones missed", twoMissed, 0.0005, 150},
  };
  for (const Row& row : rows) {
    const CalibrationResult result =
        estimateInputDelay(recordingOf(kTones, row.heard, row.noiseRms), {kStreamOrigin}, kTones);
    EXPECT_EQ(result.failure, std::nullopt) << row.what;
    EXPECT_EQ(result.delayMs, row.delayMs) << row.what;
    for (std::size_t k = 0; k < kTones.size(); ++k) {
      ASSERT_EQ(result.offsetsMs[k].has_value(), row.heard[k].delayMs.has_value()) << row.what;
      if (row.heard[k].delayMs) {
        EXPECT_NEAR(*result.offsetsMs[k], *row.heard[k].delayMs, 0.5) << row.what << ", tone " << k;
      }
    }
  }
}

TEST(EstimateInputDelay, FailsWhenTheInputDidNotHearTheTonesClearly) {
  struct Row {
    const char* what;
    std::vector<Heard> heard;
    double noiseRms;
    CalibrationFailure failure;
  };
  std::vector<Heard> threeMissed = allAt(60.0);
  for (const std::size_t k : {1U, 4U, 7U}) {
    threeMissed[k].delayMs.reset();
  }
  std::vector<Heard> spread = allAt(60.0);
  spread[3].delayMs = 81.0;  // 21 ms after the rest
  std::vector<Heard> drowned = allAt(60.0);
  for (Heard& tone : drowned) {
    tone.peak = 0.002;  // -54 dBFS, under noise at -26 dBFS
  }
  std::vector<Heard> beyondRange = allAt(80.0);
  for (const std::size_t k : {0U, 2U, 6U}) {
    beyondRange[k].delayMs = 640.0;
  }
  const Row rows[] = {
      {"silence", std::vector<Heard>(kCalibrationTones), 0.0005,
       CalibrationFailure::TooFewTonesHeard},
      {"three of eight missed", threeMissed, 0.0005, CalibrationFailure::TooFewTonesHeard},
      {"drowned in noise", drowned, 0.05, CalibrationFailure::TooFewTonesHeard},
      {"one tone 21 ms off", spread, 0.0005, CalibrationFailure::SpreadTooWide},
      {"later than the range", beyondRange, 0.0005, CalibrationFailure::TooFewTonesHeard},
  };
  for (const Row& row : rows) {
    const CalibrationResult result =
        estimateInputDelay(recordingOf(kTones, row.heard, row.noiseRms), {kStreamOrigin}, kTones);
    EXPECT_EQ(result.failure, row.failure) << row.what;
    EXPECT_EQ(result.delayMs, 0) << row.what;
  }
}

TEST(EstimateInputDelay, ARecordingCutShortMissesTheTonesAfterItsEnd) {
  std::vector<std::int16_t> recording = recordingOf(kTones, allAt(30.0), 0.0005);
  // Tone 5 (at 3990 ms) is the last whose search ends before the recording does.
  recording.resize(static_cast<std::size_t>(kStreamOrigin + 4700 * kPerMs));
  const CalibrationResult result = estimateInputDelay(recording, {kStreamOrigin}, kTones);
  EXPECT_EQ(result.tonesHeard(), 5);
  EXPECT_EQ(result.failure, CalibrationFailure::TooFewTonesHeard);
}

// Sounds a calibration on a clock of the test's own, 10 ms a poll, reporting
// stream sample 0 as heard at `origin`, or `moved` later once `movesAtMs` of
// the stream have sounded, as a stream that ran dry that long reports it.
class ScriptedOutput final : public playback::SoundOutput {
 public:
  ScriptedOutput(Clock::time_point& now, Clock::time_point origin, std::int64_t movesAtMs,
                 std::chrono::milliseconds moved)
      : now_(now), origin_(origin), movesAtMs_(movesAtMs), moved_(moved) {}
  void begin(playback::WhileWaiting whileWaiting, playback::Accompaniment,
             playback::StreamSounds) override {
    whileWaiting_ = std::move(whileWaiting);
  }
  bool sound(playback::Tone tone) override {
    for (int ms = 0; ms < tone.durationMs; ms += 10) {
      now_ += std::chrono::milliseconds(10);
      soundedMs_ += 10;
      if (whileWaiting_() != playback::PlayControl::Continue) {
        return false;
      }
    }
    return true;
  }
  void end() override {}
  std::int64_t heardMs() const override { return soundedMs_; }
  Clock::time_point heardOrigin() const override {
    return soundedMs_ >= movesAtMs_ ? origin_ + moved_ : origin_;
  }

 private:
  Clock::time_point& now_;
  Clock::time_point origin_;
  std::int64_t movesAtMs_;
  std::chrono::milliseconds moved_;
  playback::WhileWaiting whileWaiting_;
  std::int64_t soundedMs_ = 0;
};

// The input hears the tones 40 ms later than reported. A stream that runs dry
// before the first tone puts the tones later, and its reports say so: the
// latest report places them. Samples the input lost before the first tone
// put every tone early alike, so only the capture's instant can tell.
TEST(CalibrateInput, GoesByTheLatestReportAndFailsWhenTheInputLostSamples) {
  using std::chrono::milliseconds;
  struct Row {
    const char* what;
    milliseconds ranDry;  // the output's, 300 ms into the stream
    std::optional<FakeSoundInput::Script::Loss> loss;
    std::optional<CalibrationFailure> failure;
    std::int64_t delayMs;
  };
  const Row rows[] = {
      {"steady", milliseconds(0), {}, std::nullopt, 40},
      {"the output ran dry for 30 ms", milliseconds(30), {}, std::nullopt, 40},
      {"30 ms of input lost", milliseconds(0),
       FakeSoundInput::Script::Loss{milliseconds(300), milliseconds(30)},
       CalibrationFailure::InputLostSamples, 0},
  };
  const std::vector<std::uint32_t> script{0, 300, 17, 299, 301, 1000};
  ScriptedDraws toneDraws(script);
  const std::vector<CalibrationTone> tones = calibrationTones(toneDraws);  // the first at 500 ms
  for (const Row& row : rows) {
    SteadyClock::time_point now{};
    const double heardMs = 40.0 + static_cast<double>(row.ranDry.count());
    FakeSoundInput input({.samples = recordingOf(tones, allAt(heardMs), 0.0005), .loss = row.loss},
                         [&] { return now; });
    // The input's sample kStreamOrigin is taken in as stream sample 0 is heard.
    const SteadyClock::time_point origin =
        now + std::chrono::microseconds(kStreamOrigin * 1'000'000 / kRate);
    ScriptedOutput output(now, origin, 300, row.ranDry);
    ScriptedDraws draws(script);
    const CalibrationRun run = calibrateInput(
        output, input, draws, [] { return playback::PlayControl::Continue; }, [&] { return now; });
    EXPECT_EQ(run.result.failure, row.failure) << row.what;
    EXPECT_EQ(run.result.delayMs, row.delayMs) << row.what;
  }
}

}  // namespace
}  // namespace quavern::practice
