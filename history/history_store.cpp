#include "history/history_store.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QTimeZone>
#include <QVariant>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <span>
#include <system_error>
#include <utility>

#include "history/passes_csv.h"
#include "songfile/atomic_file.h"

namespace quavern::history {
namespace {

// Milliseconds another process's write may hold the file before a write here gives up.
constexpr int kBusyTimeoutMs = 5000;
// SQLite's result code for a file that is not a database.
const QString kSqliteNotADatabase = QStringLiteral("26");
// SQLite's result code for a file another connection holds; its extended codes
// keep it in their low byte.
constexpr int kSqliteBusy = 5;
// How long to wait between tries for such a file, in milliseconds.
constexpr unsigned long kBusyRetryMs = 5;

// Version 1, as Quavern 1.2's first builds wrote it: no instrument (every pass was read
// at concert pitch) and no index for a song's passage.
const char* const kVersion1Schema[] = {
    "CREATE TABLE songs(id INTEGER PRIMARY KEY, song TEXT NOT NULL UNIQUE)",
    "CREATE TABLE passes(id INTEGER PRIMARY KEY,"
    " song_id INTEGER NOT NULL REFERENCES songs(id),"
    " finished_at INTEGER NOT NULL,"  // milliseconds since 1970-01-01 UTC
    " from_bar INTEGER NOT NULL, to_bar INTEGER NOT NULL, bpm INTEGER NOT NULL,"
    " pitch_cents REAL NOT NULL, timing_ms INTEGER NOT NULL,"
    " notes_right INTEGER NOT NULL, notes_judged INTEGER NOT NULL, on_time INTEGER NOT NULL)",
    // verdict: 0 right, 1 wrong, 2 missed; timing: 0 on time, 1 late, 2 early, NULL none.
    // Small integers take no bytes of their own in a record, which keeps a pass's 64
    // notes within the 2 KB a pass may take.
    "CREATE TABLE notes(pass_id INTEGER NOT NULL REFERENCES passes(id),"
    " bar INTEGER NOT NULL, note_in_bar INTEGER NOT NULL, wanted TEXT NOT NULL,"
    " verdict INTEGER NOT NULL, heard TEXT, timing INTEGER, onset_offset_ms INTEGER,"
    " PRIMARY KEY(pass_id, bar, note_in_bar)) WITHOUT ROWID",
};

const char* const kVersion2Migration[] = {
    "ALTER TABLE passes ADD COLUMN instrument TEXT NOT NULL DEFAULT 'C'",
    "CREATE INDEX passes_by_passage ON passes(song_id, from_bar, to_bar, finished_at)",
};

// The song's identity as one text: each bar's notes with their length in UTF-16 code
// units before them (so no text can pass for two bars), then each chord index.
QString canonicalSongText(const SongKey& song) {
  QString text;
  for (const auto& notes : song.notes) {
    text += QString::number(notes.size()) + u':' +
            QString::fromUtf16(notes.data(), static_cast<qsizetype>(notes.size()));
  }
  for (const int chord : song.chords) {
    text += u',' + QString::number(chord);
  }
  return text;
}

QString connectionName() {
  static std::atomic<int> next{0};
  return QStringLiteral("quavern-history-%1").arg(next++);
}

QVariant optionalText(const std::optional<std::u16string>& text) {
  if (!text) {
    return QVariant(QMetaType(QMetaType::QString));
  }
  return QString::fromStdU16String(*text);
}

template <class Number>
QVariant optionalNumber(const std::optional<Number>& number) {
  if (!number) {
    return QVariant(QMetaType(QMetaType::LongLong));
  }
  return QVariant::fromValue(static_cast<qlonglong>(*number));
}

}  // namespace

// One Qt SQL connection to the file, removed with it.
class HistoryStore::Connection {
 public:
  explicit Connection(const QString& path) : name_(connectionName()) {
    auto database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    database.setDatabaseName(path);
    database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
  }
  ~Connection() {
    {
      auto database = QSqlDatabase::database(name_, false);
      database.close();
    }
    QSqlDatabase::removeDatabase(name_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  QSqlDatabase database() const { return QSqlDatabase::database(name_, false); }

 private:
  QString name_;
};

namespace {

HistoryError errorOf(HistoryErrorKind kind, const QString& path, const QSqlError& error) {
  QString reason = error.databaseText();
  if (reason.isEmpty()) {
    reason = error.driverText();
  }
  return HistoryError{kind, path, reason};
}

// Runs one statement; on failure, the error of the given kind.
std::optional<HistoryError> run(const QSqlDatabase& database, const QString& path,
                                HistoryErrorKind kind, const QString& statement) {
  QSqlQuery query(database);
  if (!query.exec(statement)) {
    return errorOf(kind, path, query.lastError());
  }
  return std::nullopt;
}

std::optional<HistoryError> makeFolder(const QString& path) {
  const QString folder = QFileInfo(path).absolutePath();
  std::error_code error;
  std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
  if (error) {
    return HistoryError{HistoryErrorKind::kCannotCreateFolder, path,
                        QString::fromLocal8Bit(error.message())};
  }
  return std::nullopt;
}

HistoryResult<int> schemaVersion(const QSqlDatabase& database, const QString& path) {
  QSqlQuery query(database);
  if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
    const QSqlError error = query.lastError();
    const bool notDatabase = error.nativeErrorCode() == kSqliteNotADatabase;
    return errorOf(notDatabase ? HistoryErrorKind::kNotADatabase : HistoryErrorKind::kCannotRead,
                   path, error);
  }
  return query.value(0).toInt();
}

// A write transaction that takes the file's write lock at once: a deferred one that
// reads first could not wait for another writer and would fail at once.
class WriteTransaction {
 public:
  WriteTransaction(QSqlDatabase database, QString path)
      : database_(std::move(database)), path_(std::move(path)) {}
  ~WriteTransaction() {
    if (begun_ && !committed_) {
      QSqlQuery(database_).exec(QStringLiteral("ROLLBACK"));
    }
  }
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  std::optional<HistoryError> begin() {
    auto error =
        run(database_, path_, HistoryErrorKind::kCannotWrite, QStringLiteral("BEGIN IMMEDIATE"));
    begun_ = !error;
    return error;
  }
  std::optional<HistoryError> commit() {
    auto error = run(database_, path_, HistoryErrorKind::kCannotWrite, QStringLiteral("COMMIT"));
    committed_ = !error;
    return error;
  }

 private:
  QSqlDatabase database_;
  QString path_;
  bool begun_ = false;
  bool committed_ = false;
};

std::optional<HistoryError> runAll(const QSqlDatabase& database, const QString& path,
                                   std::span<const char* const> statements) {
  for (const char* statement : statements) {
    if (auto error =
            run(database, path, HistoryErrorKind::kCannotWrite, QString::fromLatin1(statement))) {
      return error;
    }
  }
  return std::nullopt;
}

// Brings a database of an older version (0: empty) to kSchemaVersion in one transaction,
// so a crash half way leaves the older version in place.
std::optional<HistoryError> migrate(const QSqlDatabase& database, const QString& path) {
  WriteTransaction transaction(database, path);
  if (auto error = transaction.begin()) {
    return error;
  }
  // Read again under the lock: another window may have migrated the file meanwhile.
  auto version = schemaVersion(database, path);
  if (!version) {
    return version.error();
  }
  if (version.value() < 1) {
    if (auto error = runAll(database, path, kVersion1Schema)) {
      return error;
    }
  }
  if (version.value() < 2) {
    if (auto error = runAll(database, path, kVersion2Migration)) {
      return error;
    }
  }
  if (auto error = run(database, path, HistoryErrorKind::kCannotWrite,
                       QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion))) {
    return error;
  }
  return transaction.commit();
}

// Two processes opening a new file at once both read it, then both need it to
// themselves to switch it to write-ahead logging: SQLite fails one of them at
// once, without waiting, to break the deadlock. That one tries again once the
// other is through, within the busy timeout.
std::optional<HistoryError> switchToWal(const QSqlDatabase& database, const QString& path) {
  const QDeadlineTimer deadline(kBusyTimeoutMs);
  while (true) {
    QSqlQuery query(database);
    if (query.exec(QStringLiteral("PRAGMA journal_mode = WAL"))) {
      return std::nullopt;
    }
    const bool busy = (query.lastError().nativeErrorCode().toInt() & 0xff) == kSqliteBusy;
    if (!busy || deadline.hasExpired()) {
      return errorOf(HistoryErrorKind::kCannotWrite, path, query.lastError());
    }
    QThread::msleep(kBusyRetryMs);
  }
}

// Opens the file and makes it ready; touches nothing until it knows the file is a
// database of a version this program reads.
std::optional<HistoryError> prepare(QSqlDatabase database, const QString& path) {
  if (!database.open()) {
    return errorOf(HistoryErrorKind::kCannotOpen, path, database.lastError());
  }
  const auto version = schemaVersion(database, path);
  if (!version) {
    return version.error();
  }
  if (version.value() > kSchemaVersion) {
    return HistoryError{HistoryErrorKind::kNewerSchema, path,
                        QStringLiteral("schema version %1").arg(version.value()), version.value()};
  }
  if (auto error = switchToWal(database, path)) {
    return error;
  }
  if (auto error = run(database, path, HistoryErrorKind::kCannotWrite,
                       QStringLiteral("PRAGMA synchronous = FULL"))) {
    return error;
  }
  if (version.value() < kSchemaVersion) {
    return migrate(database, path);
  }
  return std::nullopt;
}

std::optional<std::int64_t> songId(const QSqlDatabase& database, const QString& song) {
  QSqlQuery query(database);
  query.prepare(QStringLiteral("SELECT id FROM songs WHERE song = ?"));
  query.addBindValue(song);
  if (query.exec() && query.next()) {
    return query.value(0).toLongLong();
  }
  return std::nullopt;
}

std::optional<HistoryError> insertPassRow(const QSqlDatabase& database, const QString& path,
                                          std::int64_t song, const PassSummary& pass,
                                          std::int64_t& passId) {
  QSqlQuery query(database);
  query.prepare(QStringLiteral(
      "INSERT INTO passes(song_id, finished_at, from_bar, to_bar, bpm, instrument, pitch_cents,"
      " timing_ms, notes_right, notes_judged, on_time) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
  query.addBindValue(QVariant::fromValue(static_cast<qlonglong>(song)));
  query.addBindValue(QVariant::fromValue(pass.finishedAt.toMSecsSinceEpoch()));
  query.addBindValue(pass.passage.fromBar);
  query.addBindValue(pass.passage.toBar);
  query.addBindValue(pass.bpm);
  query.addBindValue(QString::fromStdU16String(pass.instrument));
  query.addBindValue(pass.pitchWithinCents);
  query.addBindValue(QVariant::fromValue(static_cast<qlonglong>(pass.onTimeWithinMs)));
  query.addBindValue(pass.counts.notesRight);
  query.addBindValue(pass.counts.notesJudged);
  query.addBindValue(pass.counts.onTime);
  if (!query.exec()) {
    return errorOf(HistoryErrorKind::kCannotWrite, path, query.lastError());
  }
  passId = query.lastInsertId().toLongLong();
  return std::nullopt;
}

std::optional<HistoryError> insertNotes(const QSqlDatabase& database, const QString& path,
                                        std::int64_t passId, std::span<const NoteRecord> notes) {
  QSqlQuery query(database);
  query.prepare(
      QStringLiteral("INSERT INTO notes(pass_id, bar, note_in_bar, wanted, verdict, heard, timing,"
                     " onset_offset_ms) VALUES(?, ?, ?, ?, ?, ?, ?, ?)"));
  for (const auto& note : notes) {
    query.addBindValue(QVariant::fromValue(static_cast<qlonglong>(passId)));
    query.addBindValue(note.bar);
    query.addBindValue(note.noteInBar);
    query.addBindValue(QString::fromStdU16String(note.wanted));
    query.addBindValue(static_cast<int>(note.verdict));
    query.addBindValue(optionalText(note.heard));
    query.addBindValue(note.timing ? QVariant(static_cast<int>(*note.timing))
                                   : QVariant(QMetaType(QMetaType::Int)));
    query.addBindValue(optionalNumber(note.onsetOffsetMs));
    if (!query.exec()) {
      return errorOf(HistoryErrorKind::kCannotWrite, path, query.lastError());
    }
  }
  return std::nullopt;
}

const QString kSummaryColumns = QStringLiteral(
    "passes.id, finished_at, from_bar, to_bar, bpm, instrument, pitch_cents, timing_ms,"
    " notes_right, notes_judged, on_time");

PassSummary summaryOf(const QSqlQuery& row) {
  PassSummary pass;
  pass.id = row.value(0).toLongLong();
  pass.finishedAt = QDateTime::fromMSecsSinceEpoch(row.value(1).toLongLong(), QTimeZone::utc());
  pass.passage = Passage{row.value(2).toInt(), row.value(3).toInt()};
  pass.bpm = row.value(4).toInt();
  pass.instrument = row.value(5).toString().toStdU16String();
  pass.pitchWithinCents = row.value(6).toDouble();
  pass.onTimeWithinMs = row.value(7).toLongLong();
  pass.counts = PassCounts{row.value(8).toInt(), row.value(9).toInt(), row.value(10).toInt()};
  return pass;
}

NoteRecord noteOf(const QSqlQuery& row) {
  NoteRecord note;
  note.bar = row.value(0).toInt();
  note.noteInBar = row.value(1).toInt();
  note.wanted = row.value(2).toString().toStdU16String();
  note.verdict = static_cast<NoteVerdict>(row.value(3).toInt());
  if (!row.isNull(4)) {
    note.heard = row.value(4).toString().toStdU16String();
  }
  if (!row.isNull(5)) {
    note.timing = static_cast<NoteTiming>(row.value(5).toInt());
  }
  if (!row.isNull(6)) {
    note.onsetOffsetMs = row.value(6).toLongLong();
  }
  return note;
}

HistoryResult<std::vector<PassSummary>> readSummaries(QSqlQuery& query, const QString& path) {
  if (!query.exec()) {
    return errorOf(HistoryErrorKind::kCannotRead, path, query.lastError());
  }
  std::vector<PassSummary> passes;
  while (query.next()) {
    passes.push_back(summaryOf(query));
  }
  return passes;
}

}  // namespace

HistoryStore::HistoryStore(QString databasePath) : path_(std::move(databasePath)) {}

HistoryStore::~HistoryStore() = default;

QString HistoryStore::defaultPath() {
  return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
         QStringLiteral("/practice.sqlite");
}

HistoryResult<HistoryStore::Connection*> HistoryStore::connection() {
  if (connection_) {
    return connection_.get();
  }
  if (auto error = makeFolder(path_)) {
    return *error;
  }
  auto opened = std::make_unique<Connection>(path_);
  if (auto error = prepare(opened->database(), path_)) {
    return *error;
  }
  connection_ = std::move(opened);
  return connection_.get();
}

HistoryResult<Done> HistoryStore::open() {
  auto opened = connection();
  if (!opened) {
    return opened.error();
  }
  return Done{};
}

HistoryResult<Done> HistoryStore::storePass(const PassRecord& pass) {
  auto opened = connection();
  if (!opened) {
    return opened.error();
  }
  const QSqlDatabase database = opened.value()->database();
  WriteTransaction transaction(database, path_);
  if (auto error = transaction.begin()) {
    return *error;
  }
  const QString song = canonicalSongText(pass.song);
  {
    QSqlQuery query(database);
    query.prepare(QStringLiteral("INSERT OR IGNORE INTO songs(song) VALUES(?)"));
    query.addBindValue(song);
    if (!query.exec()) {
      return errorOf(HistoryErrorKind::kCannotWrite, path_, query.lastError());
    }
  }
  const auto id = songId(database, song);
  if (!id) {
    return HistoryError{HistoryErrorKind::kCannotWrite, path_, database.lastError().text()};
  }
  std::int64_t passId = 0;
  if (auto error = insertPassRow(database, path_, *id, pass.summary, passId)) {
    return *error;
  }
  if (auto error = insertNotes(database, path_, passId, pass.notes)) {
    return *error;
  }
  if (auto error = transaction.commit()) {
    return *error;
  }
  return Done{};
}

HistoryResult<std::vector<PassSummary>> HistoryStore::passes(const SongKey& song, Passage passage) {
  auto opened = connection();
  if (!opened) {
    return opened.error();
  }
  QSqlQuery query(opened.value()->database());
  query.setForwardOnly(true);
  query.prepare(QStringLiteral("SELECT %1 FROM passes JOIN songs ON songs.id = passes.song_id"
                               " WHERE songs.song = ? AND from_bar = ? AND to_bar = ?"
                               " ORDER BY finished_at, passes.id")
                    .arg(kSummaryColumns));
  query.addBindValue(canonicalSongText(song));
  query.addBindValue(passage.fromBar);
  query.addBindValue(passage.toBar);
  return readSummaries(query, path_);
}

HistoryResult<std::vector<PassSummary>> HistoryStore::passesOfSong(const SongKey& song) {
  auto opened = connection();
  if (!opened) {
    return opened.error();
  }
  QSqlQuery query(opened.value()->database());
  query.setForwardOnly(true);
  query.prepare(QStringLiteral("SELECT %1 FROM passes JOIN songs ON songs.id = passes.song_id"
                               " WHERE songs.song = ? ORDER BY finished_at, passes.id")
                    .arg(kSummaryColumns));
  query.addBindValue(canonicalSongText(song));
  return readSummaries(query, path_);
}

HistoryResult<std::vector<NoteRecord>> HistoryStore::notesOfPass(std::int64_t passId) {
  auto opened = connection();
  if (!opened) {
    return opened.error();
  }
  QSqlQuery query(opened.value()->database());
  query.setForwardOnly(true);
  query.prepare(QStringLiteral(
      "SELECT bar, note_in_bar, wanted, verdict, heard, timing, onset_offset_ms FROM notes"
      " WHERE pass_id = ? ORDER BY bar, note_in_bar"));
  query.addBindValue(QVariant::fromValue(static_cast<qlonglong>(passId)));
  if (!query.exec()) {
    return errorOf(HistoryErrorKind::kCannotRead, path_, query.lastError());
  }
  std::vector<NoteRecord> notes;
  while (query.next()) {
    notes.push_back(noteOf(query));
  }
  return notes;
}

HistoryResult<std::vector<WeakBar>> HistoryStore::weakestBars(const SongKey& song,
                                                              Passage passage) {
  auto opened = connection();
  if (!opened) {
    return opened.error();
  }
  QSqlQuery query(opened.value()->database());
  query.setForwardOnly(true);
  query.prepare(
      QStringLiteral(
          "SELECT bar, SUM(verdict <> 0), SUM(verdict = 0 AND timing IN (1, 2)) FROM notes"
          " WHERE pass_id IN (SELECT passes.id FROM passes JOIN songs ON songs.id = passes.song_id"
          "  WHERE songs.song = ? AND from_bar = ? AND to_bar = ?"
          "  ORDER BY finished_at DESC, passes.id DESC LIMIT %1)"
          " GROUP BY bar")
          .arg(kWeakBarsPassCount));
  query.addBindValue(canonicalSongText(song));
  query.addBindValue(passage.fromBar);
  query.addBindValue(passage.toBar);
  if (!query.exec()) {
    return errorOf(HistoryErrorKind::kCannotRead, path_, query.lastError());
  }
  std::vector<WeakBar> bars;
  while (query.next()) {
    const WeakBar bar{query.value(0).toInt(), query.value(1).toInt(), query.value(2).toInt()};
    if (bar.total() > 0) {
      bars.push_back(bar);
    }
  }
  std::sort(bars.begin(), bars.end(), [](const WeakBar& a, const WeakBar& b) {
    return a.total() != b.total() ? a.total() > b.total() : a.bar < b.bar;
  });
  return bars;
}

HistoryResult<Done> HistoryStore::forgetSong(const SongKey& song) {
  auto opened = connection();
  if (!opened) {
    return opened.error();
  }
  const QSqlDatabase database = opened.value()->database();
  WriteTransaction transaction(database, path_);
  if (auto error = transaction.begin()) {
    return *error;
  }
  const auto id = songId(database, canonicalSongText(song));
  if (!id) {
    return Done{};  // nothing kept of it
  }
  for (const auto* statement :
       {"DELETE FROM notes WHERE pass_id IN (SELECT id FROM passes WHERE song_id = ?)",
        "DELETE FROM passes WHERE song_id = ?", "DELETE FROM songs WHERE id = ?"}) {
    QSqlQuery query(database);
    query.prepare(QString::fromLatin1(statement));
    query.addBindValue(QVariant::fromValue(static_cast<qlonglong>(*id)));
    if (!query.exec()) {
      return errorOf(HistoryErrorKind::kCannotWrite, path_, query.lastError());
    }
  }
  if (auto error = transaction.commit()) {
    return *error;
  }
  return Done{};
}

HistoryResult<Done> HistoryStore::exportCsv(const SongKey& song, const QString& csvPath) {
  const auto passes = passesOfSong(song);
  if (!passes) {
    return passes.error();
  }
  const std::string csv = passesCsv(passes.value());
  songfile::AtomicFile file(csvPath.toStdU16String());
  auto written = file.open();
  if (written) {
    file.write(csv);
    written = file.commit();
  }
  if (!written) {
    return HistoryError{HistoryErrorKind::kCannotExport, csvPath,
                        QString::fromStdU16String(written.error().reason)};
  }
  return Done{};
}

}  // namespace quavern::history
