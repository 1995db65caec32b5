// What a practice costs while the lane runs, and how soon a sung note reaches
// the screen: a practice window hears a prepared performance through the
// test microphone, in real time, with the silent clock as output. Run headless:
//   QT_QPA_PLATFORM=offscreen practice_bench
// Counters: trace_lag_mean_ms and trace_lag_worst_ms, from the first sample of
// a note reaching the input to "Heard" naming it; cpu_share, the process's
// processor time over the practice's wall time (1 is one whole core).
#include <benchmark/benchmark.h>
#include <time.h>

#include <QApplication>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <numeric>

#include "app/practice/practice_window.h"
#include "app/tform2.h"
#include "playback/silent_clock_output.h"
#include "practice/fake_sound_input.h"
#include "practice/pitch_class.h"
#include "practice/testing/synthesised_player.h"

namespace {

using namespace quavern;
using Clock = std::chrono::steady_clock;

constexpr int kRate = 48000;
constexpr std::int64_t kBeatMs = 500;  // 120 BPM
const std::vector<double> kSemitones{60, 64, 67, 70, 69, 65, 62, 71};

double processSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

template <typename Control>
Control* named(QWidget& window, const QString& accessibleName) {
  for (auto* control : window.findChildren<Control*>()) {
    if (control->accessibleName() == accessibleName) {
      return control;
    }
  }
  return nullptr;
}

void PracticeWhileTheLaneRuns(benchmark::State& state) {
  // Four bars sung twice over, each note from 30 ms into its beat, a short
  // breath between notes so that each is a new reading.
  std::vector<practice::testing::SungNote> sung;
  const std::int64_t passes = 2;
  for (std::int64_t k = 0; k < 16 * passes; ++k) {
    const std::int64_t slot = (4 + k) * kBeatMs;
    const double semitones = kSemitones[static_cast<std::size_t>(k) % kSemitones.size()];
    sung.push_back({slot + 30,
                    slot + kBeatMs - 60,
                    {.hz = practice::testing::hzOf(semitones),
                     .partials = practice::testing::sawtoothPartials(5)}});
  }
  const std::int64_t lengthMs = (4 + 16 * passes + 2) * kBeatMs;
  const auto samples =
      practice::testing::toSamples(practice::testing::perform(sung, lengthMs, kRate));

  for (auto _ : state) {
    QTemporaryDir settings;
    practice::FakeSoundInput* microphone = nullptr;
    TForm2Services services;
    services.sound = std::make_unique<playback::SilentClockOutput>();
    services.preferencesFile = settings.filePath("quavern.ini");
    services.microphone = [&] {
      auto input = std::make_unique<practice::FakeSoundInput>(
          practice::FakeSoundInput::Script{.samples = samples});
      microphone = input.get();
      return input;
    };
    TForm2 window(std::move(services));
    for (int bar = 0; bar < 4; ++bar) {
      window.findChild<QLineEdit*>(QString("Edit%1").arg(bar + 1))->setText("c-e-g-bba-f-d-b-");
    }
    window.show();
    window.Practise();
    PracticeWindow& practiceWindow = *window.practiceWindow();
    named<QSpinBox>(practiceWindow, "To bar")->setValue(4);
    named<QSpinBox>(practiceWindow, "Tempo")->setValue(120);
    named<QSpinBox>(practiceWindow, "Passes")->setValue(static_cast<int>(passes));

    std::vector<std::pair<Clock::time_point, QString>> readings;
    auto* heard = named<QLineEdit>(practiceWindow, "Heard");
    QObject::connect(heard, &QLineEdit::textChanged,
                     [&](const QString& text) { readings.emplace_back(Clock::now(), text); });
    const double cpuBefore = processSeconds();
    const auto wallBefore = Clock::now();
    practiceWindow.start();
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    const double cpu = processSeconds() - cpuBefore;

    // Each note's first sample entered the input at the microphone's start
    // plus its place in the take; it is on screen when "Heard" first names it.
    std::vector<double> lags;
    const Clock::time_point takeStart = *microphone->firstSampleCapturedAt();
    for (const auto& note : sung) {
      const auto entered = takeStart + std::chrono::milliseconds(note.fromMs);
      const std::string name(practice::flatSpelling(practice::nearestPitchClass(note.voice.hz)));
      const auto shown = std::find_if(readings.begin(), readings.end(), [&](const auto& reading) {
        return reading.first >= entered && reading.second.startsWith(QString::fromStdString(name));
      });
      if (shown != readings.end()) {
        lags.push_back(std::chrono::duration<double, std::milli>(shown->first - entered).count());
      }
    }
    state.SetIterationTime(wall);
    state.counters["notes_shown"] = static_cast<double>(lags.size());
    state.counters["notes_sung"] = static_cast<double>(sung.size());
    state.counters["trace_lag_mean_ms"] =
        lags.empty()
            ? -1
            : std::accumulate(lags.begin(), lags.end(), 0.0) / static_cast<double>(lags.size());
    state.counters["trace_lag_worst_ms"] =
        lags.empty() ? -1 : *std::max_element(lags.begin(), lags.end());
    state.counters["cpu_share"] = cpu / wall;
  }
}
BENCHMARK(PracticeWhileTheLaneRuns)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
