#pragma once

#include <QString>

#include "export/song_export.h"

namespace quavern {

// One-line texts for an export that failed, for a message box or standard error. Each
// names the file as typed and says what went wrong, in the words the song-file messages use.
QString exportErrorText(const QString& fileName, const exporting::ExportError& error);

// Why the instruments cannot sound, in one line that says what to do about it.
QString soundFontProblemText(const playback::SoundFontFailure& failure);

// For a file name whose extension names no export format; lists the ones there are.
QString unknownExportFormatText(const QString& fileName);

}  // namespace quavern
