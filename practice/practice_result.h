#pragma once

#include <array>
#include <span>
#include <string>

#include "music/bars.h"
#include "practice/judge.h"

namespace quavern::practice {

// Tokens that name a note, and of those the ones heard right.
int judgedCount(std::span<const NoteJudgement> judgements);
int rightCount(std::span<const NoteJudgement> judgements);

// The message at the end of a practice, lines separated by '\n', no newline at
// the end:
//   Practice: N of M notes right.
//   bar B, note K: heard X, wanted Y
//   bar B, note K: missed, wanted Y
// with one line per note not right, in song order. B counts bars from 1, K the
// tokens that begin in that bar from 1; X is the pitch class heard, spelt with
// flats ("eb", "bb"), Y the token as the bar writes it. ASCII throughout.
std::string resultText(std::span<const NoteJudgement> judgements);

// Entry b (0 to 15, as in music::NotesTexts) is true when a note that begins in
// bar b was wrong or missed.
std::array<bool, music::kBarCount> barsWithNoteNotRight(std::span<const NoteJudgement> judgements);

}  // namespace quavern::practice
