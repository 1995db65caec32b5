#pragma once

#include <QString>

#include "songfile/song_file.h"

namespace quavern {

// The message-box texts for a song file that could not be saved or opened. Each names the
// file as typed and says plainly what went wrong.
QString saveErrorText(const QString& fileName, const songfile::SaveError& error);
QString openErrorText(const QString& fileName, const songfile::OpenError& error);

// The pieces of those texts that other file messages share: a file name as the texts quote
// it, and the reason a file could not be read or written.
QString quotedFileName(const QString& fileName);
QString fileProblemText(const songfile::FileError& error);

}  // namespace quavern
