#pragma once

#include <string>

namespace quavern::songfile {

// Why a file could not be read or written: song files, and the files a song is exported to.
enum class FileErrorKind {
  kEmptyName,
  kCannotOpen,  // the file or its temporary replacement could not be opened or created
  kCannotRead,
  kCannotWrite,    // writing the new file failed part way; the old file is untouched
  kCannotReplace,  // the new file was written but could not take the old one's place
};

struct FileError {
  FileErrorKind kind;
  // The operating system's reason as the runtime words it (for example "No such file or
  // directory"); empty for emptyName.
  std::u16string reason;

  friend bool operator==(const FileError&, const FileError&) = default;
};

}  // namespace quavern::songfile
