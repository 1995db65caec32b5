#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "music/token_cuts.h"
#include "practice/judge.h"
#include "practice/judge_settings.h"
#include "practice/performance.h"
#include "practice/pitch_class.h"

namespace quavern::practice {

// One note the player is to play: a token of the passage and its slot on the
// stream's timeline, in stream samples at kPerformanceRate (stream sample 0 is
// the first sample of the count-in as the listener heard it).
struct Slot {
  music::TokenCut token;
  std::size_t bar = 0;        // 0 to 15: the bar of the token's first character
  std::size_t noteInBar = 1;  // 1, 2, ...: among the tokens that begin in that bar
  std::int64_t startSample = 0;
  std::int64_t endSample = 0;  // excluded
};

enum class Timing {
  NotJudged,  // a rest, or a note not right
  OnTime,
  Late,
  Early,
};

struct SlotVerdict {
  Slot slot;
  Verdict verdict = Verdict::NotJudged;
  std::optional<double> heardHz{};  // the steady pitch heard, sounding
  std::optional<PitchClass>
      heardWrittenClass{};  // its nearest pitch class, as the player writes it
  Timing timing = Timing::NotJudged;
  std::optional<std::int64_t> onsetOffsetMs{};  // onset minus slot start; a right note only
};

// Where the performance lies on the stream: performance sample
// `streamOrigin` was taken in when the listener heard stream sample 0, the
// input's measured or set delay already taken off.
struct Alignment {
  std::int64_t streamOrigin = 0;
};

// Judges the slots of one pass as the performance grows. Pure: no clock, no
// device; a slot is judged as soon as the performance covers it and a little
// after, so a pass's result is ready shortly after its end.
class PassJudge {
 public:
  PassJudge(std::vector<Slot> slots, JudgeSettings settings, Alignment alignment);

  // Judges every slot the performance now covers; returns the verdicts new
  // since the last call, in slot order.
  std::vector<SlotVerdict> update(const Performance& performance);

  bool finished() const;
  const std::vector<SlotVerdict>& verdicts() const;  // all so far, in slot order

  // Performance samples needed past a slot's end before it can be judged.
  static std::int64_t lookAheadSamples();
};

// "Pass P, T BPM: N of M notes right, K of N on time."
std::string passResultLine(int pass, int bpm, std::span<const SlotVerdict> verdicts);

// One line per note not right or not on time, in song order:
//   bar B, note K: heard X, wanted Y
//   bar B, note K: missed, wanted Y
//   bar B, note K: 120 ms late
//   bar B, note K: 60 ms early
// X is the heard pitch class as the player writes it, spelt with flats.
std::vector<std::string> passDetailLines(std::span<const SlotVerdict> verdicts);

}  // namespace quavern::practice
