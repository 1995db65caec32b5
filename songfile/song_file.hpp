#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "result.hpp"
#include "song.hpp"
#include "song_record.hpp"

// Saving and opening a song file by name. A name is used exactly as typed: no extension is
// added, nothing is trimmed, and a relative name is relative to the current directory.
namespace quavern::songfile {

enum class FileErrorKind {
  empty_name,
  cannot_open,  // the file or its temporary replacement could not be opened or created
  cannot_read,
  cannot_write,    // writing the new file failed part way; the old file is untouched
  cannot_replace,  // the new file was written but could not take the old one's place
};

struct FileError {
  FileErrorKind kind;
  // The operating system's reason as the runtime words it (for example "No such file or
  // directory"); empty for empty_name.
  std::u16string reason;

  friend bool operator==(const FileError&, const FileError&) = default;
};

using SaveError = std::variant<SaveRefusal, FileError>;
using OpenError = std::variant<RecordError, FileError>;

// Writes the song atomically: on any error an existing file keeps its old bytes, and on
// success the new file is complete and in place.
Result<Done, SaveError> save_song(std::u16string_view file_name, const Song& song);

// Reads and checks the whole record before giving back anything.
Result<Song, OpenError> open_song(std::u16string_view file_name);

}  // namespace quavern::songfile
