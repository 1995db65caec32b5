#pragma once

#include "export/song_export.h"
#include "songfile/atomic_file.h"

namespace quavern::exporting {

// 48 kHz mono, as the play sends it to the sound device.
inline constexpr int kSoundFileChannels = 1;

// Whether the sound library at hand can encode `format`, a sound format.
bool canEncode(Format format);

// Renders the play of the song into `file`, opened, in `format`, a sound format: the
// count-in, then every token `song.loop` times over, nothing before or after. The samples
// are the ones the play sends to the sound device, from the same synthesis, streamed to the
// file a chunk at a time, so a play of any length costs the same memory. Leaves committing
// the file to the caller.
songfile::Result<songfile::Done, ExportError> writeSoundFile(const SongExport& song, Format format,
                                                             songfile::AtomicFile& file);

}  // namespace quavern::exporting
