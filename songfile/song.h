#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace quavern::songfile {

inline constexpr std::size_t kBarCount = 16;
// Counted in UTF-16 code units, as the window's text fields count characters.
inline constexpr std::size_t kNotesLength = 8;
inline constexpr int kChordCount = 24;
// What a chord selector without a chosen entry reports.
inline constexpr int kNoChord = -1;

// The part of the window that a song file keeps: per bar its notes text and the index of
// its chosen chord (0 "C" to 23 "Bm", kNoChord when none).
struct Song {
  std::array<std::u16string, kBarCount> notes;
  std::array<int, kBarCount> chords{};

  friend bool operator==(const Song&, const Song&) = default;
};

}  // namespace quavern::songfile
