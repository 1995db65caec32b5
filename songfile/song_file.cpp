#include "songfile/song_file.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include "songfile/atomic_file.h"

namespace quavern::songfile {
namespace {

QString toQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

FileError fileError(FileErrorKind kind, const QFileDevice& file) {
  return FileError{kind, file.errorString().toStdU16String()};
}

}  // namespace

Result<Done, SaveError> saveSong(std::u16string_view fileName, const Song& song) {
  if (fileName.empty())
    return SaveError{FileError{FileErrorKind::kEmptyName, {}}};
  auto bytes = encodeSongFile(song);
  if (!bytes)
    return SaveError{std::move(bytes).error()};
  AtomicFile file(fileName);
  if (auto opened = file.open(); !opened)
    return SaveError{std::move(opened).error()};
  file.write(bytes.value());
  if (auto committed = file.commit(); !committed)
    return SaveError{std::move(committed).error()};
  return Done{};
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
