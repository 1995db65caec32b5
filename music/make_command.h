#pragma once

#include <array>
#include <functional>
#include <string>

#include "music/bar_generator.h"
#include "music/bars.h"
#include "music/chords.h"

namespace quavern::music {

// What "make" needs to know of one bar.
struct BarChoice {
  bool regenerate = false;
  int chordIndex = kNoChord;
};

using BarChoices = std::array<BarChoice, kBarCount>;

// Called with the bar's position (0 for bar 1) and its new notes.
using WriteNotes = std::function<void(std::size_t bar, const std::string& notes)>;

// Gives every bar marked for regeneration fresh notes over its chord, bar 1
// first, and hands each bar's notes over as soon as they are drawn. Bars not
// marked take no draw and are not written.
void makeBars(const BarChoices& bars, int bs, DrawSource& draws, const WriteNotes& writeNotes);

}  // namespace quavern::music
