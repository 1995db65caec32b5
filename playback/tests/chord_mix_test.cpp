// The chords under the melody, as the synthesis mixes them.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "playback/accompaniment.h"
#include "playback/chord_layer.h"
#include "playback/testing/rendered_stream.h"
#include "playback/testing/signal_analysis.h"
#include "playback/tone_synth.h"

namespace quavern::playback {
namespace {

using testing::Samples;

constexpr int kRate = 48000;
const double kChordAmplitude = ChordLayer::kToneLevel * 32767.0;
const double kMelodyAmplitude = ToneSynth::kLevel * 32767.0;

std::vector<std::int16_t> render(const std::vector<Tone>& tones, const Accompaniment& chords,
                                 std::size_t chunkSize = 4096) {
  return testing::renderedStream(tones, chords, kRate, chunkSize);
}

// A whole second from `fromMs` on, where whole-hertz sines are orthogonal.
Samples secondFrom(const std::vector<std::int16_t>& stream, std::int64_t fromMs) {
  return Samples(stream).subspan(static_cast<std::size_t>(sampleAtMs(fromMs, kRate)), kRate);
}

std::vector<Tone> rests(int count, int t) {
  return std::vector<Tone>(static_cast<std::size_t>(count), Tone{kRestHz, t});
}

TEST(ChordMix, EachChordToneSoundsAtItsLevelAndNothingElse) {
  const std::array<int, 4> am = chordFrequencies(19);
  // A melody note over the chord, so both are measured in one mix.
  std::vector<Tone> tones = rests(2, 1000);
  tones.push_back({988, 1000});
  tones.push_back({kRestHz, 1000});
  const auto stream = render(tones, {{500, 3500, am}});

  const Samples second = secondFrom(stream, 2000);
  double expectedPower = kMelodyAmplitude * kMelodyAmplitude / 2.0;
  EXPECT_NEAR(testing::amplitudeAt(second, 988, kRate), kMelodyAmplitude, 0.03 * kMelodyAmplitude);
  for (const int frequency : am) {
    EXPECT_NEAR(testing::amplitudeAt(second, frequency, kRate), kChordAmplitude,
                0.02 * kChordAmplitude)
        << frequency << " Hz";
    expectedPower += kChordAmplitude * kChordAmplitude / 2.0;
  }
  // All the power lies in those five sines: nothing else is heard.
  const double rms = testing::rootMeanSquare(second);
  EXPECT_NEAR(rms * rms, expectedPower, 0.02 * expectedPower);
  // Each chord tone about 15 dB below the melody.
  EXPECT_NEAR(20.0 * std::log10(kMelodyAmplitude / kChordAmplitude), 15.0, 0.1);
}

TEST(ChordMix, MelodySamplesAreTheSameWithAndWithoutChords) {
  const std::vector<Tone> tones{{349, 500}, {523, 500}, {kRestHz, 500}, {1047, 500}, {740, 500}};
  const Accompaniment chords{{500, 1500, chordFrequencies(0)}, {1500, 2500, chordFrequencies(23)}};
  const auto melody = render(tones, {});
  const auto chordsAlone = render(rests(5, 500), chords);
  const auto mix = render(tones, chords);

  ASSERT_EQ(mix.size(), melody.size());
  int worst = 0;
  for (std::size_t i = 0; i < mix.size(); ++i) {
    worst = std::max(worst, std::abs(mix[i] - melody[i] - chordsAlone[i]));
  }
  EXPECT_LE(worst, 1);  // the rounding of two sums, nothing more
  EXPECT_EQ(render(tones, {}, 1 << 20), melody);
}

TEST(ChordMix, ChordEdgesRampSoChangesDoNotClickAndEqualChordsAreTwo) {
  const std::array<int, 4> c = chordFrequencies(0);
  const auto stream = render(rests(6, 500), {{500, 1500, c}, {1500, 2500, c}});
  const std::int64_t ms = kRate / 1000;

  // The steepest any four chord sines can move per sample, and a little rounding.
  const double steepest = 4 * kChordAmplitude * 2.0 * std::numbers::pi * 494.0 / kRate;
  EXPECT_LE(testing::largestStep(stream), steepest + 2.0);
  // Silent before and after, and a dip between the two chords.
  const Samples all(stream);
  EXPECT_EQ(testing::peakMagnitude(all.first(static_cast<std::size_t>(500 * ms))), 0);
  EXPECT_EQ(testing::peakMagnitude(all.subspan(static_cast<std::size_t>(2500 * ms))), 0);
  const auto at = [&](std::int64_t fromMs, std::int64_t lengthMs) {
    return testing::rootMeanSquare(all.subspan(static_cast<std::size_t>(fromMs * ms),
                                               static_cast<std::size_t>(lengthMs * ms)));
  };
  EXPECT_LT(at(1499, 2), 0.1 * at(1200, 100));
}

TEST(ChordMix, TheLoudestMixStaysBelowFullScaleAndChunksDoNotChangeIt) {
  std::vector<Tone> tones;
  for (const int frequency : {1047, 988, 932, 349, 1047, 523}) {
    tones.push_back({frequency, 667});
  }
  Accompaniment chords;
  for (int bar = 0; bar < 4; ++bar) {
    chords.push_back({bar * 1000, (bar + 1) * 1000, chordFrequencies(bar * 5)});
  }
  const auto whole = render(tones, chords, 1 << 20);
  EXPECT_LE(testing::peakMagnitude(whole), kMelodyAmplitude + 4 * kChordAmplitude + 1);
  EXPECT_LT(testing::peakMagnitude(whole), 32767 / 2);
  for (const std::size_t chunk : {1u, 333u, 4096u}) {
    EXPECT_EQ(render(tones, chords, chunk), whole) << "chunks of " << chunk;
  }
}

}  // namespace
}  // namespace quavern::playback
