#pragma once

#include <array>
#include <string_view>

namespace quavern::music {

// A note token is two ASCII characters: a letter, then "-" (natural), "b" (flat)
// or "#" (sharp). Lower case covers one octave from c up to b; "C-" is the c an
// octave higher. Case matters. A run of notes is tokens joined with nothing between.
struct NoteToken {
  std::string_view text;
  int semitonesAboveC;
};

inline constexpr std::size_t kTokenLength = 2;

// All 18 tokens the program knows, lowest first; each black key has a sharp and
// a flat name for the same pitch.
inline constexpr std::array<NoteToken, 18> kNoteTokens{{
    {"c-", 0},
    {"c#", 1},
    {"db", 1},
    {"d-", 2},
    {"d#", 3},
    {"eb", 3},
    {"e-", 4},
    {"f-", 5},
    {"f#", 6},
    {"gb", 6},
    {"g-", 7},
    {"g#", 8},
    {"ab", 8},
    {"a-", 9},
    {"a#", 10},
    {"bb", 10},
    {"b-", 11},
    {"C-", 12},
}};

}  // namespace quavern::music
