#include "practice/judge.h"

#include <algorithm>
#include <cmath>

#include "music/bars.h"

namespace quavern::practice {
namespace {

// Pitch is estimated every 10 ms through the judged stretch, on at most this
// many frames: enough for a median that shrugs off a few bad frames, few enough
// that judging a long song at the slowest tempo takes a moment only.
constexpr std::int64_t kFrameStepMs = 10;
constexpr std::int64_t kMostFrames = 24;

struct Stretch {
  std::int64_t begin = 0;  // input samples, end excluded
  std::int64_t end = 0;
};

// From 25% to 75% of slot k: what a player in time holds, clear of the onset
// and of the move to the next note.
Stretch judgedStretch(std::int64_t k, std::int32_t noteMs, const Take& take) {
  const std::int64_t slotStart = music::sampleAtMs((kCountInNotes + k) * noteMs, take.sampleRate);
  const std::int64_t slotEnd = music::sampleAtMs((kCountInNotes + k + 1) * noteMs, take.sampleRate);
  const std::int64_t length = slotEnd - slotStart;
  return {take.streamOrigin + slotStart + length / 4,
          take.streamOrigin + slotStart + length * 3 / 4};
}

// First sample of each frame analysed in [begin, end): evenly spread, every
// frame wholly inside. A stretch shorter than a frame gets one frame on its middle.
std::vector<std::int64_t> frameStarts(std::int64_t begin, std::int64_t end,
                                      std::int64_t frameLength, int sampleRate) {
  const std::int64_t room = end - begin - frameLength;
  if (room < 0) {
    return {begin + (end - begin) / 2 - frameLength / 2};
  }
  const std::int64_t step =
      std::max(music::sampleAtMs(kFrameStepMs, sampleRate), room / (kMostFrames - 1) + 1);
  std::vector<std::int64_t> starts;
  for (std::int64_t start = begin; start <= begin + room; start += step) {
    starts.push_back(start);
  }
  return starts;
}

double median(std::vector<double> values) {
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

NoteJudgement judgeNote(const music::TokenCut& token, std::optional<double> heardHz) {
  NoteJudgement judgement;
  judgement.token = token;
  const std::optional<PitchClass> wanted = pitchClassOfToken(token.text);
  if (!wanted) {
    judgement.verdict = Verdict::NotJudged;
    return judgement;
  }
  if (!heardHz) {
    judgement.verdict = Verdict::Missed;
    return judgement;
  }
  judgement.heardHz = heardHz;
  judgement.heardClass = nearestPitchClass(*heardHz);
  const bool inTune = std::abs(centsFromPitchClass(*heardHz, *wanted)) <= kRightWithinCents;
  judgement.verdict = inTune ? Verdict::Right : Verdict::Wrong;
  return judgement;
}

}  // namespace

// "Steady" means that more than half of the frames through the stretch have a
// pitch. A note held through the middle of its slot gives a pitch in nearly
// every frame; what a missed note leaves there (the tail of the previous note,
// a breath, a click, a late onset) gives a few at most. The median of those
// pitches is the one heard: vibrato swings evenly about it, and the odd frame
// taken an octave off or caught in noise does not move it.
std::optional<double> steadyPitch(PitchDetector& detector, Samples samples, std::int64_t begin,
                                  std::int64_t end) {
  const auto frameLength = static_cast<std::int64_t>(detector.frameLength());
  const std::vector<std::int64_t> starts =
      frameStarts(begin, end, frameLength, detector.sampleRate());
  if (starts.front() < 0 || starts.back() + frameLength > std::ssize(samples) || begin < 0 ||
      end > std::ssize(samples)) {
    return std::nullopt;
  }
  std::vector<double> pitches;
  for (const std::int64_t start : starts) {
    const Samples frame =
        samples.subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(frameLength));
    if (const std::optional<double> hz = detector.detect(frame)) {
      pitches.push_back(*hz);
    }
  }
  if (2 * pitches.size() <= starts.size()) {
    return std::nullopt;
  }
  return median(std::move(pitches));
}

std::vector<NoteJudgement> judgeTake(const std::vector<music::TokenCut>& tokens,
                                     std::int32_t noteMs, const Take& take) {
  PitchDetector detector(take.sampleRate);
  std::vector<std::size_t> tokensBegunInBar(music::kBarCount, 0);
  std::vector<NoteJudgement> judgements;
  judgements.reserve(tokens.size());
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    const music::TokenCut& token = tokens[k];
    std::optional<double> heardHz;
    if (pitchClassOfToken(token.text)) {
      const Stretch stretch = judgedStretch(static_cast<std::int64_t>(k), noteMs, take);
      heardHz = steadyPitch(detector, take.samples, stretch.begin, stretch.end);
    }
    NoteJudgement judgement = judgeNote(token, heardHz);
    judgement.bar = token.first.bar;
    judgement.noteInBar = ++tokensBegunInBar.at(token.first.bar);
    judgements.push_back(std::move(judgement));
  }
  return judgements;
}

}  // namespace quavern::practice
