#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "songfile/file_error.h"
#include "songfile/result.h"

class QSaveFile;

namespace quavern::songfile {

// A file written under a temporary name beside its final one, which takes the final name
// only when commit() finds that every step succeeded. A failed or abandoned file leaves an
// existing file at that name byte for byte, and no partial file behind.
//
// Writes are unbuffered and checked one by one: with a buffered QSaveFile a failed flush
// only shows inside commit(), and Qt 6.4 then still renames the truncated file over the
// old one.
class AtomicFile {
 public:
  // The name is used exactly as typed, relative to the current directory.
  explicit AtomicFile(std::u16string_view name);
  ~AtomicFile();  // discards the temporary file unless commit() put it in place
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  Result<Done, FileError> open();

  // Each returns false once this or an earlier step has failed; the first failure is the
  // one that commit() reports.
  bool write(std::span<const char> bytes);
  bool seek(std::int64_t offset);  // bytes from the start; may lie beyond the end

  std::int64_t position() const;
  std::int64_t size() const;
  // The first failure so far, if any.
  const std::optional<FileError>& failure() const { return failure_; }

  // Puts the file in place, or on an earlier failure removes it and reports that failure.
  Result<Done, FileError> commit();

 private:
  void fail(FileErrorKind kind);

  std::unique_ptr<QSaveFile> file_;
  std::optional<FileError> failure_;
};

}  // namespace quavern::songfile
