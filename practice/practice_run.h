#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "music/bars.h"
#include "music/practice_plan.h"
#include "practice/judge_settings.h"
#include "practice/pass_judge.h"
#include "practice/performance.h"

namespace quavern::practice {

// The lane: a strip of the passage's notes on one octave's rows, the heard
// pitch drawn over it, and where the listener is. Plain values, painted by
// the window and checked by tests.
inline constexpr int kLaneRows = 13;  // c to C, the octave the song is written in

enum class LaneMark {
  Listen,  // sounded for the player to hear first
  Due,     // to play, not judged yet
  Right,   // right and on time
  Late,
  Early,
  Wrong,
  Missed,
};

struct LaneNote {
  std::int64_t startMs = 0;  // stream milliseconds
  std::int64_t endMs = 0;
  int row = 0;        // 0 (c) to 12 (C)
  std::string label;  // the token as the bar writes it
  LaneMark mark = LaneMark::Due;
};

struct LaneTracePoint {
  std::int64_t ms = 0;    // stream milliseconds
  double row = 0.0;       // fractional row, folded into the lane's octave
  bool onTarget = false;  // within the pitch limit of the note due then
};

struct LaneModel {
  std::vector<LaneNote> notes;  // of the pass being heard; rests have no note
  std::vector<LaneTracePoint> trace;
  std::int64_t playheadMs = 0;
  std::int64_t viewStartMs = 0;  // the stretch of the stream in sight
  std::int64_t viewEndMs = 0;
};

// The rows' names from the bottom: "c-", "db", ... "b-", "C-".
std::string laneRowName(int row);

// A pass judged to its end.
struct FinishedPass {
  int number = 1;
  int bpm = 60;
  std::vector<SlotVerdict> verdicts;
  double loudestDbfs = -120.0;  // the input's loudest frame during the pass
};

// A pass during which the input never rose above this heard nothing usable.
inline constexpr double kTooQuietDbfs = -45.0;

// One practice as it runs: judges each pass of the plan as the performance
// grows, and says what the lane shows. Pure: no clock, no device.
class PracticeRun {
 public:
  PracticeRun(music::PracticePlan plan, JudgeSettings settings);

  // Lines the performance up with the stream; judging starts only then. While
  // takesAlignment, a better estimate replaces the last one.
  void align(Alignment alignment);
  bool aligned() const { return alignment_.has_value(); }
  // True until the listener hears the first note the player plays: no note
  // has been judged yet, so the alignment may still be made or bettered.
  bool takesAlignment(std::int64_t heardMs) const;

  // Judges what the performance now covers; returns the passes finished since
  // the last call, in order.
  std::vector<FinishedPass> update(const Performance& performance);

  bool finished() const;
  const music::PracticePlan& plan() const { return plan_; }

  LaneModel lane(std::int64_t heardMs, const Performance& performance) const;

 private:
  struct PassState {
    PassJudge judge;
    bool reported = false;
  };

  std::size_t passIndexAt(std::int64_t heardMs) const;
  std::vector<LaneNote> laneNotes(std::size_t pass) const;
  void addTrace(LaneModel& lane, const Performance& performance) const;
  double loudestDuring(const music::PlannedPass& pass, const Performance& performance) const;

  music::PracticePlan plan_;
  JudgeSettings settings_;
  std::optional<Alignment> alignment_;
  std::vector<PassState> passes_;
};

// The slots the judge checks for a pass: its played notes, on the stream's
// sample grid.
std::vector<Slot> slotsOf(const music::PlannedPass& pass);

// What the "Heard" read-out says of a pitch: the nearest note as the player
// writes it, spelt with flats, and the offset from it, as "a- +12 cents";
// "-" when no steady pitch is heard.
std::string heardText(std::optional<double> hz, Transposition transposition);

// Entry b is true when a note that begins in bar b was not right.
std::array<bool, music::kBarCount> barsNotRight(std::span<const SlotVerdict> verdicts);

}  // namespace quavern::practice
