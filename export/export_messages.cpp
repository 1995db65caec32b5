#include "export/export_messages.h"

#include <QStringList>
#include <variant>

#include "songfile/song_file_messages.h"

namespace quavern {
namespace {

QString extensionList() {
  QStringList extensions;
  for (const exporting::FileType& type : exporting::kFileTypes) {
    extensions << QString::fromLatin1(type.extension.data(),
                                      static_cast<qsizetype>(type.extension.size()));
  }
  const QString last = extensions.takeLast();
  return extensions.join(", ") + " or " + last;
}

}  // namespace

QString soundFontProblemText(const playback::SoundFontFailure& failure) {
  if (failure.problem == playback::SoundFontProblem::kNotInstalled) {
    return QStringLiteral("No General MIDI SoundFont is installed: install fluid-soundfont-gm");
  }
  return QStringLiteral("The SoundFont %1 cannot be read: it is damaged or no SoundFont")
      .arg(quotedFileName(QString::fromStdString(failure.path.string())));
}

QString exportErrorText(const QString& fileName, const exporting::ExportError& error) {
  // Whatever failed, a file that was there before is untouched.
  QString reason;
  if (const auto* encoder = std::get_if<exporting::EncoderError>(&error)) {
    reason = QString::fromStdString(encoder->reason);
  } else if (const auto* soundFont = std::get_if<playback::SoundFontFailure>(&error)) {
    reason = soundFontProblemText(*soundFont);
  } else {
    reason = fileProblemText(std::get<songfile::FileError>(error));
  }
  return QStringLiteral("Could not export to %1: %2").arg(quotedFileName(fileName), reason);
}

QString unknownExportFormatText(const QString& fileName) {
  return QStringLiteral("%1 does not end in an export format's extension: %2")
      .arg(quotedFileName(fileName), extensionList());
}

}  // namespace quavern
