#pragma once

#include <array>
#include <string>
#include <string_view>

namespace quavern::music {

// Chord index i (0..23) is the major (even i) or minor (odd i) chord on the root
// i / 2 semitones above c. A chord selector with nothing chosen reports -1,
// which names no chord.
inline constexpr int kChordCount = 24;
inline constexpr int kNoChord = -1;

// In selector order. Black-key roots carry their flat name, then their sharp name.
inline constexpr std::array<std::string_view, kChordCount> kChordNames{
    "C",     "Cm",      "Db C#", "Dbm C#m", "D",     "Dm",      "Eb D#", "Ebm D#m",
    "E",     "Em",      "F",     "Fm",      "Gb F#", "Gbm F#m", "G",     "Gm",
    "Ab G#", "Abm G#m", "A",     "Am",      "Bb A#", "Bbm A#m", "B",     "Bm"};

constexpr bool isChordIndex(int index) {
  return index >= 0 && index < kChordCount;
}

// Columns: root, third, fifth, minor seventh, each folded into the octave c..b.
// The table has 30 rows; rows 24 to 29 stay empty and no chord index names them.
inline constexpr std::size_t kChordToneRows = 30;
inline constexpr std::size_t kTonesPerChord = 4;
using ChordToneTable = std::array<std::array<std::string, kTonesPerChord>, kChordToneRows>;

// The tones of every chord with black keys spelt as flats, and as sharps.
// Empty until fillChordToneTables() runs while the main window is built;
// read-only from then on.
extern ChordToneTable cdf;
extern ChordToneTable cds;

void fillChordToneTables();

// The pitches of a chord's four tones (root, third, fifth, minor seventh) in
// semitones above c, each folded into 0 to 11; the pitches the tables spell.
std::array<int, kTonesPerChord> chordPitchClasses(int chordIndex);

// Spelling selector values: which of the two tables a new bar is drawn from.
inline constexpr int kFlatSpelling = 1;
inline constexpr int kSharpSpelling = 2;

}  // namespace quavern::music
