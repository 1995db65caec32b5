#pragma once

#include <array>
#include <random>
#include <string>
#include <string_view>

#include "songfile/song.h"

namespace quavern::songfile::samples {

// Flat and sharp spellings of every pitch, and the high "C-".
inline constexpr std::array<std::u16string_view, 18> kNoteTokens = {
    u"c-", u"c#", u"db", u"d-", u"d#", u"eb", u"e-", u"f-", u"f#",
    u"gb", u"g-", u"g#", u"ab", u"a-", u"a#", u"bb", u"b-", u"C-"};

// Hand-typed notes that no generator would make, still 8 characters each.
inline constexpr std::array<std::u16string_view, 6> kTypedNotes = {
    u"C-C-C-C-", u"x y z 12", u"        ", u",,,,,,,,", u"10,11,12", u"\"'\\/;:=!"};

inline std::u16string randomNotes(std::mt19937& random) {
  std::uniform_int_distribution<std::size_t> pickTyped(0, 4);
  if (pickTyped(random) == 0) {
    std::uniform_int_distribution<std::size_t> typed(0, kTypedNotes.size() - 1);
    return std::u16string(kTypedNotes[typed(random)]);
  }
  std::uniform_int_distribution<std::size_t> token(0, kNoteTokens.size() - 1);
  std::u16string notes;
  for (int i = 0; i < 4; ++i)
    notes += kNoteTokens[token(random)];
  return notes;
}

// Songs numbered 0, 1, ... take their chords in turn from 0 to 23, so any two consecutive
// ones use every chord between them.
inline Song randomSong(std::mt19937& random, int songNumber) {
  Song song;
  for (std::size_t bar = 0; bar < kBarCount; ++bar) {
    song.notes[bar] = randomNotes(random);
    song.chords[bar] =
        (songNumber * static_cast<int>(kBarCount) + static_cast<int>(bar)) % kChordCount;
  }
  return song;
}

inline Song uniformSong(std::u16string_view notes, int chord) {
  Song song;
  song.notes.fill(std::u16string(notes));
  song.chords.fill(chord);
  return song;
}

}  // namespace quavern::songfile::samples
