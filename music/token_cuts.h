#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "music/bars.h"

namespace quavern::music {

// One character of a bar's notes text: bar 0 to 15, and the 16-bit character's
// position in that bar's text, counted from 0.
struct CharPlace {
  std::size_t bar = 0;
  std::size_t offset = 0;

  friend bool operator==(const CharPlace&, const CharPlace&) = default;
};

// One two-character token of a pass over the song, as play cuts it, and where
// its two characters stand. A bar with an odd number of characters shifts every
// later cut, so a token's characters may lie in two different bars.
struct TokenCut {
  std::u16string text;
  CharPlace first;
  CharPlace second;

  friend bool operator==(const TokenCut&, const TokenCut&) = default;
};

// Cuts the 16 notes texts, joined with nothing between, into two-character
// tokens from the start. An odd last character belongs to no token.
std::vector<TokenCut> cutTokens(const NotesTexts& notes);

}  // namespace quavern::music
