#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "music/bars.h"
#include "music/chords.h"

namespace quavern::songfile {

using music::kBarCount;
using music::kChordCount;
using music::kNoChord;
// Counted in UTF-16 code units, as the window's text fields count characters.
inline constexpr std::size_t kNotesLength = 8;

// The part of the window that a song file keeps: per bar its notes text and the index of
// its chosen chord (0 "C" to 23 "Bm", kNoChord when none).
struct Song {
  music::NotesTexts notes;
  std::array<int, kBarCount> chords{};

  friend bool operator==(const Song&, const Song&) = default;
};

}  // namespace quavern::songfile
