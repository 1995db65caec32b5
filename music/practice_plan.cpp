#include "music/practice_plan.h"

#include <algorithm>

#include "music/timeline.h"

namespace quavern::music {
namespace {

// Milliseconds from the start of a run of notes to the start of beat `beat` at
// `bpm`: 60000 / bpm a beat, rounded to the nearest millisecond from the exact
// time, never by adding rounded lengths.
std::int64_t beatOffsetMs(std::int64_t beat, int bpm) {
  return (beat * 60000 * 2 + bpm) / (2 * bpm);
}

// Lays `notes` one a beat from `startMs`; returns the end of the run.
std::int64_t layOut(std::vector<PlannedNote>& notes, std::int64_t startMs, int bpm) {
  for (std::size_t k = 0; k < notes.size(); ++k) {
    notes[k].startMs = startMs + beatOffsetMs(static_cast<std::int64_t>(k), bpm);
    notes[k].endMs = startMs + beatOffsetMs(static_cast<std::int64_t>(k) + 1, bpm);
  }
  return startMs + beatOffsetMs(static_cast<std::int64_t>(notes.size()), bpm);
}

}  // namespace

std::vector<PlannedNote> passageNotes(const NotesTexts& notes, int fromBar, int toBar) {
  const std::vector<TokenCut> tokens = cutTokens(notes);
  std::vector<std::size_t> begunInBar(kBarCount, 0);
  std::vector<PlannedNote> passage;
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    const std::size_t bar = tokens[k].first.bar;
    const std::size_t noteInBar = ++begunInBar[bar];
    const auto barNumber = static_cast<int>(bar) + 1;
    if (barNumber >= fromBar && barNumber <= toBar) {
      passage.push_back({tokens[k], k, bar, noteInBar, 0, 0});
    }
  }
  return passage;
}

int passTempo(const PracticeSettings& settings, int pass) {
  const int raised = settings.tempoBpm + (pass - 1) * settings.raiseBpm;
  // A ceiling below the starting tempo leaves the tempo as it starts.
  return std::max(settings.tempoBpm, std::min(raised, settings.upToBpm));
}

PracticePlan planPractice(const NotesTexts& notes, const PracticeSettings& settings) {
  const std::vector<PlannedNote> passage = passageNotes(notes, settings.fromBar, settings.toBar);
  PracticePlan plan;
  const int firstBpm = passTempo(settings, 1);
  for (std::int64_t tone = 0; tone <= kCountInTones; ++tone) {
    plan.countInMs.push_back(beatOffsetMs(tone, firstBpm));
  }
  std::int64_t now = plan.countInMs.back();
  for (int number = 1; number <= settings.passes; ++number) {
    PlannedPass pass;
    pass.number = number;
    pass.bpm = passTempo(settings, number);
    pass.startMs = now;
    if (settings.listenFirst) {
      pass.listen = passage;
      now = layOut(pass.listen, now, pass.bpm);
    }
    pass.play = passage;
    now = layOut(pass.play, now, pass.bpm);
    pass.endMs = now;
    plan.passes.push_back(std::move(pass));
  }
  plan.endMs = now;
  return plan;
}

PracticeSettings clamped(PracticeSettings settings) {
  const int lastBar = static_cast<int>(kBarCount);
  settings.fromBar = std::clamp(settings.fromBar, 1, lastBar);
  settings.toBar = std::clamp(settings.toBar, settings.fromBar, lastBar);
  settings.tempoBpm = std::clamp(settings.tempoBpm, kSlowestBpm, kFastestBpm);
  settings.upToBpm = std::clamp(settings.upToBpm, kSlowestBpm, kFastestBpm);
  settings.passes = std::clamp(settings.passes, 1, kMostPasses);
  settings.raiseBpm = std::clamp(settings.raiseBpm, 0, kLargestRaiseBpm);
  return settings;
}

}  // namespace quavern::music
