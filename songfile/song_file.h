#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "songfile/file_error.h"
#include "songfile/result.h"
#include "songfile/song.h"
#include "songfile/song_record.h"

// Saving and opening a song file by name. A name is used exactly as typed: no extension is
// added, nothing is trimmed, and a relative name is relative to the current directory.
namespace quavern::songfile {

using SaveError = std::variant<SaveRefusal, FileError>;
using OpenError = std::variant<RecordError, FileError>;

// Writes the song atomically: on any error an existing file keeps its old bytes, and on
// success the new file is complete and in place.
Result<Done, SaveError> saveSong(std::u16string_view fileName, const Song& song);

// Reads and checks the whole record before giving back anything.
Result<Song, OpenError> openSong(std::u16string_view fileName);

}  // namespace quavern::songfile
