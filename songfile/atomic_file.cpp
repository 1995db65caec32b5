#include "songfile/atomic_file.h"

#include <QSaveFile>
#include <QString>

namespace quavern::songfile {

AtomicFile::AtomicFile(std::u16string_view name)
    : file_(std::make_unique<QSaveFile>(
          QString::fromUtf16(name.data(), static_cast<qsizetype>(name.size())))) {}

AtomicFile::~AtomicFile() = default;

void AtomicFile::fail(FileErrorKind kind) {
  if (!failure_) {
    failure_ = FileError{kind, file_->errorString().toStdU16String()};
  }
}

Result<Done, FileError> AtomicFile::open() {
  // QSaveFile would accept an empty name and fail only at commit, with no reason given.
  if (file_->fileName().isEmpty()) {
    failure_ = FileError{FileErrorKind::kEmptyName, {}};
    return *failure_;
  }
  if (!file_->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    fail(FileErrorKind::kCannotOpen);
    return *failure_;
  }
  return Done{};
}

bool AtomicFile::write(std::span<const char> bytes) {
  const char* next = bytes.data();
  auto left = static_cast<qint64>(bytes.size());
  // An unbuffered write may take fewer bytes than offered; retry until all are out.
  while (!failure_ && left > 0) {
    const qint64 count = file_->write(next, left);
    if (count <= 0) {
      fail(FileErrorKind::kCannotWrite);
      break;
    }
    next += count;
    left -= count;
  }
  return !failure_;
}

bool AtomicFile::seek(std::int64_t offset) {
  if (!failure_ && !file_->seek(offset)) {
    fail(FileErrorKind::kCannotWrite);
  }
  return !failure_;
}

std::int64_t AtomicFile::position() const {
  return file_->pos();
}

std::int64_t AtomicFile::size() const {
  return file_->size();
}

Result<Done, FileError> AtomicFile::commit() {
  if (failure_) {
    if (file_->isOpen()) {
      file_->cancelWriting();
      file_->commit();  // with writing cancelled this only removes the temporary file
    }
    return *failure_;
  }
  if (!file_->commit()) {
    fail(file_->error() == QFileDevice::RenameError ? FileErrorKind::kCannotReplace
                                                    : FileErrorKind::kCannotWrite);
    return *failure_;
  }
  return Done{};
}

}  // namespace quavern::songfile
