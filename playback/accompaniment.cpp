#include "playback/accompaniment.h"

#include <algorithm>

#include "music/chords.h"
#include "music/timeline.h"

namespace quavern::playback {
namespace {

constexpr std::size_t kTokensPerBar = 4;

// Equal-tempered with A = 440 Hz, rounded: the octave below the melody's.
constexpr std::array<int, 12> kAccompanimentHz{262, 277, 294, 311, 330, 349,
                                               370, 392, 415, 440, 466, 494};

}  // namespace

std::array<int, 4> chordFrequencies(int chordIndex) {
  std::array<int, 4> frequencies{};
  const auto pitchClasses = music::chordPitchClasses(chordIndex);
  for (std::size_t tone = 0; tone < frequencies.size(); ++tone) {
    frequencies[tone] = kAccompanimentHz[static_cast<std::size_t>(pitchClasses[tone])];
  }
  return frequencies;
}

Accompaniment chordSchedule(const music::ChordIndexes& chords, std::size_t tokensPerPass,
                            std::int32_t t, std::int32_t passes) {
  Accompaniment spans;
  const auto msAtToken = [t](std::size_t token) { return static_cast<std::int64_t>(token) * t; };
  for (std::int32_t pass = 0; pass < passes; ++pass) {
    const std::size_t passStart = static_cast<std::size_t>(music::kCountInTones) +
                                  static_cast<std::size_t>(pass) * tokensPerPass;
    for (std::size_t bar = 0; bar < chords.size(); ++bar) {
      const std::size_t first = bar * kTokensPerBar;
      if (first >= tokensPerPass) {
        break;
      }
      if (!music::isChordIndex(chords[bar])) {
        continue;
      }
      const std::size_t last = std::min(first + kTokensPerBar, tokensPerPass);
      spans.push_back({msAtToken(passStart + first), msAtToken(passStart + last),
                       chordFrequencies(chords[bar])});
    }
  }
  return spans;
}

}  // namespace quavern::playback
