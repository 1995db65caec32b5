#include "export/song_export.h"

#include <span>

#include "export/lead_sheet.h"
#include "export/midi_file.h"
#include "export/music_xml.h"
#include "export/sound_file.h"
#include "songfile/atomic_file.h"

namespace quavern::exporting {
namespace {

using songfile::AtomicFile;
using songfile::Done;
using songfile::Result;

void writeNotes(const SongExport& song, Format format, AtomicFile& file) {
  const LeadSheet sheet = leadSheetOf(song);
  if (format == Format::kMidi) {
    file.write(midiFileBytes(sheet, song.sounds));
  } else {
    const QByteArray bytes = musicXmlBytes(sheet);
    file.write(std::span(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  }
}

}  // namespace

Result<Done, ExportError> exportSong(const SongExport& song, Format format,
                                     std::u16string_view fileName) {
  // Refused before anything is created, so a format the sound library lacks leaves no trace.
  if (isSoundFormat(format) && !canEncode(format)) {
    return ExportError{EncoderError{"this build of the sound library cannot write the format"}};
  }
  AtomicFile file(fileName);
  if (auto opened = file.open(); !opened) {
    return ExportError{std::move(opened).error()};
  }
  if (isSoundFormat(format)) {
    // An encoder error leaves the file's own record clean; dropping the file discards it.
    if (auto written = writeSoundFile(song, format, file); !written) {
      return written;
    }
  } else {
    writeNotes(song, format, file);
  }
  if (auto committed = file.commit(); !committed) {
    return ExportError{std::move(committed).error()};
  }
  return Done{};
}

}  // namespace quavern::exporting
