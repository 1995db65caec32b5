#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "music/bars.h"
#include "music/timeline.h"
#include "music/token_cuts.h"
#include "practice/audio_analyser.h"
#include "practice/pass_judge.h"

// A whole pass of a song laid out as the practice window lays it out, and a
// performance analysed the way the window feeds it.
namespace quavern::practice::testing {

// Token k is due from stream millisecond (firstSlot + k) * noteMs, after the
// count-in by default.
inline std::vector<Slot> slotsOf(const std::vector<music::TokenCut>& tokens, std::int64_t noteMs,
                                 std::int64_t firstSlot = music::kCountInTones) {
  std::vector<Slot> slots;
  std::vector<std::size_t> begunInBar(music::kBarCount, 0);
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    const auto slot = firstSlot + static_cast<std::int64_t>(k);
    slots.push_back({.token = tokens[k],
                     .bar = tokens[k].first.bar,
                     .noteInBar = ++begunInBar.at(tokens[k].first.bar),
                     .startSample = music::sampleAtMs(slot * noteMs, kPerformanceRate),
                     .endSample = music::sampleAtMs((slot + 1) * noteMs, kPerformanceRate)});
  }
  return slots;
}

// Feeds `input` in chunks of `chunk` samples (all at once for 0).
inline Performance analyse(std::span<const std::int16_t> input, std::size_t chunk = 0) {
  AudioAnalyser analyser;
  Performance performance;
  if (chunk == 0) {
    analyser.feed(input, performance);
    return performance;
  }
  for (std::size_t at = 0; at < input.size(); at += chunk) {
    analyser.feed(input.subspan(at, std::min(chunk, input.size() - at)), performance);
  }
  return performance;
}

// Judges the performance as it grows chunk by chunk, as the window would.
inline std::vector<SlotVerdict> judgeLive(std::vector<Slot> slots,
                                          std::span<const std::int16_t> input,
                                          JudgeSettings settings, std::int64_t streamOrigin,
                                          std::size_t chunk = 960,
                                          Performance* analysed = nullptr) {
  PassJudge judge(std::move(slots), settings, {streamOrigin});
  AudioAnalyser analyser;
  Performance performance;
  for (std::size_t at = 0; at < input.size(); at += chunk) {
    analyser.feed(input.subspan(at, std::min(chunk, input.size() - at)), performance);
    judge.update(performance);
  }
  // The input goes on after the pass: silence lets the last slots be judged.
  const std::vector<std::int16_t> silence(chunk, 0);
  for (int extra = 0; !judge.finished() && extra < 1000; ++extra) {
    analyser.feed(silence, performance);
    judge.update(performance);
  }
  if (analysed != nullptr) {
    *analysed = performance;
  }
  return judge.verdicts();
}

}  // namespace quavern::practice::testing
