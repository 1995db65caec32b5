// Measures playback: synthesis cost, and the timing of long tone sequences
// through the silent clock and the real sound device. For the device figures
// run it through run_playback_bench.sh, which starts a private PulseAudio and
// then a private PipeWire server, each with a null sink whose monitor is
// recorded.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "playback/audio_sink_output.h"
#include "playback/silent_clock_output.h"
#include "playback/testing/monitor_recorder.h"
#include "playback/testing/recording_analysis.h"
#include "playback/tone_synth.h"

namespace quavern::playback {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRate = AudioSinkOutput::kSampleRate;

// A long, uneven sequence: durations that are not whole multiples of one
// another, and equal neighbours, so drift and lost boundaries would show.
std::vector<Tone> longSequence(int count) {
  const int frequencies[] = {349, 523, 523, 659, 784, 1047, 988, 880, 880, 587};
  const int durations[] = {83, 67, 100, 117};
  std::vector<Tone> tones;
  for (int k = 0; k < count; ++k) {
    tones.push_back({frequencies[k % 10], durations[k % 4]});
  }
  return tones;
}

struct CallTiming {
  double worstDeviationMs = 0.0;
  double worstDeviationAfterFirstMs = 0.0;  // the first call only fills the buffer
  double totalMs = 0.0;
};

CallTiming playTimed(SoundOutput& output, const std::vector<Tone>& tones) {
  CallTiming timing;
  const Clock::time_point start = Clock::now();
  output.begin({});
  for (std::size_t k = 0; k < tones.size(); ++k) {
    const Clock::time_point before = Clock::now();
    output.sound(tones[k]);
    const std::chrono::duration<double, std::milli> took = Clock::now() - before;
    const double deviation = std::abs(took.count() - tones[k].durationMs);
    timing.worstDeviationMs = std::max(timing.worstDeviationMs, deviation);
    if (k > 0) {
      timing.worstDeviationAfterFirstMs = std::max(timing.worstDeviationAfterFirstMs, deviation);
    }
  }
  output.end();
  timing.totalMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  return timing;
}

double sumMs(const std::vector<Tone>& tones) {
  double sum = 0.0;
  for (const Tone& tone : tones) {
    sum += tone.durationMs;
  }
  return sum;
}

void BM_RenderOneSecondOfAudio(benchmark::State& state) {
  ToneSynth synth(kRate);
  std::vector<std::int16_t> buffer(kRate / 10);
  for (auto _ : state) {
    synth.reset();
    for (int tenth = 0; tenth < 10; ++tenth) {
      synth.startTone({880, 100});
      synth.render(buffer);
      benchmark::DoNotOptimize(buffer.data());
    }
  }
  state.counters["audio_s_per_cpu_s"] =
      benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_RenderOneSecondOfAudio)->Unit(benchmark::kMicrosecond);

void BM_SilentClockLongSequence(benchmark::State& state) {
  const std::vector<Tone> tones = longSequence(200);
  for (auto _ : state) {
    SilentClockOutput output;
    const CallTiming timing = playTimed(output, tones);
    state.counters["tones"] = static_cast<double>(tones.size());
    state.counters["end_late_ms"] = timing.totalMs - sumMs(tones);
    state.counters["worst_call_dev_ms"] = timing.worstDeviationMs;
  }
}
BENCHMARK(BM_SilentClockLongSequence)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_AudioSinkLongSequence(benchmark::State& state) {
  const std::vector<Tone> tones = longSequence(240);
  for (auto _ : state) {
    testing::MonitorRecorder recorder(QDir::temp().filePath("quavern-bench.raw"));
    if (!recorder.start()) {
      state.SkipWithError("no sound server to record from: use run_playback_bench.sh");
      return;
    }
    AudioSinkOutput output;
    const CallTiming timing = playTimed(output, tones);
    QThread::msleep(300);
    const std::vector<std::int16_t> recording = recorder.stop();
    const testing::RecordingReport report = testing::analyseRecording(recording, tones, kRate);
    if (output.fallback() != AudioSinkOutput::Fallback::None || report.origin < 0) {
      state.SkipWithError("the sink did not play, or the play was not found in the recording");
      return;
    }
    std::int64_t worstShift = 0;
    for (const testing::ToneReport& tone : report.tones) {
      worstShift = std::max(worstShift, std::abs(tone.shift));
    }
    state.counters["tones"] = static_cast<double>(tones.size());
    state.counters["granted_buffer_ms"] = output.grantedBufferMs();
    state.counters["gaps"] = static_cast<double>(report.gaps.size());
    state.counters["onset_drift_samples"] =
        static_cast<double>(report.tones.back().shift - report.tones.front().shift);
    state.counters["worst_onset_error_samples"] = static_cast<double>(worstShift);
    state.counters["worst_call_dev_ms"] = timing.worstDeviationMs;
    state.counters["worst_call_dev_after_first_ms"] = timing.worstDeviationAfterFirstMs;
    state.counters["end_late_ms"] = timing.totalMs - sumMs(tones);
    // 0 or 1 (rounding) when the last tone came out whole; 0 when nothing followed it.
    state.counters["last_tone_worst_diff"] = report.lastToneWorstDifference;
    state.counters["peak_after_end"] = report.peakAfterEnd;
  }
}
BENCHMARK(BM_AudioSinkLongSequence)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quavern::playback

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
