#include "songfile/song_file_messages.h"

#include <QStringList>
#include <variant>

namespace quavern {
namespace {

using songfile::BarProblem;
using songfile::BarProblemKind;
using songfile::FileError;
using songfile::RecordError;
using songfile::RecordErrorKind;

QString quoted(const QString& text) {
  return QStringLiteral("\"%1\"").arg(text);
}

QString characters(qsizetype count) {
  return count == 1 ? QStringLiteral("1 character") : QStringLiteral("%1 characters").arg(count);
}

QString barProblemText(const BarProblem& problem) {
  const QString bar = QString::number(problem.bar);
  switch (problem.kind) {
    case BarProblemKind::kNotesWrongLength:
      return QStringLiteral("bar %1 has %2 of notes, %3 are needed")
          .arg(bar, characters(problem.detail), QString::number(songfile::kNotesLength));
    case BarProblemKind::kNotesLineBreak:
      return QStringLiteral("bar %1's notes hold a line break").arg(bar);
    case BarProblemKind::kNotesBrokenCharacter:
      return QStringLiteral("bar %1's notes hold a broken character").arg(bar);
    case BarProblemKind::kChordMissing:
      return QStringLiteral("bar %1 has no chord").arg(bar);
    case BarProblemKind::kUnknownChord:
      return QStringLiteral("bar %1's chord %2 is not one of the %3 chords")
          .arg(bar, QString::number(problem.detail), QString::number(songfile::kChordCount));
  }
  return {};
}

QString refusalText(const QString& fileName, const songfile::SaveRefusal& refusal) {
  QStringList reasons;
  for (const auto& problem : refusal.problems)
    reasons << barProblemText(problem);
  return QStringLiteral("%1 was not saved: %2").arg(quotedFileName(fileName), reasons.join("; "));
}

QString recordProblemText(const RecordError& error) {
  switch (error.kind) {
    case RecordErrorKind::kNotUtf8:
      return QStringLiteral("byte %1 is not UTF-8 text").arg(error.byteOffset + 1);
    case RecordErrorKind::kFirstLineTooShort:
      return error.lineLength == 0
                 ? QStringLiteral("its first line is empty; a song needs %1 characters")
                       .arg(songfile::kRecordLength)
                 : QStringLiteral("its first line has %1, a song needs %2")
                       .arg(characters(static_cast<qsizetype>(error.lineLength)))
                       .arg(songfile::kRecordLength);
    case RecordErrorKind::kBrokenCharacter:
      return QStringLiteral("a character is split at the end of bar %1's notes").arg(error.bar);
    case RecordErrorKind::kBadChordCode:
      return QStringLiteral("bar %1's chord code %2 is not a number from %3 to %4")
          .arg(QString::number(error.bar), quoted(QString::fromStdU16String(error.chordCode)),
               QString::number(songfile::kChordCodeOffset),
               QString::number(songfile::kChordCodeOffset + songfile::kChordCount - 1));
  }
  return {};
}

QString openVerb(const FileError& error) {
  return error.kind == songfile::FileErrorKind::kCannotRead ? QStringLiteral("read")
                                                            : QStringLiteral("open");
}

}  // namespace

QString quotedFileName(const QString& fileName) {
  return quoted(fileName);
}

QString fileProblemText(const FileError& error) {
  if (error.kind == songfile::FileErrorKind::kEmptyName) {
    return QStringLiteral("no file name was given");
  }
  return QString::fromStdU16String(error.reason);
}

QString saveErrorText(const QString& fileName, const songfile::SaveError& error) {
  if (const auto* refusal = std::get_if<songfile::SaveRefusal>(&error)) {
    return refusalText(fileName, *refusal);
  }
  // Whatever failed, the old file (if any) is untouched.
  const auto& fileError = std::get<FileError>(error);
  return QStringLiteral("Could not save %1: %2")
      .arg(quotedFileName(fileName), fileProblemText(fileError));
}

QString openErrorText(const QString& fileName, const songfile::OpenError& error) {
  if (const auto* record = std::get_if<RecordError>(&error)) {
    return QStringLiteral("%1 is not a song file: %2")
        .arg(quotedFileName(fileName), recordProblemText(*record));
  }
  const auto& fileError = std::get<FileError>(error);
  return QStringLiteral("Could not %1 %2: %3")
      .arg(openVerb(fileError), quotedFileName(fileName), fileProblemText(fileError));
}

}  // namespace quavern
