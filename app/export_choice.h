#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "export/formats.h"

namespace quavern {

// The file a user chose in the export dialog, and the filter chosen with it.
struct ExportTarget {
  QString fileName;
  QString selectedFilter;
};

// The save dialog's filters, one a format: "WAV sound (*.wav)", ...
QStringList exportFilters();

// The name to write and its format: the typed extension picks the format; a
// name without an extension gets the selected filter's. Nothing when the typed
// extension names no format.
struct ResolvedExport {
  QString fileName;
  exporting::Format format;
};
std::optional<ResolvedExport> resolveExport(const ExportTarget& target);

}  // namespace quavern
