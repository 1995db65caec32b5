// Measures the cost of judging a practice. The window judges the whole take
// once the pass has ended, so the longest song at the slowest tempo (64 notes
// of 1000 ms) should take well under a second: the goal is 250 ms on one core.
#include <benchmark/benchmark.h>

#include <vector>

#include "music/token_cuts.h"
#include "practice/judge.h"
#include "practice/pitch_detector.h"
#include "practice/testing/synthesised_player.h"

namespace quavern::practice {
namespace {

constexpr int kRate = 48000;

void DetectOneFrame(benchmark::State& state) {
  PitchDetector detector(kRate);
  const std::vector<std::int16_t> samples =
      testing::toSamples(testing::render({.hz = 220.0, .partials = testing::sawtoothPartials(8)},
                                         static_cast<std::int64_t>(detector.frameLength()), kRate));
  for (auto _ : state) {
    benchmark::DoNotOptimize(detector.detect(samples));
  }
}
BENCHMARK(DetectOneFrame)->Unit(benchmark::kMicrosecond);

// Every bar full, a note sung through each slot but a few left out.
void JudgeLongestSongAtSlowestTempo(benchmark::State& state) {
  constexpr std::int32_t kNoteMs = 1000;
  music::NotesTexts notes;
  notes.fill(u"c-e-g-b-");
  const std::vector<music::TokenCut> tokens = music::cutTokens(notes);
  std::vector<testing::SungNote> performance;
  const double scale[] = {60, 64, 67, 71};
  for (std::int64_t k = 0; k < std::ssize(tokens); ++k) {
    if (k % 7 != 3) {
      const std::int64_t from = (kCountInNotes + k) * kNoteMs;
      performance.push_back(
          {from,
           from + kNoteMs,
           {.hz = testing::hzOf(scale[k % 4] - 12), .partials = testing::sawtoothPartials(8)}});
    }
  }
  const std::int64_t lengthMs = (kCountInNotes + std::ssize(tokens)) * kNoteMs;
  const std::vector<std::int16_t> input =
      testing::toSamples(testing::perform(performance, lengthMs, kRate));
  for (auto _ : state) {
    benchmark::DoNotOptimize(judgeTake(tokens, kNoteMs, {input, kRate, 0}));
  }
}
BENCHMARK(JudgeLongestSongAtSlowestTempo)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quavern::practice

BENCHMARK_MAIN();
