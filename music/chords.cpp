#include "music/chords.h"

namespace quavern::music {

ChordToneTable cdf;
ChordToneTable cds;

namespace {

constexpr std::size_t kSemitonesPerOctave = 12;
constexpr std::size_t kMajorThird = 4;
constexpr std::size_t kMinorThird = 3;
constexpr std::size_t kFifth = 7;
constexpr std::size_t kMinorSeventh = 10;

// Index: pitch above c within the octave. A tone's name depends on its pitch
// alone, never on the chord it belongs to.
constexpr std::array<std::string_view, kSemitonesPerOctave> kFlatNames{
    "c-", "db", "d-", "eb", "e-", "f-", "gb", "g-", "ab", "a-", "bb", "b-"};
constexpr std::array<std::string_view, kSemitonesPerOctave> kSharpNames{
    "c-", "c#", "d-", "d#", "e-", "f-", "f#", "g-", "g#", "a-", "a#", "b-"};

constexpr std::size_t kFilledRows = kChordCount;

std::array<std::size_t, kTonesPerChord> chordPitches(std::size_t chordIndex) {
  const std::size_t root = chordIndex / 2;
  const bool minor = chordIndex % 2 == 1;
  const std::size_t third = minor ? kMinorThird : kMajorThird;
  return {root, root + third, root + kFifth, root + kMinorSeventh};
}

void fillTable(ChordToneTable& table,
               const std::array<std::string_view, kSemitonesPerOctave>& names) {
  for (std::size_t chord = 0; chord < kFilledRows; ++chord) {
    const auto pitches = chordPitches(chord);
    for (std::size_t column = 0; column < kTonesPerChord; ++column) {
      table[chord][column] = names[pitches[column] % kSemitonesPerOctave];
    }
  }
}

}  // namespace

std::array<int, kTonesPerChord> chordPitchClasses(int chordIndex) {
  const auto pitches = chordPitches(static_cast<std::size_t>(chordIndex));
  std::array<int, kTonesPerChord> classes{};
  for (std::size_t column = 0; column < kTonesPerChord; ++column) {
    classes[column] = static_cast<int>(pitches[column] % kSemitonesPerOctave);
  }
  return classes;
}

void fillChordToneTables() {
  fillTable(cdf, kFlatNames);
  fillTable(cds, kSharpNames);
}

}  // namespace quavern::music
