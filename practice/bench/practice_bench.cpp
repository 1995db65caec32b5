// Measures the cost of judging a practice. The window judges the whole take
// once the pass has ended, so the longest song at the slowest tempo (64 notes
// of 1000 ms) should take well under a second: the goal is 250 ms on one core.
// The live analyser runs while the player plays: its share of one core and the
// delay from a sound entering it to that sound's pitch frame (the trace's part
// of the 100 ms goal from the microphone to the screen).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "music/token_cuts.h"
#include "practice/audio_analyser.h"
#include "practice/judge.h"
#include "practice/pass_judge.h"
#include "practice/pitch_class.h"
#include "practice/pitch_detector.h"
#include "practice/risen_note.h"
#include "practice/testing/pass_helpers.h"
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

// A note that rose over the last one's ring: the judge searches every note
// of the range for the harmonics that rose from 150 ms of the last slot to
// 300 ms of this one's middle, the most it reads at any tempo. Against a slot
// of 500 ms (120 BPM) its time is its share of one core, when every slot
// needs it.
void FindRisenNote(benchmark::State& state) {
  constexpr std::int64_t kMs = kRate / 1000;
  const std::vector<testing::SungNote> notes = {
      {0, 1000, {.hz = testing::hzOf(53), .partials = testing::sawtoothPartials(8)}},
      {500, 1000, {.hz = testing::hzOf(75), .partials = {0.4, 1.0, 0.3}}}};
  const std::vector<std::int16_t> input = testing::toSamples(testing::perform(notes, 1000, kRate));
  const SampleWindow window{input, 0};
  for (auto _ : state) {
    benchmark::DoNotOptimize(risenNote(window, 100 * kMs, 250 * kMs, 625 * kMs, 925 * kMs,
                                       testing::hzOf(53), std::nullopt, PitchDetector::kLowestHz,
                                       PitchDetector::kHighestHz, kRate));
  }
}
BENCHMARK(FindRisenNote)->Unit(benchmark::kMillisecond);

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

// A melody from a bass's low E to a flute's C7, each note following the last
// without a gap, 300 ms a note.
constexpr double kMelodyKeys[] = {28, 40, 45, 52, 57, 64, 69, 76, 81, 88, 93, 96};
constexpr std::int64_t kMelodyNoteMs = 300;

std::vector<std::int16_t> rangeMelody() {
  std::vector<testing::SungNote> notes;
  for (std::size_t k = 0; k < std::size(kMelodyKeys); ++k) {
    const auto from = static_cast<std::int64_t>(k) * kMelodyNoteMs;
    notes.push_back(
        {from,
         from + kMelodyNoteMs,
         {.hz = testing::hzOf(kMelodyKeys[k]), .partials = testing::sawtoothPartials(6)}});
  }
  return testing::toSamples(testing::perform(
      notes, static_cast<std::int64_t>(std::size(kMelodyKeys)) * kMelodyNoteMs, kRate));
}

// Fed 10 ms at a time, as the input delivers it. Real time per second of sound
// is the share of one core; the goal for the whole practice is 15%.
void AnalyseLiveInput(benchmark::State& state) {
  const std::vector<std::int16_t> input = rangeMelody();
  constexpr std::size_t kChunk = 480;
  for (auto _ : state) {
    AudioAnalyser analyser;
    Performance performance;
    for (std::size_t at = 0; at + kChunk <= input.size(); at += kChunk) {
      analyser.feed(std::span(input).subspan(at, kChunk), performance);
    }
    benchmark::DoNotOptimize(performance.frames.data());
  }
  const double seconds = static_cast<double>(input.size()) / kRate;
  state.counters["sound_s"] = seconds;
  state.counters["core_share"] =
      benchmark::Counter(seconds * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(AnalyseLiveInput)->Unit(benchmark::kMillisecond);

// From each note's start to the first frame that names its pitch, counting the
// samples the analyser must have been fed for that frame and the wait for the
// 10 ms chunk that brings them; the input's own buffering comes on top.
void TraceLatency(benchmark::State& state) {
  const std::vector<std::int16_t> input = rangeMelody();
  const AudioAnalyser analyser;
  double worstMs = 0.0;
  double sumMs = 0.0;
  for (auto _ : state) {
    const Performance performance = testing::analyse(input, 480);
    worstMs = 0.0;
    sumMs = 0.0;
    for (std::size_t k = 0; k < std::size(kMelodyKeys); ++k) {
      const std::int64_t start = static_cast<std::int64_t>(k) * kMelodyNoteMs * kRate / 1000;
      const auto heard = std::ranges::find_if(performance.frames, [&](const PitchFrame& frame) {
        return frame.sample >= start && frame.hz &&
               std::abs(semitonesOf(*frame.hz) - kMelodyKeys[k]) < 0.5;
      });
      if (heard == performance.frames.end()) {
        state.SkipWithError("a note's pitch never showed");
        return;
      }
      const std::int64_t fed = heard->sample + analyser.frameLatencySamples();
      const std::int64_t delivered = (fed + 479) / 480 * 480;
      const double ms = static_cast<double>(delivered - start) * 1000.0 / kRate;
      worstMs = std::max(worstMs, ms);
      sumMs += ms;
    }
  }
  state.counters["mean_ms"] = sumMs / static_cast<double>(std::size(kMelodyKeys));
  state.counters["worst_ms"] = worstMs;
  state.counters["frame_latency_ms"] =
      static_cast<double>(analyser.frameLatencySamples()) * 1000.0 / kRate;
  state.counters["coverage_lag_ms"] =
      static_cast<double>(analyser.coverageLagSamples()) * 1000.0 / kRate;
}
BENCHMARK(TraceLatency)->Unit(benchmark::kMillisecond)->Iterations(1);

// From the end of a pass of eight sung notes to the moment its last verdict is
// ready, fed 10 ms at a time, at the tempo given in BPM: the goal is 100 ms.
void PassResultDelay(benchmark::State& state) {
  const std::int64_t noteMs = 60000 / state.range(0);
  const std::vector<music::TokenCut> tokens =
      music::cutTokens(music::NotesTexts{u"c-e-g-b-c-e-g-b-"});
  const double scale[] = {60, 64, 67, 71};
  std::vector<testing::SungNote> notes;
  for (std::int64_t k = 0; k < std::ssize(tokens); ++k) {
    const std::int64_t from = (kCountInNotes + k) * noteMs;
    notes.push_back(
        {from,
         from + noteMs * 9 / 10,
         {.hz = testing::hzOf(scale[k % 4]), .partials = testing::sawtoothPartials(8)}});
  }
  const std::int64_t passEndMs = (kCountInNotes + std::ssize(tokens)) * noteMs;
  const std::vector<std::int16_t> input =
      testing::toSamples(testing::perform(notes, passEndMs + 1000, kRate));
  constexpr std::size_t kChunk = 480;
  double delayMs = 0.0;
  for (auto _ : state) {
    PassJudge judge(testing::slotsOf(tokens, noteMs), {}, {0});
    AudioAnalyser analyser;
    Performance performance;
    std::size_t at = 0;
    for (; at < input.size() && !judge.finished(); at += kChunk) {
      analyser.feed(std::span(input).subspan(at, std::min(kChunk, input.size() - at)), performance);
      judge.update(performance);
    }
    delayMs = static_cast<double>(at) * 1000.0 / kRate - static_cast<double>(passEndMs);
  }
  state.counters["delay_ms"] = delayMs;
}
BENCHMARK(PassResultDelay)->Arg(60)->Arg(120)->Arg(240)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quavern::practice

BENCHMARK_MAIN();
