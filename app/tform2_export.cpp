#include <QFileDialog>
#include <QFileInfo>

#include "app/controls.h"
#include "app/export_choice.h"
#include "app/tform2.h"
#include "export/export_messages.h"
#include "export/song_export.h"
#include "playback/play_settings.h"

namespace quavern {

// Writes the song as the window holds it (notes as typed, chords, tempo and
// loop selectors), without saving it first, to a file the user chooses.
void TForm2::Export() {
  const QString suggested = QFileInfo(Edit20->text()).completeBaseName() + ".wav";
  const std::optional<ExportTarget> target = askExportFile(suggested);
  if (!target || target->fileName.isEmpty()) {
    return;
  }
  const std::optional<ResolvedExport> resolved = resolveExport(*target);
  if (!resolved) {
    showMessage(unknownExportFormatText(target->fileName));
    return;
  }
  const exporting::SongExport song{readNotes(),
                                   readChordIndexes(),
                                   itemIndex(*ComboBox21),
                                   playback::loopCountFor(itemIndex(*ComboBox20)),
                                   preferences_.chordsUnderMelody(),
                                   soundsToPlay()};
  const auto exported =
      exporting::exportSong(song, resolved->format, resolved->fileName.toStdU16String());
  if (!exported) {
    showMessage(exportErrorText(resolved->fileName, exported.error()));
  }
}

std::optional<ExportTarget> TForm2::askExportFile(const QString& suggested) {
  if (services_.askExportFile) {
    return services_.askExportFile(suggested, exportFilters());
  }
  const QStringList filters = exportFilters();
  QString selectedFilter = filters.front();
  const QString fileName = QFileDialog::getSaveFileName(
      this, tr("Export"), suggested, filters.join(QStringLiteral(";;")), &selectedFilter);
  if (fileName.isEmpty()) {
    return std::nullopt;
  }
  return ExportTarget{fileName, selectedFilter};
}

}  // namespace quavern
