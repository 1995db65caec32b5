#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "export/formats.h"
#include "music/bars.h"
#include "music/chords.h"
#include "playback/sound_font.h"
#include "playback/sounds.h"
#include "songfile/file_error.h"
#include "songfile/result.h"

// Exporting a song to a file that other programs read: the played sound, the notes for a
// sequencer, or a lead sheet for a notation program.
namespace quavern::exporting {

// The song and the play settings, as plain values read from the window or a song file.
struct SongExport {
  music::NotesTexts notes;
  music::ChordIndexes chords{};  // chord index per bar, or music::kNoChord
  int tempoIndex = 0;            // the tempo selector's entry: 0 "60", 1 "80", 2 "100", 3 "120"
  std::int32_t loop = 1;         // passes over the song
  // Chords under the melody: sounded in the sound formats; MIDI and MusicXML always carry
  // the chords.
  bool withChords = false;
  // The melody's and the chords' sounds: the sound formats sound them, the MIDI file names
  // their General MIDI programs. An instrument needs sounds.soundFont, as found by
  // playback::findSoundFont.
  playback::StreamSounds sounds;
};

// The sound library would not encode the samples; `reason` is its own wording.
struct EncoderError {
  std::string reason;

  friend bool operator==(const EncoderError&, const EncoderError&) = default;
};

// The instruments asked for could not sound: their SoundFont did not load.
using ExportError = std::variant<songfile::FileError, EncoderError, playback::SoundFontFailure>;

// Writes the song to `fileName` in `format`. The file is written completely or not at all:
// on any error a file already there keeps its bytes and no partial file is left. The name
// is used exactly as typed, relative to the current directory.
songfile::Result<songfile::Done, ExportError> exportSong(const SongExport& song, Format format,
                                                         std::u16string_view fileName);

}  // namespace quavern::exporting
