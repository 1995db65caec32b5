#include "history/history_store.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QVariant>
#include <string>
#include <vector>

#include "history/history_messages.h"
#include "history/passes_csv.h"
#include "history/practise_range.h"
#include "history/tests/sample_pass.h"
#include "music/chords.h"

namespace quavern::history {
namespace {

using testing::minutesAfterStart;
using testing::samplePass;
using testing::songOf;

const Passage kWholeSong{1, 16};

class HistoryStoreTest : public ::testing::Test {
 protected:
  QString file(const QString& name = QStringLiteral("practice.sqlite")) const {
    return folder_.filePath(name);
  }

  QTemporaryDir folder_;
};

QByteArray contentsOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs SQL on a file behind the store's back, as another program (or an older Quavern)
// would; returns the first column of the last row.
QVariant rawSql(const QString& path, const QStringList& statements) {
  QVariant last;
  {
    auto database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
    database.setDatabaseName(path);
    EXPECT_TRUE(database.open());
    for (const auto& statement : statements) {
      QSqlQuery query(database);
      EXPECT_TRUE(query.exec(statement)) << statement.toStdString();
      while (query.next()) {
        last = query.value(0);
      }
    }
  }
  QSqlDatabase::removeDatabase(QStringLiteral("raw"));
  return last;
}

std::vector<PassSummary> passesOf(HistoryStore& history, const SongKey& song, Passage passage) {
  auto passes = history.passes(song, passage);
  EXPECT_TRUE(passes.ok()) << passes.error().reason.toStdString();
  return passes.ok() ? passes.value() : std::vector<PassSummary>{};
}

TEST_F(HistoryStoreTest, APassComesBackAsStored) {
  HistoryStore history(file());
  PassRecord pass;
  pass.song = songOf(u"c-e-g-bb", 5);
  pass.song.notes[3] = u"dö#-x";  // hand-typed text, not a valid bar: kept as typed
  pass.song.chords[9] = music::kNoChord;
  pass.summary.finishedAt = minutesAfterStart(3).addMSecs(417);
  pass.summary.passage = Passage{4, 6};
  pass.summary.bpm = 97;
  pass.summary.instrument = u"E flat";
  pass.summary.pitchWithinCents = 20.0;
  pass.summary.onTimeWithinMs = 40;
  pass.summary.counts = PassCounts{3, 5, 1};
  pass.notes = {
      {4, 1, u"c-", NoteVerdict::kRight, u"c-", NoteTiming::kOnTime, -7},
      {4, 2, u"e-", NoteVerdict::kRight, u"e-", NoteTiming::kLate, 131},
      {5, 1, u"g-", NoteVerdict::kWrong, u"gb", {}, {}},
      {5, 2, u"dö", NoteVerdict::kMissed, {}, {}, {}},
      {6, 1, u"bb", NoteVerdict::kRight, u"bb", NoteTiming::kEarly, -95},
  };
  ASSERT_TRUE(history.storePass(pass).ok());

  const auto passes = passesOf(history, pass.song, pass.summary.passage);
  ASSERT_EQ(passes.size(), 1u);
  auto expected = pass.summary;
  expected.id = passes[0].id;
  EXPECT_EQ(passes[0], expected);
  EXPECT_EQ(passes[0].finishedAt.timeZone(), QTimeZone::utc());
  const auto notes = history.notesOfPass(passes[0].id);
  ASSERT_TRUE(notes.ok());
  EXPECT_EQ(notes.value(), pass.notes);
  // And through a new connection, as the next start of the program reads it.
  HistoryStore reopened(file());
  EXPECT_EQ(passesOf(reopened, pass.song, pass.summary.passage), passes);
}

TEST_F(HistoryStoreTest, ASongIsTheSameSongOnlyWhenEveryNoteAndChordIs) {
  const SongKey stored = songOf(u"c-e-g-bb");
  struct Row {
    const char* what;
    SongKey song;
    bool same;
  };
  std::vector<Row> rows;
  rows.push_back({"opened again", songOf(u"c-e-g-bb"), true});
  rows.push_back({"one note changed", stored, false});
  rows.back().song.notes[15] = u"c-e-g-b-";
  rows.push_back({"one chord changed", stored, false});
  rows.back().song.chords[0] = 1;
  rows.push_back({"a chord unset", stored, false});
  rows.back().song.chords[7] = music::kNoChord;
  // The same characters joined, split differently between two bars.
  rows.push_back({"notes moved to the next bar", stored, false});
  rows.back().song.notes[0] = u"c-e-g-bbc-";
  rows.back().song.notes[1] = u"e-g-bb";
  rows.push_back({"upper case", songOf(u"C-e-g-bb"), false});

  HistoryStore history(file());
  ASSERT_TRUE(history.storePass(samplePass(stored, kWholeSong, minutesAfterStart(0))).ok());
  for (const auto& row : rows) {
    EXPECT_EQ(passesOf(history, row.song, kWholeSong).size(), row.same ? 1u : 0u) << row.what;
  }
}

TEST_F(HistoryStoreTest, PassesAreOfOnePassageOldestFirst) {
  HistoryStore history(file());
  const auto song = songOf(u"c-e-g-bb");
  for (const int minute : {30, 10, 20}) {
    ASSERT_TRUE(history.storePass(samplePass(song, Passage{5, 8}, minutesAfterStart(minute))).ok());
  }
  ASSERT_TRUE(history.storePass(samplePass(song, Passage{5, 9}, minutesAfterStart(0))).ok());

  const auto passes = passesOf(history, song, Passage{5, 8});
  ASSERT_EQ(passes.size(), 3u);
  EXPECT_EQ(passes[0].finishedAt, minutesAfterStart(10));
  EXPECT_EQ(passes[2].finishedAt, minutesAfterStart(30));
  const auto all = history.passesOfSong(song);
  ASSERT_TRUE(all.ok());
  ASSERT_EQ(all.value().size(), 4u);
  EXPECT_EQ(all.value()[0].passage, (Passage{5, 9}));
}

// A pass over bars 3 to 6 with the given number of wrong notes in bar 4, late ones in bar
// 5 and missed ones in bar 3.
PassRecord passWithFaults(const SongKey& song, int minute, int wrongIn4, int lateIn5,
                          int missedIn3) {
  PassRecord pass;
  pass.song = song;
  pass.summary.finishedAt = minutesAfterStart(minute);
  pass.summary.passage = Passage{3, 6};
  for (int bar = 3; bar <= 6; ++bar) {
    for (int note = 1; note <= 4; ++note) {
      NoteRecord record{bar, note, u"c-", NoteVerdict::kRight, u"c-", NoteTiming::kOnTime, 0};
      if (bar == 4 && note <= wrongIn4) {
        record = NoteRecord{bar, note, u"c-", NoteVerdict::kWrong, u"d-", {}, {}};
      } else if (bar == 5 && note <= lateIn5) {
        record.timing = NoteTiming::kLate;
      } else if (bar == 3 && note <= missedIn3) {
        record = NoteRecord{bar, note, u"c-", NoteVerdict::kMissed, {}, {}, {}};
      }
      pass.notes.push_back(record);
    }
  }
  return pass;
}

TEST_F(HistoryStoreTest, WeakestBarsCountTheLastTwentyPasses) {
  HistoryStore history(file());
  const auto song = songOf(u"c-e-g-bb");
  // Five old passes with bar 3 missed throughout, then twenty with bar 4 twice wrong and
  // bar 5 once late; a pass of another passage with everything in bar 6 wrong.
  for (int minute = 0; minute < 5; ++minute) {
    ASSERT_TRUE(history.storePass(passWithFaults(song, minute, 0, 0, 4)).ok());
  }
  for (int minute = 5; minute < 25; ++minute) {
    ASSERT_TRUE(history.storePass(passWithFaults(song, minute, 2, 1, 0)).ok());
  }
  auto other = passWithFaults(song, 30, 0, 0, 0);
  other.summary.passage = Passage{3, 7};
  for (auto& note : other.notes) {
    note.verdict = NoteVerdict::kWrong;
  }
  ASSERT_TRUE(history.storePass(other).ok());

  const auto weakest = history.weakestBars(song, Passage{3, 6});
  ASSERT_TRUE(weakest.ok());
  EXPECT_EQ(weakest.value(), (std::vector<WeakBar>{{4, 40, 0}, {5, 0, 20}}));

  // One more pass pushes the oldest of the twenty out; equal counts list in bar order.
  ASSERT_TRUE(history.storePass(passWithFaults(song, 40, 0, 4, 2)).ok());
  const auto after = history.weakestBars(song, Passage{3, 6});
  ASSERT_TRUE(after.ok());
  EXPECT_EQ(after.value(), (std::vector<WeakBar>{{4, 38, 0}, {5, 0, 23}, {3, 2, 0}}));
}

TEST_F(HistoryStoreTest, ForgettingASongKeepsTheOthers) {
  HistoryStore history(file());
  const auto forgotten = songOf(u"c-e-g-bb");
  const auto kept = songOf(u"d-f-a-c-");
  ASSERT_TRUE(history.storePass(samplePass(forgotten, kWholeSong, minutesAfterStart(0))).ok());
  ASSERT_TRUE(history.storePass(samplePass(forgotten, Passage{2, 3}, minutesAfterStart(1))).ok());
  ASSERT_TRUE(history.storePass(samplePass(kept, kWholeSong, minutesAfterStart(2))).ok());
  const auto forgottenId = passesOf(history, forgotten, kWholeSong).at(0).id;

  ASSERT_TRUE(history.forgetSong(forgotten).ok());
  EXPECT_TRUE(history.passesOfSong(forgotten).value().empty());
  EXPECT_TRUE(history.notesOfPass(forgottenId).value().empty());
  EXPECT_EQ(passesOf(history, kept, kWholeSong).size(), 1u);
  EXPECT_EQ(rawSql(file(), {QStringLiteral("SELECT COUNT(*) FROM notes")}).toInt(), 64);
  EXPECT_EQ(rawSql(file(), {QStringLiteral("SELECT COUNT(*) FROM songs")}).toInt(), 1);
  EXPECT_TRUE(history.forgetSong(forgotten).ok());  // forgetting again is no error
}

TEST_F(HistoryStoreTest, AVersionOneFileIsMigratedWithItsPasses) {
  // The file exactly as version 1 wrote it: no instrument column, no passage index.
  const QString song =
      QStringLiteral("8:c-e-g-bb").repeated(16) + QStringLiteral(",0").repeated(16);
  rawSql(file(),
         {QStringLiteral("CREATE TABLE songs(id INTEGER PRIMARY KEY, song TEXT NOT NULL UNIQUE)"),
          QStringLiteral(
              "CREATE TABLE passes(id INTEGER PRIMARY KEY, song_id INTEGER NOT NULL REFERENCES "
              "songs(id), finished_at INTEGER NOT NULL, from_bar INTEGER NOT NULL, to_bar "
              "INTEGER NOT NULL, bpm INTEGER NOT NULL, pitch_cents REAL NOT NULL, timing_ms "
              "INTEGER NOT NULL, notes_right INTEGER NOT NULL, notes_judged INTEGER NOT NULL, "
              "on_time INTEGER NOT NULL)"),
          QStringLiteral(
              "CREATE TABLE notes(pass_id INTEGER NOT NULL REFERENCES passes(id), bar INTEGER "
              "NOT NULL, note_in_bar INTEGER NOT NULL, wanted TEXT NOT NULL, verdict INTEGER "
              "NOT NULL, heard TEXT, timing INTEGER, onset_offset_ms INTEGER, PRIMARY "
              "KEY(pass_id, bar, note_in_bar)) WITHOUT ROWID"),
          QStringLiteral("INSERT INTO songs VALUES(1, '%1')").arg(song),
          QStringLiteral("INSERT INTO passes VALUES(7, 1, %1, 2, 2, 80, 50, 80, 1, 2, 1)")
              .arg(minutesAfterStart(0).toMSecsSinceEpoch()),
          QStringLiteral("INSERT INTO notes VALUES(7, 2, 1, 'c-', 0, 'c-', 0, 15)"),
          QStringLiteral("INSERT INTO notes VALUES(7, 2, 2, 'e-', 2, NULL, NULL, NULL)"),
          QStringLiteral("PRAGMA user_version = 1")});

  HistoryStore history(file());
  const auto passes = passesOf(history, songOf(u"c-e-g-bb"), Passage{2, 2});
  ASSERT_EQ(passes.size(), 1u);
  EXPECT_EQ(passes[0].id, 7);
  EXPECT_EQ(passes[0].instrument, u"C");  // version 1 knew only concert pitch
  EXPECT_EQ(passes[0].counts, (PassCounts{1, 2, 1}));
  EXPECT_EQ(history.notesOfPass(7).value().size(), 2u);
  EXPECT_TRUE(
      history.storePass(samplePass(songOf(u"c-e-g-bb"), Passage{2, 2}, minutesAfterStart(1))).ok());
  EXPECT_EQ(rawSql(file(), {QStringLiteral("PRAGMA user_version")}).toInt(), kSchemaVersion);
  EXPECT_EQ(rawSql(file(), {QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name = "
                                           "'passes_by_passage'")})
                .toInt(),
            1);
}

TEST_F(HistoryStoreTest, AFileThatCannotBeUsedIsReportedAndLeftAlone) {
  struct Row {
    const char* what;
    QString path;
    HistoryErrorKind kind;
  };
  // Not a database: text where SQLite expects its header.
  QFile text(file(QStringLiteral("notes.sqlite")));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write(QByteArray("Quavern practice notes, not a database.\n").repeated(200));
  text.close();
  // A later Quavern's file.
  rawSql(file(QStringLiteral("later.sqlite")),
         {QStringLiteral("CREATE TABLE passes(id INTEGER PRIMARY KEY, future BLOB)"),
          QStringLiteral("PRAGMA user_version = 3")});
  // A folder that cannot be made: a file stands where it should be.
  QFile blocker(file(QStringLiteral("quavern")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const std::vector<Row> rows = {
      {"not SQLite", file(QStringLiteral("notes.sqlite")), HistoryErrorKind::kNotADatabase},
      {"newer schema", file(QStringLiteral("later.sqlite")), HistoryErrorKind::kNewerSchema},
      {"folder blocked by a file", file(QStringLiteral("quavern/history/practice.sqlite")),
       HistoryErrorKind::kCannotCreateFolder},
  };
  for (const auto& row : rows) {
    const QByteArray before = contentsOf(row.path);
    HistoryStore history(row.path);
    const auto opened = history.open();
    ASSERT_FALSE(opened.ok()) << row.what;
    EXPECT_EQ(opened.error().kind, row.kind) << row.what;
    EXPECT_EQ(opened.error().file, row.path) << row.what;
    EXPECT_FALSE(opened.error().reason.isEmpty()) << row.what;
    const auto stored =
        history.storePass(samplePass(songOf(u"c-"), kWholeSong, minutesAfterStart(0)));
    ASSERT_FALSE(stored.ok()) << row.what;
    EXPECT_EQ(stored.error().kind, row.kind) << row.what;
    EXPECT_FALSE(history.passes(songOf(u"c-"), kWholeSong).ok()) << row.what;
    EXPECT_EQ(contentsOf(row.path), before) << row.what;
    EXPECT_FALSE(QFile::exists(row.path + QStringLiteral("-wal"))) << row.what;
    EXPECT_FALSE(QFile::exists(row.path + QStringLiteral("-journal"))) << row.what;
  }
  EXPECT_EQ(contentsOf(file(QStringLiteral("quavern"))), QByteArray());
}

TEST(HistoryMessages, NameTheFileAndTheReason) {
  EXPECT_EQ(historyProblemText({HistoryErrorKind::kNotADatabase, QStringLiteral("/h/p.sqlite"),
                                QStringLiteral("file is not a database")}),
            QStringLiteral("History is not kept: /h/p.sqlite: file is not a database"));
  EXPECT_EQ(historyProblemText({HistoryErrorKind::kCannotExport, QStringLiteral("x.csv"),
                                QStringLiteral("No such file or directory")}),
            QStringLiteral("History is not exported: x.csv: No such file or directory"));
}

// --- Other processes: the writer helper ---------------------------------------------------

QStringList storedLines(const QByteArray& output) {
  QStringList lines;
  for (const auto& line : QString::fromUtf8(output).split(u'\n', Qt::SkipEmptyParts)) {
    if (line.startsWith(QStringLiteral("stored "))) {
      lines << line;
    }
  }
  return lines;
}

TEST_F(HistoryStoreTest, TwoProcessesWritingAtOnceBothKeepTheirPasses) {
  constexpr int kEach = 40;
  QProcess first;
  QProcess second;
  for (auto* writer : {&first, &second}) {
    writer->start(QStringLiteral(HISTORY_WRITER),
                  {QStringLiteral("store"), file(), QString::number(kEach)});
  }
  for (auto* writer : {&first, &second}) {
    ASSERT_TRUE(writer->waitForFinished(60000));
    EXPECT_EQ(writer->exitCode(), 0) << writer->readAllStandardOutput().toStdString();
  }
  HistoryStore history(file());
  EXPECT_EQ(passesOf(history, songOf(u"c-e-g-bb"), kWholeSong).size(), 2u * kEach);
}

// Every pass in the file has all its notes, and the counts its notes give.
void expectWholePasses(HistoryStore& history, std::size_t atLeast) {
  const auto passes = passesOf(history, songOf(u"c-e-g-bb"), kWholeSong);
  EXPECT_GE(passes.size(), atLeast);
  for (const auto& pass : passes) {
    const auto notes = history.notesOfPass(pass.id);
    ASSERT_TRUE(notes.ok());
    EXPECT_EQ(static_cast<int>(notes.value().size()), pass.counts.notesJudged) << pass.id;
    EXPECT_EQ(notes.value().size(), 64u) << pass.id;
  }
  EXPECT_EQ(rawSql(history.path(), {QStringLiteral("PRAGMA integrity_check")}).toString(),
            QStringLiteral("ok"));
}

TEST_F(HistoryStoreTest, AWriterKilledMidPassLeavesOnlyWholePasses) {
  std::size_t reported = 0;
  // Killed a few milliseconds after different passes, so that the kill lands at different
  // points of a pass's 66 statements (a pass takes about 1 ms in one transaction, 13 ms
  // in 66).
  const std::pair<int, unsigned long> kills[] = {{1, 2}, {3, 5}, {6, 9}, {9, 4}, {12, 7}};
  for (const auto& [passesBeforeKill, delayMs] : kills) {
    QProcess writer;
    writer.start(QStringLiteral(HISTORY_WRITER), {QStringLiteral("loop"), file()});
    ASSERT_TRUE(writer.waitForStarted());
    QByteArray output;
    while (storedLines(output).size() < static_cast<qsizetype>(passesBeforeKill)) {
      ASSERT_TRUE(writer.waitForReadyRead(30000));
      output += writer.readAllStandardOutput();
    }
    QThread::msleep(delayMs);
    writer.kill();  // SIGKILL: no chance to finish or roll back
    ASSERT_TRUE(writer.waitForFinished());
    output += writer.readAllStandardOutput();
    reported += static_cast<std::size_t>(storedLines(output).size());
  }
  HistoryStore history(file());
  expectWholePasses(history, reported);
  // The lock died with the writer: the file takes a pass at once.
  EXPECT_TRUE(
      history.storePass(samplePass(songOf(u"c-e-g-bb"), kWholeSong, minutesAfterStart(0))).ok());
}

TEST_F(HistoryStoreTest, AFullDiskRefusesThePassAndKeepsTheOthers) {
  QProcess writer;
  writer.start(QStringLiteral(HISTORY_WRITER),
               {QStringLiteral("fill"), file(), QString::number(256 * 1024)});
  ASSERT_TRUE(writer.waitForFinished(60000));
  const QByteArray output = writer.readAllStandardOutput();
  EXPECT_EQ(writer.exitCode(), 0) << output.toStdString();
  const auto stored = static_cast<std::size_t>(storedLines(output).size());
  EXPECT_GT(stored, 10u);

  HistoryStore history(file());
  expectWholePasses(history, stored);
  EXPECT_EQ(passesOf(history, songOf(u"c-e-g-bb"), kWholeSong).size(), stored);
}

// --- Export ----------------------------------------------------------------------------

// The file as Python's csv module reads it, strict about quoting.
QJsonArray readCsv(const QString& path) {
  QProcess python;
  python.start(QStringLiteral("python3"),
               {QStringLiteral("-c"),
                QStringLiteral("import csv, json, sys\n"
                               "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                               "    print(json.dumps(list(csv.reader(f, strict=True))))\n"),
                path});
  EXPECT_TRUE(python.waitForFinished(30000));
  EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
  return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

TEST_F(HistoryStoreTest, TheExportReadsBackAsCsv) {
  HistoryStore history(file());
  const auto song = songOf(u"c-e-g-bb");
  auto pass = samplePass(song, Passage{5, 8}, minutesAfterStart(74));
  pass.summary.counts = PassCounts{14, 16, 12};
  pass.summary.bpm = 80;
  pass.summary.instrument = u"Instrument \"7\", \r\nsecond line";  // quoting at its hardest
  ASSERT_TRUE(history.storePass(pass).ok());
  pass.summary.finishedAt = minutesAfterStart(75);
  pass.summary.instrument = u"F";
  pass.summary.passage = kWholeSong;
  ASSERT_TRUE(history.storePass(pass).ok());
  ASSERT_TRUE(history.storePass(samplePass(songOf(u"d-"), kWholeSong, minutesAfterStart(1))).ok());

  const QString csv = file(QStringLiteral("history.csv"));
  ASSERT_TRUE(history.exportCsv(song, csv).ok());
  const auto rows = readCsv(csv);
  ASSERT_EQ(rows.size(), 3);
  EXPECT_EQ(rows[0].toArray().at(0).toString(), QStringLiteral("Date"));
  EXPECT_EQ(rows[0].toArray().size(), 9);
  const QStringList first = rows[1].toVariant().toStringList();
  EXPECT_EQ(first, (QStringList{"2026-12-01T09:14:00Z", "80", "5", "8",
                                "Instrument \"7\", \r\nsecond line", "14", "16", "12",
                                "14 of 16 notes right, 12 of 14 on time"}));
  EXPECT_EQ(rows[2].toVariant().toStringList().mid(1, 5),
            (QStringList{"80", "1", "16", "F", "14"}));
  EXPECT_TRUE(contentsOf(csv).endsWith("on time\"\r\n"));
}

TEST_F(HistoryStoreTest, AnExportThatCannotBeWrittenLeavesNoFile) {
  HistoryStore history(file());
  ASSERT_TRUE(history.storePass(samplePass(songOf(u"c-"), kWholeSong, minutesAfterStart(0))).ok());
  const QString csv = file(QStringLiteral("missing/history.csv"));
  const auto exported = history.exportCsv(songOf(u"c-"), csv);
  ASSERT_FALSE(exported.ok());
  EXPECT_EQ(exported.error().kind, HistoryErrorKind::kCannotExport);
  EXPECT_EQ(exported.error().file, csv);
  EXPECT_FALSE(QFile::exists(csv));
}

TEST(CsvField, QuotesOnlyWhatRfc4180Requires) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"80", "80"},         {"", ""},
      {"a,b", "\"a,b\""},   {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"a\nb", "\"a\nb\""}, {"a\rb", "\"a\rb\""},
  };
  for (const auto& [text, field] : rows) {
    EXPECT_EQ(csvField(text), field) << text;
  }
}

TEST(PractiseRange, HoldsTheBarAndOneEitherSideInsideThePassage) {
  struct Row {
    Passage passage;
    int worst;
    Passage range;
  };
  const std::vector<Row> rows = {
      {{1, 16}, 6, {5, 7}}, {{1, 16}, 1, {1, 2}}, {{1, 16}, 16, {15, 16}},
      {{5, 8}, 5, {5, 6}},  {{5, 8}, 8, {7, 8}},  {{7, 7}, 7, {7, 7}},
      {{7, 8}, 8, {7, 8}},  {{5, 8}, 12, {7, 8}}, {{5, 8}, 2, {5, 6}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(practiseRange(row.passage, row.worst), row.range)
        << row.passage.fromBar << "-" << row.passage.toBar << " worst " << row.worst;
  }
}

}  // namespace
}  // namespace quavern::history
