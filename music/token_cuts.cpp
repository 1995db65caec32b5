#include "music/token_cuts.h"

#include "music/note_tokens.h"

namespace quavern::music {
namespace {

std::vector<CharPlace> placesOfEveryCharacter(const NotesTexts& notes) {
  std::vector<CharPlace> places;
  for (std::size_t bar = 0; bar < notes.size(); ++bar) {
    for (std::size_t offset = 0; offset < notes[bar].size(); ++offset) {
      places.push_back({bar, offset});
    }
  }
  return places;
}

char16_t characterAt(const NotesTexts& notes, CharPlace place) {
  return notes[place.bar][place.offset];
}

}  // namespace

std::vector<TokenCut> cutTokens(const NotesTexts& notes) {
  const std::vector<CharPlace> places = placesOfEveryCharacter(notes);
  std::vector<TokenCut> tokens;
  tokens.reserve(places.size() / kTokenLength);
  for (std::size_t i = 0; i + 1 < places.size(); i += kTokenLength) {
    const CharPlace first = places[i];
    const CharPlace second = places[i + 1];
    tokens.push_back({{characterAt(notes, first), characterAt(notes, second)}, first, second});
  }
  return tokens;
}

}  // namespace quavern::music
