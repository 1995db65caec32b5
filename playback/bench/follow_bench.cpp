// Measures following a play and stopping it, through the real sound device:
// how far the follow-along mark lags behind the sound as it is played, and how
// soon after Escape the sound ends. Run through run_playback_bench.sh, which
// starts a private sound server with a null sink whose monitor is recorded.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "music/token_cuts.h"
#include "playback/audio_sink_output.h"
#include "playback/follow_along.h"
#include "playback/play.h"
#include "playback/testing/recording_analysis.h"
#include "playback/testing/stamped_monitor.h"
#include "playback/tone_synth.h"

namespace quavern::playback {
namespace {

using Clock = std::chrono::steady_clock;
using testing::StampedMonitor;

constexpr int kRate = AudioSinkOutput::kSampleRate;
constexpr int kTempo120 = 3;  // 500 ms a note

double msBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

music::NotesTexts fullSong() {
  const std::u16string bars[] = {u"c-e-g-bb", u"a-c-e-g-", u"f-a-C-eb", u"g-b-d-f-"};
  music::NotesTexts notes;
  for (std::size_t bar = 0; bar < notes.size(); ++bar) {
    notes[bar] = bars[bar % 4];
  }
  return notes;
}

// As the window's event loop would, so a stopped play can play out its end.
void keepRecordingFor(StampedMonitor& monitor, int ms) {
  for (int waited = 0; waited < ms; waited += 5) {
    QThread::msleep(5);
    QCoreApplication::processEvents();
    monitor.poll();
  }
}

// The moment each tone of the play was first shown as heard.
void BM_MarkLagBehindTheHeardSound(benchmark::State& state) {
  const music::NotesTexts notes = fullSong();
  const std::size_t tokens = music::cutTokens(notes).size();
  for (auto _ : state) {
    StampedMonitor monitor;
    if (!monitor.start()) {
      state.SkipWithError("no sound server to record from: use run_playback_bench.sh");
      return;
    }
    AudioSinkOutput output;
    PlayState playState;
    std::vector<Clock::time_point> shownAt(4 + tokens);
    std::int64_t shownTone = -1;
    play(notes, kTempo120, playState, output, [&] {
      monitor.poll();
      const std::int64_t tone = output.heardMs() / playState.t;
      if (tone != shownTone && tone < std::ssize(shownAt)) {
        shownTone = tone;
        shownAt[static_cast<std::size_t>(tone)] = Clock::now();
      }
      return PlayControl::Continue;
    });
    keepRecordingFor(monitor, 300);
    monitor.stop();

    const auto schedule = playSchedule(notes, kTempo120, 1);
    const testing::RecordingReport report =
        testing::analyseRecording(monitor.samples(), schedule, kRate);
    if (output.fallback() != AudioSinkOutput::Fallback::None || report.origin < 0) {
      state.SkipWithError("the sink did not play, or the play was not found in the recording");
      return;
    }
    double sum = 0.0;
    double worst = 0.0;
    double earliest = 1e9;
    for (std::size_t tone = 4; tone < shownAt.size(); ++tone) {
      const auto startSample = sampleAtMs(static_cast<std::int64_t>(tone) * playState.t, kRate);
      const double lag = msBetween(monitor.timeOf(report.origin + startSample), shownAt[tone]);
      sum += lag;
      worst = std::max(worst, lag);
      earliest = std::min(earliest, lag);
    }
    state.counters["marked_tones"] = static_cast<double>(tokens);
    state.counters["mean_lag_ms"] = sum / static_cast<double>(tokens);
    state.counters["worst_lag_ms"] = worst;
    state.counters["earliest_ms"] = earliest;
  }
}
BENCHMARK(BM_MarkLagBehindTheHeardSound)->Iterations(1)->Unit(benchmark::kMillisecond);

std::int64_t lastLoudSample(const std::vector<std::int16_t>& samples) {
  for (auto i = std::ssize(samples) - 1; i >= 0; --i) {
    if (std::abs(samples[static_cast<std::size_t>(i)]) > testing::kSilenceThreshold) {
      return i;
    }
  }
  return -1;
}

// From the key to the last sample heard, and to the window taking input again.
void BM_EscapeEndsThePlay(benchmark::State& state) {
  music::NotesTexts notes;
  notes.fill(u"a-C-e-a-");
  for (auto _ : state) {
    StampedMonitor monitor;
    if (!monitor.start()) {
      state.SkipWithError("no sound server to record from: use run_playback_bench.sh");
      return;
    }
    AudioSinkOutput output;
    PlayState playState;
    Clock::time_point escapeAt{};
    const Clock::time_point start = Clock::now();
    const PlayOutcome outcome = play(notes, 0, playState, output, [&] {
      monitor.poll();
      if (escapeAt == Clock::time_point{} &&
          Clock::now() - start > std::chrono::milliseconds(6300)) {
        escapeAt = Clock::now();
      }
      return escapeAt == Clock::time_point{} ? PlayControl::Continue : PlayControl::Stop;
    });
    const Clock::time_point returnedAt = Clock::now();
    keepRecordingFor(monitor, 800);
    monitor.stop();

    const std::int64_t last = lastLoudSample(monitor.samples());
    if (outcome != PlayOutcome::EndedEarly || last < 0 ||
        output.fallback() != AudioSinkOutput::Fallback::None) {
      state.SkipWithError("the play did not sound, or did not end early");
      return;
    }
    // A fade, not a cut: the last samples step no more than a steady tone does.
    const auto& samples = monitor.samples();
    const auto tail = std::span(samples).subspan(
        static_cast<std::size_t>(std::max<std::int64_t>(last - kRate / 10, 0)),
        static_cast<std::size_t>(std::min<std::int64_t>(kRate / 10 + 1, last + 1)));
    state.counters["key_to_last_sample_ms"] = msBetween(escapeAt, monitor.timeOf(last));
    state.counters["key_to_input_again_ms"] = msBetween(escapeAt, returnedAt);
    state.counters["largest_step_at_end"] = testing::largestStep(tail);
    state.counters["steepest_steady_step"] =
        ToneSynth::kLevel * 32767.0 * 2.0 * 3.14159265 * 1047.0 / kRate;
  }
}
BENCHMARK(BM_EscapeEndsThePlay)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quavern::playback
