#pragma once

#include <initializer_list>
#include <string>

#include "music/bars.h"

namespace quavern::music::testing {

// A song whose first bars hold the given notes texts; the rest are empty.
inline NotesTexts notesOf(std::initializer_list<std::u16string> bars) {
  NotesTexts notes;
  std::size_t bar = 0;
  for (const std::u16string& text : bars) {
    notes.at(bar++) = text;
  }
  return notes;
}

}  // namespace quavern::music::testing
