// Opening the history panel on a song with 2,000 passes: reading them and the weakest
// bars, building the chart and painting it once. Goal: at most 150 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include "app/practice/history_panel.h"
#include "history/tests/sample_pass.h"

namespace {

using namespace quavern;
using history::testing::minutesAfterStart;
using history::testing::samplePass;
using history::testing::songOf;

constexpr int kPasses = 2000;

void BM_OpenPanelOnTwoThousandPasses(benchmark::State& state) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("practice.sqlite"));
  const auto song = songOf(u"c-e-g-bb", 3);
  {
    history::HistoryStore store(path);
    for (int i = 0; i < kPasses; ++i) {
      store.storePass(samplePass(song, history::Passage{5, 8}, minutesAfterStart(i * 1440), i));
    }
  }
  for (auto _ : state) {
    history::HistoryStore store(path);
    HistoryPanel panel(&store);
    panel.resize(640, 480);
    panel.showSong(song.notes, song.chords, 5, 8);
    const QPixmap painted = panel.grab();
    if (panel.chartModel().points.size() != kPasses || painted.isNull()) {
      state.SkipWithError("chart incomplete");
    }
  }
}
BENCHMARK(BM_OpenPanelOnTwoThousandPasses)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
