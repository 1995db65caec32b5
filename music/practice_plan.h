#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "music/bars.h"
#include "music/token_cuts.h"

namespace quavern::music {

// What the player asks of a practice, as the practice window's controls hold it.
struct PracticeSettings {
  int fromBar = 1;    // 1 to 16, the passage's first bar
  int toBar = 16;     // fromBar to 16, its last
  int tempoBpm = 60;  // first pass, one token a beat
  int passes = 1;
  int raiseBpm = 0;          // each next pass this much faster...
  int upToBpm = 120;         // ...but never past this
  bool listenFirst = false;  // each pass is first sounded, then played back
};

inline constexpr int kSlowestBpm = 30;
inline constexpr int kFastestBpm = 240;
inline constexpr int kMostPasses = 99;
inline constexpr int kLargestRaiseBpm = 20;

// One token of the passage at its place on the stream's timeline.
struct PlannedNote {
  TokenCut token;
  std::size_t songIndex = 0;  // the token's place in a pass over the whole song, from 0
  std::size_t bar = 0;        // 0 to 15: the bar of its first character
  std::size_t noteInBar = 1;  // 1, 2, ...: among the song's tokens that begin in that bar
  std::int64_t startMs = 0;   // stream milliseconds, end excluded
  std::int64_t endMs = 0;
};

struct PlannedPass {
  int number = 1;  // from 1
  int bpm = 60;
  std::vector<PlannedNote> listen;  // the passage sounded first, with "Listen first"
  std::vector<PlannedNote> play;    // the passage for the player, in silence
  std::int64_t startMs = 0;         // of the pass, its listening part included
  std::int64_t endMs = 0;
};

// A whole practice: the count-in at the first pass's tempo, then the passes one
// after another without a gap. Every boundary lies on the millisecond grid play
// uses, rounded from the exact beat time within each run of notes, so no pass
// drifts whatever its tempo.
struct PracticePlan {
  std::vector<std::int64_t> countInMs;  // the count-in's tone boundaries: five, from 0
  std::vector<PlannedPass> passes;
  std::int64_t endMs = 0;
};

// The tokens that begin in bars fromBar to toBar (1 to 16), as play cuts them.
std::vector<PlannedNote> passageNotes(const NotesTexts& notes, int fromBar, int toBar);

// The tempo of pass `pass` (from 1).
int passTempo(const PracticeSettings& settings, int pass);

PracticePlan planPractice(const NotesTexts& notes, const PracticeSettings& settings);

// The settings held within their ranges: a passage inside the song with From
// not after To, tempos and counts inside the controls' limits.
PracticeSettings clamped(PracticeSettings settings);

}  // namespace quavern::music
