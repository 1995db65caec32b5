#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "history/history_error.h"
#include "history/pass_record.h"
#include "songfile/result.h"

namespace quavern::history {

using songfile::Done;
template <class Value>
using HistoryResult = songfile::Result<Value, HistoryError>;

// The schema this program writes. A database of a later version is left alone.
inline constexpr int kSchemaVersion = 2;
// Passes that the weakest bars are counted over, newest first.
inline constexpr int kWeakBarsPassCount = 20;

// The practice history in one SQLite file: songs, their passes and every pass's notes.
// Each write is one transaction, so a crash or a power cut leaves the file as before it.
// The file is in write-ahead-log mode and waits for another process's writes, so two
// Quavern windows practising at once both keep their passes.
//
// A file that cannot be opened, read or written is never overwritten or deleted: every
// operation returns the error instead, and tries to open the file again next time.
//
// Use a store from the thread that made it: a Qt SQL connection belongs to one thread.
class HistoryStore {
 public:
  // The file is created, with its folder, on first use, not here.
  explicit HistoryStore(QString databasePath);
  ~HistoryStore();
  HistoryStore(const HistoryStore&) = delete;
  HistoryStore& operator=(const HistoryStore&) = delete;

  // AppDataLocation + "/practice.sqlite": ~/.local/share/quavern/practice.sqlite on Linux.
  static QString defaultPath();

  const QString& path() const { return path_; }

  // Opens (creating or migrating) the file now, so a window can say early that the
  // history is not kept. Every other operation does this itself.
  HistoryResult<Done> open();

  HistoryResult<Done> storePass(const PassRecord& pass);

  // The passes of a song over exactly that passage, oldest first.
  HistoryResult<std::vector<PassSummary>> passes(const SongKey& song, Passage passage);
  // Every pass of a song, over any passage, oldest first.
  HistoryResult<std::vector<PassSummary>> passesOfSong(const SongKey& song);
  // The notes of a pass that passes() or passesOfSong() returned, in song order.
  HistoryResult<std::vector<NoteRecord>> notesOfPass(std::int64_t passId);

  // Over the last kWeakBarsPassCount passes of a song and passage: the bars with a note
  // not right or not on time, most such notes first, then in bar order.
  HistoryResult<std::vector<WeakBar>> weakestBars(const SongKey& song, Passage passage);

  // Deletes the song and all its passes.
  HistoryResult<Done> forgetSong(const SongKey& song);

  // The song's passes as CSV (see passes_csv.h), written atomically to the file.
  HistoryResult<Done> exportCsv(const SongKey& song, const QString& csvPath);

 private:
  class Connection;

  // The open connection, opening the file first if it is not open yet.
  HistoryResult<Connection*> connection();

  QString path_;
  std::unique_ptr<Connection> connection_;
};

}  // namespace quavern::history
