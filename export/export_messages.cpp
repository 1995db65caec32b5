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

QString exportErrorText(const QString& fileName, const exporting::ExportError& error) {
  if (const auto* encoder = std::get_if<exporting::EncoderError>(&error)) {
    return QStringLiteral("Could not export to %1: %2")
        .arg(quotedFileName(fileName), QString::fromStdString(encoder->reason));
  }
  return QStringLiteral("Could not export to %1: %2")
      .arg(quotedFileName(fileName), fileProblemText(std::get<songfile::FileError>(error)));
}

QString unknownExportFormatText(const QString& fileName) {
  return QStringLiteral("%1 does not end in an export format's extension: %2")
      .arg(quotedFileName(fileName), extensionList());
}

}  // namespace quavern
