// The history at about ten years of daily practice: 100,000 passes of 64 notes each, 2,000
// of them of the one song and passage the chart opens. Goals: storing a pass <= 20 ms,
// the chart's data for 2,000 passes <= 150 ms, the file growing <= 2 KB a pass.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "history/history_store.h"
#include "history/tests/sample_pass.h"

namespace {

using namespace quavern::history;
using testing::minutesAfterStart;
using testing::samplePass;
using testing::songOf;

constexpr int kPassesStored = 100000;
constexpr int kPassesOfChartSong = 2000;
const Passage kChartPassage{5, 8};

SongKey chartSong() {
  return songOf(u"c-e-g-bb", 3);
}

// Every other pass goes in through SQL in one transaction, with the file's durability
// turned off while filling; they are of other songs, so the store's text of a song does not
// matter to them.
void fillOtherSongs(const QString& path, int passes) {
  {
    auto database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
    database.setDatabaseName(path);
    database.open();
    QSqlQuery(database).exec(QStringLiteral("PRAGMA synchronous = OFF"));
    QSqlQuery(database).exec(QStringLiteral("BEGIN"));
    QSqlQuery song(database);
    song.prepare(QStringLiteral("INSERT INTO songs(id, song) VALUES(?, ?)"));
    for (int id = 1000; id < 1050; ++id) {
      song.addBindValue(id);
      song.addBindValue(QStringLiteral("other song %1").arg(id));
      song.exec();
    }
    QSqlQuery pass(database);
    pass.prepare(
        QStringLiteral("INSERT INTO passes(song_id, finished_at, from_bar, to_bar, bpm, instrument,"
                       " pitch_cents, timing_ms, notes_right, notes_judged, on_time)"
                       " VALUES(?, ?, 1, 16, 80, 'C', 50, 80, 50, 64, 40)"));
    QSqlQuery note(database);
    note.prepare(QStringLiteral(
        "INSERT INTO notes(pass_id, bar, note_in_bar, wanted, verdict, heard, timing,"
        " onset_offset_ms) VALUES(?, ?, ?, ?, ?, ?, ?, ?)"));
    const auto shape = samplePass(songOf(u"x"), Passage{1, 16}, minutesAfterStart(0));
    for (int i = 0; i < passes; ++i) {
      pass.addBindValue(1000 + i % 50);
      pass.addBindValue(QVariant::fromValue(minutesAfterStart(i).toMSecsSinceEpoch()));
      pass.exec();
      const qlonglong id = pass.lastInsertId().toLongLong();
      for (const auto& n : shape.notes) {
        note.addBindValue(id);
        note.addBindValue(n.bar);
        note.addBindValue(n.noteInBar);
        note.addBindValue(QString::fromStdU16String(n.wanted));
        note.addBindValue(static_cast<int>(n.verdict));
        note.addBindValue(n.heard ? QVariant(QString::fromStdU16String(*n.heard)) : QVariant());
        note.addBindValue(n.timing ? QVariant(static_cast<int>(*n.timing)) : QVariant());
        note.addBindValue(n.onsetOffsetMs ? QVariant::fromValue(qlonglong{*n.onsetOffsetMs})
                                          : QVariant());
        note.exec();
      }
    }
    QSqlQuery(database).exec(QStringLiteral("COMMIT"));
    QSqlQuery(database).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
  }
  QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

// Bytes the database holds: its pages in use, whether in the file or still in the log.
double bytesInUse(const QString& path) {
  double bytes = 0;
  {
    auto database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("size"));
    database.setDatabaseName(path);
    database.open();
    QSqlQuery query(database);
    query.exec(
        QStringLiteral("SELECT (page_count - freelist_count) * page_size FROM pragma_page_count(),"
                       " pragma_freelist_count(), pragma_page_size()"));
    query.next();
    bytes = query.value(0).toDouble();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("size"));
  return bytes;
}

struct History {
  QTemporaryDir folder;
  QString path = folder.filePath(QStringLiteral("practice.sqlite"));
  std::unique_ptr<HistoryStore> store = std::make_unique<HistoryStore>(path);
  int storedMinutes = 0;

  History() {
    QElapsedTimer timer;
    timer.start();
    store->open();
    for (int i = 0; i < kPassesOfChartSong; ++i) {
      store->storePass(samplePass(chartSong(), kChartPassage, minutesAfterStart(i), i));
    }
    fillOtherSongs(path, kPassesStored - kPassesOfChartSong);
    storedMinutes = kPassesStored;
    std::fprintf(stderr, "filled %d passes in %.1f s, %.0f MB\n", kPassesStored,
                 static_cast<double>(timer.elapsed()) / 1000.0,
                 static_cast<double>(QFileInfo(path).size()) / 1e6);
  }
};

History& history() {
  static History filled;
  return filled;
}

void BM_StorePass(benchmark::State& state) {
  auto& filled = history();
  double worstMs = 0;
  // Passes of another passage, so the chart's song keeps its 2,000.
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    const auto stored = filled.store->storePass(
        samplePass(chartSong(), Passage{1, 16}, minutesAfterStart(filled.storedMinutes++)));
    worstMs = std::max(worstMs, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    if (!stored) {
      state.SkipWithError("store failed");
    }
  }
  state.counters["worst_ms"] = worstMs;
}
BENCHMARK(BM_StorePass)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(200);

void BM_ChartOfTwoThousandPasses(benchmark::State& state) {
  auto& filled = history();
  for (auto _ : state) {
    // A new store, as the window opens the history when it opens.
    HistoryStore store(filled.path);
    const auto passes = store.passes(chartSong(), kChartPassage);
    const auto weakest = store.weakestBars(chartSong(), kChartPassage);
    if (!passes || passes.value().size() != kPassesOfChartSong || !weakest) {
      state.SkipWithError("chart data incomplete");
    }
    benchmark::DoNotOptimize(passes);
  }
}
BENCHMARK(BM_ChartOfTwoThousandPasses)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GrowthPerPass(benchmark::State& state) {
  auto& filled = history();
  constexpr int kPasses = 1000;
  for (auto _ : state) {
    const double before = bytesInUse(filled.path);
    for (int i = 0; i < kPasses; ++i) {
      filled.store->storePass(
          samplePass(chartSong(), Passage{1, 16}, minutesAfterStart(filled.storedMinutes++), i));
    }
    state.counters["bytes_per_pass"] = (bytesInUse(filled.path) - before) / kPasses;
  }
}
BENCHMARK(BM_GrowthPerPass)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
