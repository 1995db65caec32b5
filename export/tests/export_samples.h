#pragma once

#include <initializer_list>
#include <string>

#include "export/song_export.h"
#include "music/chords.h"

namespace quavern::exporting::samples {

// A song whose first bars hold the given notes and chords; the bars after them are empty
// and name no chord.
inline SongExport song(std::initializer_list<std::u16string> notes,
                       std::initializer_list<int> chords, int tempoIndex = 0,
                       std::int32_t loop = 1) {
  SongExport song;
  song.chords.fill(music::kNoChord);
  std::size_t bar = 0;
  for (const std::u16string& text : notes) {
    song.notes.at(bar++) = text;
  }
  bar = 0;
  for (const int chord : chords) {
    song.chords.at(bar++) = chord;
  }
  song.tempoIndex = tempoIndex;
  song.loop = loop;
  return song;
}

// All 16 bars alike.
inline SongExport uniformSong(std::u16string notes, int chord, int tempoIndex, std::int32_t loop) {
  SongExport song;
  song.notes.fill(notes);
  song.chords.fill(chord);
  song.tempoIndex = tempoIndex;
  song.loop = loop;
  return song;
}

}  // namespace quavern::exporting::samples
