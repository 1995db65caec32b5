#pragma once

#include <algorithm>
#include <array>
#include <optional>
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

// The note a token names, or nothing for text that names no note (the play's rests). The
// match is exact and case-sensitive, as the play's pitch table matches.
constexpr std::optional<NoteToken> findNoteToken(std::u16string_view text) {
  const auto* found = std::find_if(kNoteTokens.begin(), kNoteTokens.end(), [text](NoteToken note) {
    return std::equal(text.begin(), text.end(), note.text.begin(), note.text.end());
  });
  if (found == kNoteTokens.end()) {
    return std::nullopt;
  }
  return *found;
}

}  // namespace quavern::music
