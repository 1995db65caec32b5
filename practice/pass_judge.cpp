#include "practice/pass_judge.h"

#include <algorithm>
#include <cmath>

#include "practice/onset_refiner.h"
#include "practice/pitch_detector.h"
#include "practice/risen_note.h"

namespace quavern::practice {
namespace {

// A tail is measured from outside at 7 to 23 dB below its note; a note played
// again by a steady hand is within a few dB of the last.
constexpr double kTailBelowNoteDb = 6.0;
constexpr double kTailWithinCents = 50.0;

// A note that rose out of the last note's sound carries within 12 dB of the
// sound's level: what rises in a slot where nothing was played (the noise, a
// harmonic of the reverb's beating) is 20 dB and more below it.
constexpr double kRisenBelowHeardDb = 12.0;

// The stretches compared for a risen note: at most 150 ms of the last note and
// 300 ms of this one, enough to tell apart the harmonics of a bass's lowest
// notes; longer ones at slow tempos would only cost more.
constexpr std::int64_t kRisenBeforeSamples = kPerformanceRate * 150 / 1000;
constexpr std::int64_t kRisenHeldSamples = kPerformanceRate * 300 / 1000;

// A note heard within half a semitone of the last is that note again.
constexpr double kSameNoteWithinSemitones = 0.5;

bool isOvertoneOf(double hz, double fundamentalHz) {
  return overtoneNumber(hz, fundamentalHz).has_value();
}

struct Stretch {
  std::int64_t begin = 0;  // performance samples, end excluded
  std::int64_t end = 0;
};

// From 25% to 75% of the slot: what a player in time holds, clear of the
// onset and of the move to the next note; as 1.1 judged.
Stretch judgedStretch(std::int64_t start, std::int64_t length) {
  return {start + length / 4, start + length * 3 / 4};
}

// A slot's onset lies before the middle of the slot; what begins after it
// belongs to the next slot.
std::int64_t onsetWindowEnd(std::int64_t start, std::int64_t length) {
  return start + (length - length / 2);
}

std::int64_t ceilDiv(std::int64_t value, std::int64_t divisor) {
  return value >= 0 ? (value + divisor - 1) / divisor : -((-value) / divisor);
}

double median(std::vector<double> values) {
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

// The frames centred in [begin, end).
std::span<const PitchFrame> framesIn(const Performance& performance, std::int64_t begin,
                                     std::int64_t end) {
  const auto first = std::ranges::lower_bound(performance.frames, begin, {}, &PitchFrame::sample);
  const auto last =
      std::ranges::lower_bound(first, performance.frames.end(), end, {}, &PitchFrame::sample);
  return {first, last};
}

// The median level of frames, at least one.
double medianLevel(std::span<const PitchFrame> frames) {
  std::vector<double> levels;
  for (const PitchFrame& frame : frames) {
    levels.push_back(frame.levelDbfs);
  }
  return median(std::move(levels));
}

PitchClass wrappedClass(int semitones) {
  return ((semitones % kPitchClassCount) + kPitchClassCount) % kPitchClassCount;
}

// Samples to whole milliseconds, rounded half away from zero.
std::int64_t wholeMs(std::int64_t samples) {
  const std::int64_t scaled = samples * 1000;
  const std::int64_t half = kPerformanceRate / 2;
  return scaled >= 0 ? (scaled + half) / kPerformanceRate : -((-scaled + half) / kPerformanceRate);
}

// Judged tokens are note names, which are ASCII.
std::string ascii(std::u16string_view text) {
  std::string result;
  for (const char16_t character : text) {
    result.push_back(static_cast<char>(character));
  }
  return result;
}

bool isNotRight(const SlotVerdict& verdict) {
  return verdict.verdict == Verdict::Wrong || verdict.verdict == Verdict::Missed;
}

std::string placeOf(const Slot& slot) {
  return "bar " + std::to_string(slot.bar + 1) + ", note " + std::to_string(slot.noteInBar) + ": ";
}

}  // namespace

PassJudge::PassJudge(std::vector<Slot> slots, JudgeSettings settings, Alignment alignment)
    : slots_(std::move(slots)), settings_(settings), alignment_(alignment) {
  verdicts_.reserve(slots_.size());
}

std::int64_t PassJudge::lookAheadSamples() {
  return 0;
}

bool PassJudge::finished() const {
  return verdicts_.size() == slots_.size();
}

const std::vector<SlotVerdict>& PassJudge::verdicts() const {
  return verdicts_;
}

std::vector<SlotVerdict> PassJudge::update(const Performance& performance) {
  std::vector<SlotVerdict> fresh;
  while (!finished()) {
    const Slot& slot = slots_[verdicts_.size()];
    const std::int64_t start = slot.startSample + alignment_.streamOrigin;
    const std::int64_t length = slot.endSample - slot.startSample;
    if (!onsetDecided(performance, start, length) ||
        performance.framesFinalUntil() < judgedStretch(start, length).end) {
      break;
    }
    verdicts_.push_back(judge(slot, performance));
    fresh.push_back(verdicts_.back());
  }
  return fresh;
}

SlotVerdict PassJudge::judge(const Slot& slot, const Performance& performance) {
  SlotVerdict result;
  result.slot = slot;
  const std::optional<PitchClass> written = pitchClassOfToken(slot.token.text);
  if (!written) {
    return result;
  }
  const std::int64_t start = slot.startSample + alignment_.streamOrigin;
  const std::int64_t length = slot.endSample - slot.startSample;
  const Stretch stretch = judgedStretch(start, length);
  std::optional<double> heardHz = steadyPitchIn(performance, stretch.begin, stretch.end);
  std::optional<Onset> onset;
  if (heardHz) {
    onset = heardNoteBegan(performance, start, length, *heardHz);
  }
  // Over the last note's sound the pitch heard may be the mixture's: then the
  // heard note's onset is not found, or it is heard at another octave of the
  // last note, taking its harmonics clear of that from the note played, or at
  // a subharmonic of the note (a third or a fifth of it), whose harmonics
  // include all of the note's.
  const bool mayBeMixture = !onset || isOtherOctaveOfLastNote(*heardHz);
  if (const std::optional<Onset> risen = risenNoteBegan(performance, start, length, heardHz);
      risen && (mayBeMixture || isOvertoneOf(*risen->hz, *heardHz))) {
    onset = risen;
    heardHz = risen->hz;
  }
  if (!onset) {
    onset = onsetOf(performance, start, length);
  }
  if (!onset && heardHz && isSameNoteAsLast(*heardHz)) {
    onset = overtoneLeapBegan(performance, start, length);
    if (onset) {
      heardHz = onset->hz;
    }
  }
  if (!heardHz || !onset) {
    result.verdict = Verdict::Missed;
    return result;
  }
  // A steady pitch was heard, so the stretch has frames.
  const double level = medianLevel(framesIn(performance, stretch.begin, stretch.end));
  if (!onset->certain && isTailOfLastNote(*heardHz, level)) {
    result.verdict = Verdict::Missed;
    return result;
  }
  lastNote_ = HeardNote{*heardHz, level};
  const int transposition = soundingMinusWritten(settings_.transposition);
  const PitchClass sounding = wrappedClass(*written + transposition);
  result.heardHz = heardHz;
  result.heardWrittenClass = wrappedClass(nearestPitchClass(*heardHz) - transposition);
  const bool inTune =
      std::abs(centsFromPitchClass(*heardHz, sounding)) <= settings_.pitchWithinCents;
  result.verdict = inTune ? Verdict::Right : Verdict::Wrong;
  if (!inTune) {
    return result;
  }
  const std::int64_t offsetMs = wholeMs(onset->sample - start);
  result.onsetOffsetMs = offsetMs;
  if (std::abs(offsetMs) <= settings_.onTimeWithinMs) {
    result.timing = Timing::OnTime;
  } else {
    result.timing = offsetMs > 0 ? Timing::Late : Timing::Early;
  }
  return result;
}

// A slot that sounds the pitch class of the last note heard, far softer than
// that note sounded, holds its ring, release or reverb: an onset found there
// is the tail's flicker, not a new note. A note played again is about as loud
// as before.
bool PassJudge::isTailOfLastNote(double heardHz, double levelDbfs) const {
  return isLastNotesClass(heardHz) && levelDbfs < lastNote_->levelDbfs - kTailBelowNoteDb;
}

bool PassJudge::isOtherOctaveOfLastNote(double heardHz) const {
  return isLastNotesClass(heardHz) && !isSameNoteAsLast(heardHz);
}

bool PassJudge::isSameNoteAsLast(double heardHz) const {
  return lastNote_ &&
         std::abs(semitonesOf(heardHz) - semitonesOf(lastNote_->hz)) <= kSameNoteWithinSemitones;
}

bool PassJudge::isLastNotesClass(double heardHz) const {
  return lastNote_ && std::abs(centsFromPitchClass(heardHz, nearestPitchClass(lastNote_->hz))) <=
                          kTailWithinCents;
}

// Where the note heard in the slot began, within the slot's onset window: where
// its harmonics clear of the last note's rose. A note at a harmonic of the
// last (octaves, a twelfth, ... above it) has none clear of it: it began where
// all its harmonics rose, from a quarter of the slot before its start on,
// after the last note's own attack. The last note played again began where
// all its harmonics dipped together and rose.
std::optional<Onset> PassJudge::heardNoteBegan(const Performance& performance, std::int64_t start,
                                               std::int64_t length, double heardHz) const {
  if (performance.sound.samples.empty()) {
    return std::nullopt;
  }
  const Stretch stretch = judgedStretch(start, length);
  const SampleWindow window{performance.sound.samples, performance.sound.first};
  const std::int64_t to = onsetWindowEnd(start, length);
  const auto began = [&](std::int64_t from, std::optional<double> oldHz) {
    return noteBegan(window, from, to, stretch.begin, stretch.end, heardHz, oldHz,
                     kPerformanceRate);
  };
  const std::optional<double> oldHz =
      lastNote_ ? std::optional<double>(lastNote_->hz) : std::nullopt;
  std::optional<std::int64_t> onset = began(start - length / 2, oldHz);
  if (!onset && oldHz) {
    if (isOvertoneOf(heardHz, *oldHz)) {
      // Out of the quiet a ring or reverb leaves there, all its harmonics
      // rising is nothing but a new note, however softly it was played.
      if (const std::optional<std::int64_t> leap =
              noteLeaptTo(window, start - length / 4, to, stretch.begin, stretch.end, heardHz,
                          kPerformanceRate)) {
        return Onset{*leap, heardHz, true};
      }
    } else if (isSameNoteAsLast(heardHz)) {
      // A dip within the stretch the note is judged on, where the player holds
      // it, is a choir's beating or a bow's change, not the note played again.
      onset = noteRepeated(window, start - length / 2, std::min(to, stretch.begin), stretch.begin,
                           stretch.end, heardHz, kPerformanceRate);
    }
  }
  if (!onset) {
    return std::nullopt;
  }
  return Onset{*onset, heardHz, false};
}

// Over the last note's ring or reverb, a note at one of its harmonics (a
// twelfth, two octaves, a seventeenth above it) may be heard as the last note
// itself, whose sound it strengthens, and show no onset: the note played is
// the lowest such note, the interval to it in whole semitones, whose
// harmonics, its fundamental among them, all rose out of the ring's sound.
// From half the slot before its start on, after the last note's own attack.
std::optional<Onset> PassJudge::overtoneLeapBegan(const Performance& performance,
                                                  std::int64_t start, std::int64_t length) const {
  if (performance.sound.samples.empty() || !lastNote_) {
    return std::nullopt;
  }
  const Stretch stretch = judgedStretch(start, length);
  const SampleWindow window{performance.sound.samples, performance.sound.first};
  for (int harmonic = 2; harmonic <= kHighestOvertone; ++harmonic) {
    const double semitones = std::round(kPitchClassCount * std::log2(harmonic));
    const double hz = lastNote_->hz * std::exp2(semitones / kPitchClassCount);
    if (hz > PitchDetector::kHighestHz) {
      break;
    }
    if (const std::optional<std::int64_t> leap =
            noteLeaptToUnheard(window, start - length / 2, onsetWindowEnd(start, length),
                               stretch.begin, stretch.end, hz, kPerformanceRate)) {
      return Onset{*leap, hz, true};
    }
  }
  return std::nullopt;
}

// A note begun over the last while that still sounds as loud: the note whose
// harmonics rose out of it, when they carry a good share of what is heard and
// rose where the note began.
std::optional<Onset> PassJudge::risenNoteBegan(const Performance& performance, std::int64_t start,
                                               std::int64_t length,
                                               std::optional<double> heardHz) const {
  const Stretch stretch = judgedStretch(start, length);
  const std::span<const PitchFrame> held = framesIn(performance, stretch.begin, stretch.end);
  if (performance.sound.samples.empty() || !lastNote_ || held.empty()) {
    return std::nullopt;
  }
  const SampleWindow window{performance.sound.samples, performance.sound.first};
  // The second quarter of the last slot holds the last note, after its attack
  // even when it was played late; the end of it is nearest this one.
  const std::int64_t beforeTo = start - length / 2;
  const std::int64_t beforeFrom = std::max(start - length * 3 / 4, beforeTo - kRisenBeforeSamples);
  const std::int64_t heldTo = std::min(stretch.end, stretch.begin + kRisenHeldSamples);
  const std::optional<RisenNote> risen =
      risenNote(window, beforeFrom, beforeTo, stretch.begin, heldTo, lastNote_->hz, heardHz,
                PitchDetector::kLowestHz, PitchDetector::kHighestHz, kPerformanceRate);
  // When the pitch heard stands, what was found for it holds.
  if (!risen || risen->hz == heardHz || risen->levelDbfs < medianLevel(held) - kRisenBelowHeardDb) {
    return std::nullopt;
  }
  const std::optional<std::int64_t> onset =
      noteBegan(window, start - length / 2, onsetWindowEnd(start, length), stretch.begin,
                stretch.end, risen->hz, lastNote_->hz, kPerformanceRate);
  if (!onset) {
    return std::nullopt;
  }
  return Onset{*onset, risen->hz, false};
}

// The slot's onset is decided once the onsets cover its window, or once they
// cover as far past its start as the nearest onset found lies from it: no
// onset added later can lie nearer. A note on time is so judged as soon as its
// pitch is, without waiting for the rest of the window.
bool PassJudge::onsetDecided(const Performance& performance, std::int64_t start,
                             std::int64_t length) const {
  const std::int64_t covered = performance.coveredUntil;
  if (covered >= onsetWindowEnd(start, length)) {
    return true;
  }
  const std::optional<Onset> nearest = onsetOf(performance, start, length);
  return nearest && nearest->sample < covered &&
         start + std::abs(nearest->sample - start) <= covered;
}

// The onset nearest the slot's start among those from half the slot before it
// to half the slot after.
std::optional<Onset> PassJudge::onsetOf(const Performance& performance, std::int64_t start,
                                        std::int64_t length) const {
  const std::int64_t from = start - length / 2;
  const std::int64_t to = onsetWindowEnd(start, length);
  const auto first = std::ranges::lower_bound(performance.onsets, from, {}, &Onset::sample);
  std::optional<Onset> nearest;
  for (auto onset = first; onset != performance.onsets.end() && onset->sample < to; ++onset) {
    if (!nearest || std::abs(onset->sample - start) < std::abs(nearest->sample - start)) {
      nearest = *onset;
    }
  }
  return nearest;
}

// The median pitch of the frames centred in [begin, end), when more than half
// of the frames due there have one; frames the performance lacks count as
// without. Nothing when the stretch begins before the performance does.
std::optional<double> PassJudge::steadyPitchIn(const Performance& performance, std::int64_t begin,
                                               std::int64_t end) const {
  if (begin < 0 || end <= begin) {
    return std::nullopt;
  }
  const std::int64_t due = ceilDiv(end, kFrameHopSamples) - ceilDiv(begin, kFrameHopSamples);
  std::vector<double> pitches;
  for (const PitchFrame& frame : framesIn(performance, begin, end)) {
    if (frame.hz) {
      pitches.push_back(*frame.hz);
    }
  }
  if (2 * std::ssize(pitches) <= std::max<std::int64_t>(due, 1)) {
    return std::nullopt;
  }
  return median(std::move(pitches));
}

std::string passResultLine(int pass, int bpm, std::span<const SlotVerdict> verdicts) {
  const auto judged = std::ranges::count_if(
      verdicts, [](const SlotVerdict& v) { return v.verdict != Verdict::NotJudged; });
  const auto right = std::ranges::count_if(
      verdicts, [](const SlotVerdict& v) { return v.verdict == Verdict::Right; });
  const auto onTime = std::ranges::count_if(verdicts, [](const SlotVerdict& v) {
    return v.verdict == Verdict::Right && v.timing == Timing::OnTime;
  });
  return "Pass " + std::to_string(pass) + ", " + std::to_string(bpm) +
         " BPM: " + std::to_string(right) + " of " + std::to_string(judged) + " notes right, " +
         std::to_string(onTime) + " of " + std::to_string(right) + " on time.";
}

std::vector<std::string> passDetailLines(std::span<const SlotVerdict> verdicts) {
  std::vector<std::string> lines;
  for (const SlotVerdict& verdict : verdicts) {
    const std::string place = placeOf(verdict.slot);
    const std::string wanted = ", wanted " + ascii(verdict.slot.token.text);
    if (verdict.verdict == Verdict::Wrong && verdict.heardWrittenClass) {
      lines.push_back(place + "heard " + std::string(flatSpelling(*verdict.heardWrittenClass)) +
                      wanted);
    } else if (verdict.verdict == Verdict::Missed) {
      lines.push_back(place + "missed" + wanted);
    } else if (verdict.verdict == Verdict::Right && verdict.onsetOffsetMs &&
               verdict.timing != Timing::OnTime) {
      const std::int64_t ms = *verdict.onsetOffsetMs;
      lines.push_back(place + std::to_string(std::abs(ms)) +
                      (verdict.timing == Timing::Late ? " ms late" : " ms early"));
    }
  }
  return lines;
}

std::array<bool, music::kBarCount> barsWithNoteNotRight(std::span<const SlotVerdict> verdicts) {
  std::array<bool, music::kBarCount> bars{};
  for (const SlotVerdict& verdict : verdicts) {
    if (isNotRight(verdict)) {
      bars.at(verdict.slot.bar) = true;
    }
  }
  return bars;
}

}  // namespace quavern::practice
