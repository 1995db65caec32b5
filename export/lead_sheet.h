#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "export/song_export.h"
#include "music/chords.h"
#include "music/note_tokens.h"

namespace quavern::exporting {

// The song as written music, for the note formats: one quarter note per token of every
// pass, cut as the play cuts them, and one 4/4 bar per bar of every pass. The two run side
// by side from the same start and need not end together: a bar whose notes text is not 8
// characters long shifts the later tokens but not the bars.
struct LeadSheet {
  std::int32_t quarterMs = 1000;                          // the play's note duration
  std::vector<std::optional<music::NoteToken>> quarters;  // the melody; nothing is a rest
  std::vector<int> barChords;  // chord index of every bar of every pass, or music::kNoChord
};

LeadSheet leadSheetOf(const SongExport& song);

// The four tones of a chord as "make" draws them (root, third, fifth, minor seventh),
// in semitones above c, 0 to 11.
std::array<int, music::kTonesPerChord> chordTones(int chordIndex);

// Half steps from one c to the next.
inline constexpr int kSemitonesPerOctave = 12;

}  // namespace quavern::exporting
