#include "song_file.hpp"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>

namespace quavern::songfile {
namespace {

QString to_qstring(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

FileError file_error(FileErrorKind kind, const QFileDevice& file) {
  return FileError{kind, file.errorString().toStdU16String()};
}

// Unbuffered writes, retried until every byte is out: a buffered QSaveFile only finds a
// failed flush inside commit(), and Qt 6.4 then still renames the truncated temporary
// file over the old one.
bool write_all(QSaveFile& file, const std::string& bytes) {
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

Result<Done, SaveError> write_atomically(const QString& name, const std::string& bytes) {
  QSaveFile file(name);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    return SaveError{file_error(FileErrorKind::cannot_open, file)};
  }
  if (!write_all(file, bytes)) {
    const FileError error = file_error(FileErrorKind::cannot_write, file);
    file.cancelWriting();
    file.commit();  // with writing cancelled this only removes the temporary file
    return SaveError{error};
  }
  if (!file.commit()) {
    const auto kind = file.error() == QFileDevice::RenameError ? FileErrorKind::cannot_replace
                                                               : FileErrorKind::cannot_write;
    return SaveError{file_error(kind, file)};
  }
  return Done{};
}

}  // namespace

Result<Done, SaveError> save_song(std::u16string_view file_name, const Song& song) {
  // QSaveFile would accept an empty name and fail only at commit, with no reason given.
  if (file_name.empty())
    return SaveError{FileError{FileErrorKind::empty_name, {}}};
  auto bytes = encode_song_file(song);
  if (!bytes)
    return SaveError{std::move(bytes).error()};
  return write_atomically(to_qstring(file_name), bytes.value());
}

Result<Song, OpenError> open_song(std::u16string_view file_name) {
  if (file_name.empty())
    return OpenError{FileError{FileErrorKind::empty_name, {}}};
  QFile file(to_qstring(file_name));
  if (!file.open(QIODevice::ReadOnly))
    return OpenError{file_error(FileErrorKind::cannot_open, file)};
  const QByteArray bytes = file.read(static_cast<qint64>(kMaxRecordBytes));
  if (file.error() != QFileDevice::NoError) {
    return OpenError{file_error(FileErrorKind::cannot_read, file)};
  }
  auto song =
      decode_song_file(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  if (!song)
    return OpenError{std::move(song).error()};
  return std::move(song).value();
}

}  // namespace quavern::songfile
