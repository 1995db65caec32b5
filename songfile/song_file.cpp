#include "songfile/song_file.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>

namespace quavern::songfile {
namespace {

QString toQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

FileError fileError(FileErrorKind kind, const QFileDevice& file) {
  return FileError{kind, file.errorString().toStdU16String()};
}

// Unbuffered writes, retried until every byte is out: a buffered QSaveFile only finds a
// failed flush inside commit(), and Qt 6.4 then still renames the truncated temporary
// file over the old one.
bool writeAll(QSaveFile& file, const std::string& bytes) {
  qint64 written = 0;
  const auto total = static_cast<qint64>(bytes.size());
  while (written < total) {
    const qint64 count = file.write(bytes.data() + written, total - written);
    if (count <= 0)
      return false;
    written += count;
  }
  return true;
}

Result<Done, SaveError> writeAtomically(const QString& name, const std::string& bytes) {
  QSaveFile file(name);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    return SaveError{fileError(FileErrorKind::kCannotOpen, file)};
  }
  if (!writeAll(file, bytes)) {
    const FileError error = fileError(FileErrorKind::kCannotWrite, file);
    file.cancelWriting();
    file.commit();  // with writing cancelled this only removes the temporary file
    return SaveError{error};
  }
  if (!file.commit()) {
    const auto kind = file.error() == QFileDevice::RenameError ? FileErrorKind::kCannotReplace
                                                               : FileErrorKind::kCannotWrite;
    return SaveError{fileError(kind, file)};
  }
  return Done{};
}

}  // namespace

Result<Done, SaveError> saveSong(std::u16string_view fileName, const Song& song) {
  // QSaveFile would accept an empty name and fail only at commit, with no reason given.
  if (fileName.empty())
    return SaveError{FileError{FileErrorKind::kEmptyName, {}}};
  auto bytes = encodeSongFile(song);
  if (!bytes)
    return SaveError{std::move(bytes).error()};
  return writeAtomically(toQString(fileName), bytes.value());
}

Result<Song, OpenError> openSong(std::u16string_view fileName) {
  if (fileName.empty())
    return OpenError{FileError{FileErrorKind::kEmptyName, {}}};
  QFile file(toQString(fileName));
  if (!file.open(QIODevice::ReadOnly))
    return OpenError{fileError(FileErrorKind::kCannotOpen, file)};
  const QByteArray bytes = file.read(static_cast<qint64>(kMaxRecordBytes));
  if (file.error() != QFileDevice::NoError) {
    return OpenError{fileError(FileErrorKind::kCannotRead, file)};
  }
  auto song =
      decodeSongFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  if (!song)
    return OpenError{std::move(song).error()};
  return std::move(song).value();
}

}  // namespace quavern::songfile
