#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace quavern::music {

// A song has 16 bars, numbered row by row over the window's 4 x 4 grid.
inline constexpr std::size_t kBarCount = 16;

// The notes texts of bars 1 to 16 as the window holds them: UTF-16, because
// positions in them count 16-bit characters.
using NotesTexts = std::array<std::u16string, kBarCount>;

// The chosen chord of bars 1 to 16: a chord index (0 "C" to 23 "Bm"), or
// kNoChord when the bar's selector names none.
using ChordIndexes = std::array<int, kBarCount>;

}  // namespace quavern::music
