#include "app/export_choice.h"

#include <QFileInfo>

namespace quavern {
namespace {

QString latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The first extension of the filter's format, with its dot.
std::optional<QString> extensionOfFilter(const QString& filter) {
  for (const exporting::FileType& type : exporting::kFileTypes) {
    if (filter.startsWith(latin1(type.description) + " (")) {
      return latin1(type.extension);
    }
  }
  return std::nullopt;
}

}  // namespace

QStringList exportFilters() {
  QStringList filters;
  for (std::size_t i = 0; i < exporting::kFileTypes.size(); ++i) {
    const exporting::FileType& type = exporting::kFileTypes[i];
    QString patterns = "*" + latin1(type.extension);
    // Formats with two extensions (".mid", ".midi") share one filter.
    while (i + 1 < exporting::kFileTypes.size() &&
           exporting::kFileTypes[i + 1].format == type.format) {
      patterns += " *" + latin1(exporting::kFileTypes[++i].extension);
    }
    filters << QStringLiteral("%1 (%2)").arg(latin1(type.description), patterns);
  }
  return filters;
}

std::optional<ResolvedExport> resolveExport(const ExportTarget& target) {
  QString fileName = target.fileName;
  if (QFileInfo(fileName).suffix().isEmpty()) {
    if (const auto extension = extensionOfFilter(target.selectedFilter)) {
      fileName += *extension;
    }
  }
  const auto format = exporting::formatForFileName(fileName.toStdU16String());
  if (!format) {
    return std::nullopt;
  }
  return ResolvedExport{fileName, *format};
}

}  // namespace quavern
