#pragma once

#include <array>
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
  friend bool operator==(const Alignment&, const Alignment&) = default;
};

// Judges the slots of one pass as the performance grows. Pure: no clock, no
// device; a slot is judged as soon as its onset is decided (the performance's
// onsets cover its first half, or reach as far past its start as the nearest
// onset found lies from it) and its frames cover three quarters of it, so a
// pass's result is ready shortly after its end.
//
// A note slot is judged on what the performance holds around it:
// - its onset: from half the slot before its start to half the slot after
//   (the windows of slots in a row tile the timeline), where the harmonics of
//   the pitch heard, clear of the last note's, rose, read from the
//   performance's recent sound; for a note at a harmonic of the last
//   (octaves, a twelfth, ... above it), where all its harmonics rose; for the
//   last note played again, where all its harmonics dipped together and rose
//   again. Over the last note's sound the pitch heard may be the mixture's:
//   when none of these is found, the pitch heard is the last note's at
//   another octave, or it is a subharmonic of the note whose harmonics clear
//   of the last note's rose most (from the last slot's second quarter to this
//   slot's middle half), that note is heard instead (the pitch heard itself,
//   but for a subharmonic, if that rose half as much), when its harmonics
//   carry within 12 dB of the level heard and rose in the window. Else, as
//   for a MIDI key, of the onsets there the one nearest its start. Without
//   one, nothing began in the slot, and whatever is heard there (the last
//   note's ring or the room's reverb) is the last note's: the slot is missed.
// - its pitch, as in 1.1: the median of the frames centred in the middle half
//   of the slot (25% to 75%), steady when more than half of them have a pitch;
//   right when within pitchWithinCents of the sounding pitch class wanted, in
//   any octave. A slot starting before the performance does is missed, and so
//   is one that sounds the pitch class of the last note heard 6 dB and more
//   below it: that is the note's ring, release or reverb, where a flicker
//   looked like an attack. A key pressed again is a new note however softly,
//   and so is a note at a harmonic of the last whose harmonics all rose.
// - its timing, for a right note: the onset minus the slot's start in whole
//   milliseconds (rounded), on time when within onTimeWithinMs either way.
class PassJudge {
 public:
  PassJudge(std::vector<Slot> slots, JudgeSettings settings, Alignment alignment);

  // Judges every slot the performance now covers; returns the verdicts new
  // since the last call, in slot order.
  std::vector<SlotVerdict> update(const Performance& performance);

  bool finished() const;
  const std::vector<SlotVerdict>& verdicts() const;  // all so far, in slot order

  // Performance samples needed past a slot's end before it can be judged: none,
  // as onsets past the slot's middle and frames past three quarters of it
  // belong to the next slot.
  static std::int64_t lookAheadSamples();

 private:
  struct HeardNote {
    double hz = 0.0;
    double levelDbfs = 0.0;  // median over the slot's middle half
  };

  SlotVerdict judge(const Slot& slot, const Performance& performance);
  bool isTailOfLastNote(double heardHz, double levelDbfs) const;
  bool isSameNoteAsLast(double heardHz) const;
  bool isLastNotesClass(double heardHz) const;
  bool isOtherOctaveOfLastNote(double heardHz) const;
  std::optional<double> steadyPitchIn(const Performance& performance, std::int64_t begin,
                                      std::int64_t end) const;
  std::optional<Onset> onsetOf(const Performance& performance, std::int64_t start,
                               std::int64_t length) const;
  std::optional<Onset> heardNoteBegan(const Performance& performance, std::int64_t start,
                                      std::int64_t length, double heardHz) const;
  std::optional<Onset> overtoneLeapBegan(const Performance& performance, std::int64_t start,
                                         std::int64_t length) const;
  std::optional<Onset> risenNoteBegan(const Performance& performance, std::int64_t start,
                                      std::int64_t length, std::optional<double> heardHz) const;
  bool onsetDecided(const Performance& performance, std::int64_t start, std::int64_t length) const;

  std::vector<Slot> slots_;
  JudgeSettings settings_;
  Alignment alignment_;
  std::vector<SlotVerdict> verdicts_;
  std::optional<HeardNote> lastNote_;  // the last slot judged to sound a note
};

// Entry b (0 to 15) is true when a note that begins in bar b was wrong or
// missed: the main window's tints.
std::array<bool, music::kBarCount> barsWithNoteNotRight(std::span<const SlotVerdict> verdicts);

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
