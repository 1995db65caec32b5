#include "practice/practice_run.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "music/timeline.h"
#include "practice/pitch_class.h"

namespace quavern::practice {
namespace {

// The lane shows at most this many beats at once, so that notes stay wide
// enough to read at fast tempos and a long passage scrolls.
constexpr std::int64_t kBeatsInSight = 12;
// The playhead stands this far into the view, so the notes coming are seen.
constexpr std::int64_t kPlayheadQuarters = 1;  // of the view's width

std::int64_t streamMsOf(std::int64_t performanceSample, const Alignment& alignment) {
  return (performanceSample - alignment.streamOrigin) * 1000 / kPerformanceRate;
}

// Row 12 is the c an octave above row 0, the "C-" the song writes.
std::optional<int> rowOf(std::u16string_view token) {
  const std::optional<PitchClass> pitchClass = pitchClassOfToken(token);
  if (!pitchClass) {
    return std::nullopt;
  }
  return token == u"C-" ? kLaneRows - 1 : *pitchClass;
}

std::string asciiOf(std::u16string_view text) {
  std::string ascii;
  for (const char16_t c : text) {
    ascii.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  }
  return ascii;
}

LaneMark markOf(const SlotVerdict& verdict) {
  switch (verdict.verdict) {
    case Verdict::Wrong:
      return LaneMark::Wrong;
    case Verdict::Missed:
      return LaneMark::Missed;
    case Verdict::Right:
      break;
    case Verdict::NotJudged:
      return LaneMark::Due;
  }
  switch (verdict.timing) {
    case Timing::Late:
      return LaneMark::Late;
    case Timing::Early:
      return LaneMark::Early;
    default:
      return LaneMark::Right;
  }
}

// The written pitch of a sounding frequency, in semitones on the MIDI scale.
double writtenSemitones(double hz, Transposition transposition) {
  return semitonesOf(hz) - soundingMinusWritten(transposition);
}

// The fold of a written pitch into the lane's octave nearest to `nearRow`.
double foldedRow(double semitones, double nearRow) {
  const double inOctave = semitones - 12.0 * std::floor(semitones / 12.0);  // 0 to 12
  double best = inOctave;
  for (const double candidate : {inOctave - 12.0, inOctave + 12.0}) {
    if (candidate >= -0.5 && candidate <= kLaneRows - 0.5 &&
        std::abs(candidate - nearRow) < std::abs(best - nearRow)) {
      best = candidate;
    }
  }
  return best;
}

}  // namespace

std::string laneRowName(int row) {
  if (row == kLaneRows - 1) {
    return "C-";
  }
  return std::string(flatSpelling(row));
}

std::vector<Slot> slotsOf(const music::PlannedPass& pass) {
  std::vector<Slot> slots;
  slots.reserve(pass.play.size());
  for (const music::PlannedNote& note : pass.play) {
    slots.push_back({note.token, note.bar, note.noteInBar,
                     music::sampleAtMs(note.startMs, kPerformanceRate),
                     music::sampleAtMs(note.endMs, kPerformanceRate)});
  }
  return slots;
}

PracticeRun::PracticeRun(music::PracticePlan plan, JudgeSettings settings)
    : plan_(std::move(plan)), settings_(settings) {}

void PracticeRun::align(Alignment alignment) {
  if (alignment_ == alignment) {
    return;
  }
  alignment_ = alignment;
  passes_.clear();
  for (const music::PlannedPass& pass : plan_.passes) {
    passes_.push_back({PassJudge(slotsOf(pass), settings_, alignment), false});
  }
}

bool PracticeRun::takesAlignment(std::int64_t heardMs) const {
  if (plan_.passes.empty() || plan_.passes.front().play.empty()) {
    return !aligned();
  }
  return heardMs < plan_.passes.front().play.front().startMs;
}

std::vector<FinishedPass> PracticeRun::update(const Performance& performance) {
  std::vector<FinishedPass> finished;
  for (std::size_t k = 0; k < passes_.size(); ++k) {
    PassState& state = passes_[k];
    if (state.reported) {
      continue;
    }
    state.judge.update(performance);
    if (!state.judge.finished()) {
      break;  // later passes cannot be judged before this one
    }
    state.reported = true;
    const music::PlannedPass& pass = plan_.passes[k];
    finished.push_back(
        {pass.number, pass.bpm, state.judge.verdicts(), loudestDuring(pass, performance)});
  }
  return finished;
}

bool PracticeRun::finished() const {
  return aligned() && std::all_of(passes_.begin(), passes_.end(),
                                  [](const PassState& state) { return state.reported; });
}

double PracticeRun::loudestDuring(const music::PlannedPass& pass,
                                  const Performance& performance) const {
  double loudest = -120.0;
  for (const PitchFrame& frame : performance.frames) {
    const std::int64_t ms = streamMsOf(frame.sample, *alignment_);
    if (ms >= pass.startMs && ms < pass.endMs) {
      loudest = std::max(loudest, frame.levelDbfs);
    }
  }
  return loudest;
}

std::size_t PracticeRun::passIndexAt(std::int64_t heardMs) const {
  std::size_t index = 0;
  for (std::size_t k = 0; k < plan_.passes.size(); ++k) {
    if (plan_.passes[k].startMs <= heardMs) {
      index = k;
    }
  }
  return index;
}

std::vector<LaneNote> PracticeRun::laneNotes(std::size_t pass) const {
  const music::PlannedPass& planned = plan_.passes[pass];
  const std::vector<SlotVerdict>* verdicts =
      passes_.empty() ? nullptr : &passes_[pass].judge.verdicts();
  std::vector<LaneNote> notes;
  for (const music::PlannedNote& note : planned.listen) {
    if (const auto row = rowOf(note.token.text)) {
      notes.push_back({note.startMs, note.endMs, *row, asciiOf(note.token.text), LaneMark::Listen});
    }
  }
  for (std::size_t k = 0; k < planned.play.size(); ++k) {
    const music::PlannedNote& note = planned.play[k];
    if (const auto row = rowOf(note.token.text)) {
      const LaneMark mark =
          verdicts != nullptr && k < verdicts->size() ? markOf((*verdicts)[k]) : LaneMark::Due;
      notes.push_back({note.startMs, note.endMs, *row, asciiOf(note.token.text), mark});
    }
  }
  return notes;
}

LaneModel PracticeRun::lane(std::int64_t heardMs, const Performance& performance) const {
  LaneModel lane;
  lane.playheadMs = heardMs;
  if (plan_.passes.empty()) {
    return lane;
  }
  const std::size_t index = passIndexAt(heardMs);
  const music::PlannedPass& pass = plan_.passes[index];
  lane.notes = laneNotes(index);
  const std::int64_t beatMs = 60000 / pass.bpm;
  const std::int64_t width = std::min(pass.endMs - pass.startMs, kBeatsInSight * beatMs);
  const std::int64_t wanted = heardMs - width * kPlayheadQuarters / 4;
  lane.viewStartMs = std::clamp(wanted, pass.startMs, std::max(pass.startMs, pass.endMs - width));
  lane.viewEndMs = lane.viewStartMs + width;
  if (alignment_) {
    addTrace(lane, performance);
  }
  return lane;
}

// The frames heard within the view, the latest last; each drawn in the octave
// of the note due at its time, so that a voice an octave off still lands on it.
void PracticeRun::addTrace(LaneModel& lane, const Performance& performance) const {
  const std::int64_t firstSample =
      music::sampleAtMs(lane.viewStartMs, kPerformanceRate) + alignment_->streamOrigin;
  const auto first = std::lower_bound(
      performance.frames.begin(), performance.frames.end(), firstSample,
      [](const PitchFrame& frame, std::int64_t sample) { return frame.sample < sample; });
  const double tolerance = settings_.pitchWithinCents / 100.0;
  for (auto frame = first; frame != performance.frames.end(); ++frame) {
    const std::int64_t ms = streamMsOf(frame->sample, *alignment_);
    if (ms > lane.viewEndMs || ms > lane.playheadMs) {
      break;
    }
    if (!frame->hz) {
      continue;
    }
    const auto due = std::find_if(lane.notes.begin(), lane.notes.end(), [ms](const LaneNote& n) {
      return n.mark != LaneMark::Listen && n.startMs <= ms && ms < n.endMs;
    });
    const double nearRow = due != lane.notes.end() ? due->row : 6.0;
    const double row = foldedRow(writtenSemitones(*frame->hz, settings_.transposition), nearRow);
    const bool onTarget = due != lane.notes.end() && std::abs(row - due->row) <= tolerance;
    lane.trace.push_back({ms, row, onTarget});
  }
}

std::string heardText(std::optional<double> hz, Transposition transposition) {
  if (!hz || *hz <= 0.0) {
    return "-";
  }
  const double semitones = writtenSemitones(*hz, transposition);
  const double nearest = std::round(semitones);
  const auto pitchClass =
      static_cast<PitchClass>(static_cast<long>(nearest) % 12 + 12) % kPitchClassCount;
  const auto cents = static_cast<long>(std::lround((semitones - nearest) * 100.0));
  return std::string(flatSpelling(pitchClass)) + (cents < 0 ? " " : " +") + std::to_string(cents) +
         " cents";
}

std::array<bool, music::kBarCount> barsNotRight(std::span<const SlotVerdict> verdicts) {
  std::array<bool, music::kBarCount> bars{};
  for (const SlotVerdict& verdict : verdicts) {
    if (verdict.verdict == Verdict::Wrong || verdict.verdict == Verdict::Missed) {
      bars.at(verdict.slot.bar) = true;
    }
  }
  return bars;
}

}  // namespace quavern::practice
