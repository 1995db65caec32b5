#pragma once

#include <QString>

#include "songfile/song_file.h"

namespace quavern {

// The message-box texts for a song file that could not be saved or opened. Each names the
// file as typed and says plainly what went wrong.
QString saveErrorText(const QString& fileName, const songfile::SaveError& error);
QString openErrorText(const QString& fileName, const songfile::OpenError& error);

}  // namespace quavern
