#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "music/timeline.h"
#include "music/token_cuts.h"
#include "practice/pitch_class.h"
#include "practice/pitch_detector.h"

namespace quavern::practice {

// What the microphone took in during a practice, and where the song lies in it.
struct Take {
  Samples samples;  // mono, signed 16-bit
  int sampleRate = 48000;
  // Index in `samples` of the sample captured at the instant the player heard
  // stream sample 0, the first sample of the count-in. Negative when the input
  // started later, beyond the end when it ended earlier.
  std::int64_t streamOrigin = 0;
};

enum class Verdict {
  NotJudged,  // the token names no note: a rest
  Right,      // its pitch class heard, in any octave, within kRightWithinCents
  Wrong,      // another steady pitch heard
  Missed,     // no steady pitch heard, or no input for the slot
};

// A pitch counts as the note's within a quarter tone either side.
inline constexpr double kRightWithinCents = 50.0;

// Count-in tones before the first note of the pass: the play's.
inline constexpr std::int64_t kCountInNotes = music::kCountInTones;

struct NoteJudgement {
  music::TokenCut token;
  std::size_t bar = 0;        // 0 to 15: the bar of the token's first character
  std::size_t noteInBar = 1;  // 1, 2, ...: among the tokens that begin in that bar
  Verdict verdict = Verdict::NotJudged;
  std::optional<double> heardHz{};         // the steady pitch, when there was one
  std::optional<PitchClass> heardClass{};  // its nearest pitch class
};

// Judges one pass of the song played back after the count-in: token k (from 0)
// is due from stream millisecond (4 + k) * noteMs for noteMs, and is judged on
// the input heard from a quarter to three quarters of that slot. One judgement
// per token, in song order.
std::vector<NoteJudgement> judgeTake(const std::vector<music::TokenCut>& tokens,
                                     std::int32_t noteMs, const Take& take);

// The median pitch through samples [begin, end) of the input, or nothing when no
// steady pitch is heard there or the input does not cover that stretch.
std::optional<double> steadyPitch(PitchDetector& detector, Samples samples, std::int64_t begin,
                                  std::int64_t end);

}  // namespace quavern::practice
