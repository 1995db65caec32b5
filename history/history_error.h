#pragma once

#include <QString>

namespace quavern::history {

enum class HistoryErrorKind {
  kCannotCreateFolder,  // the database's folder is missing and could not be made
  kCannotOpen,          // SQLite could not open or create the file
  kNotADatabase,        // the file is there but SQLite cannot read it as a database
  kNewerSchema,         // written by a later Quavern; detail: its schema version
  kCannotRead,          // a query failed on a database that did open
  kCannotWrite,         // a change failed (a full disk, a size limit); nothing of it was kept
  kCannotExport,        // the export file could not be written; no partial file is left
};

// Why the history could not be kept or read. The file is the one concerned (the database,
// or the export file); the reason is the text SQLite or the operating system gave.
struct HistoryError {
  HistoryErrorKind kind;
  QString file;
  QString reason;
  int detail = 0;

  friend bool operator==(const HistoryError&, const HistoryError&) = default;
};

}  // namespace quavern::history
