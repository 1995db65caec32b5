#include "playback/tone_synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "playback/testing/rendered_stream.h"
#include "playback/testing/signal_analysis.h"

namespace quavern::playback {
namespace {

using testing::Samples;

constexpr int kRate = 48000;
const double kAmplitude = ToneSynth::kLevel * 32767.0;

std::vector<std::int16_t> renderStream(const std::vector<Tone>& tones, int sampleRate = kRate,
                                       std::size_t chunkSize = 4096) {
  return testing::renderedStream(tones, {}, sampleRate, chunkSize);
}

Samples slice(const std::vector<std::int16_t>& samples, std::int64_t from, std::int64_t count) {
  return Samples(samples).subspan(static_cast<std::size_t>(from), static_cast<std::size_t>(count));
}

TEST(SampleAtMs, RoundsTheCumulativeTime) {
  struct Row {
    std::int64_t ms;
    int rate;
    std::int64_t sample;
  };
  const Row rows[] = {{0, 48000, 0},
                      {833, 48000, 39984},
                      {667, 48000, 32016},
                      {833, 44100, 36735},
                      {1666, 44100, 73471},
                      {667, 44100, 29415},
                      {2001, 44100, 88244},
                      {1, 44100, 44},
                      {3, 44100, 132},
                      {5, 22050, 110},
                      {322000000, 48000, 15456000000}};
  for (const Row& row : rows) {
    EXPECT_EQ(sampleAtMs(row.ms, row.rate), row.sample) << row.ms << " ms at " << row.rate;
  }
}

TEST(ToneSynth, ToneLengthsComeFromCumulativeTimeSoLongPlaysDoNotDrift) {
  for (const int duration : {1000, 833, 667, 500}) {
    for (const int rate : {48000, 44100}) {
      ToneSynth synth(rate);
      std::int64_t rendered = 0;
      for (int k = 0; k < 644; ++k) {
        synth.startTone({523, duration});
        EXPECT_EQ(synth.toneStartSample(), sampleAtMs(std::int64_t{k} * duration, rate));
        rendered += synth.samplesLeft();
      }
      EXPECT_EQ(rendered, sampleAtMs(644LL * duration, rate)) << duration << " ms at " << rate;
    }
  }
}

TEST(ToneSynth, EveryPitchMeasuresWithinOneHertz) {
  for (const int frequency :
       {349, 523, 554, 587, 622, 659, 698, 740, 784, 831, 880, 932, 988, 1047}) {
    for (const int duration : {500, 833}) {
      const auto stream = renderStream({{frequency, duration}});
      const std::int64_t ramp = sampleAtMs(ToneSynth::kRampMs, kRate);
      const Samples steady = slice(stream, ramp, std::ssize(stream) - 2 * ramp);
      EXPECT_NEAR(testing::measureFrequencyHz(steady, kRate), frequency, 1.0)
          << frequency << " Hz for " << duration << " ms";
    }
  }
}

TEST(ToneSynth, LevelIsModerateAndNeverAboveFullScale) {
  for (const int frequency : {349, 523, 880, 1047}) {
    const auto stream = renderStream({{frequency, 1000}});
    const int peak = testing::peakMagnitude(stream);
    EXPECT_LE(peak, 32767);
    const double peakDbfs = 20.0 * std::log10(peak / 32767.0);
    EXPECT_NEAR(peakDbfs, -12.0, 0.2) << frequency << " Hz";
    EXPECT_NEAR(testing::rootMeanSquare(stream), kAmplitude / std::numbers::sqrt2,
                0.02 * kAmplitude);
  }
}

TEST(ToneSynth, ToneRisesAndFallsWithinItsDuration) {
  const auto stream = renderStream({{880, 500}});
  const std::int64_t ms = kRate / 1000;
  const std::int64_t total = std::ssize(stream);
  ASSERT_EQ(total, 500 * ms);

  EXPECT_EQ(stream.front(), 0);
  EXPECT_EQ(stream.back(), 0);
  // Attack: well below full level in the first millisecond, still rising in the
  // fourth, full level once the ramp is over; the release mirrors it.
  const int firstMs = testing::peakMagnitude(slice(stream, 0, ms));
  const int fourthMs = testing::peakMagnitude(slice(stream, 3 * ms, ms));
  const int steady = testing::peakMagnitude(slice(stream, 10 * ms, 10 * ms));
  EXPECT_LT(firstMs, 0.15 * kAmplitude);
  EXPECT_GT(fourthMs, 2 * firstMs);
  EXPECT_LT(fourthMs, 0.99 * steady);
  EXPECT_GT(steady, 0.99 * kAmplitude);
  EXPECT_LT(testing::peakMagnitude(slice(stream, total - ms, ms)), 0.15 * kAmplitude);
  EXPECT_GT(testing::peakMagnitude(slice(stream, total - 4 * ms, ms)),
            testing::peakMagnitude(slice(stream, total - ms, ms)) * 2);
}

TEST(ToneSynth, TwoEqualNotesInARowDipBetweenThem) {
  const auto stream = renderStream({{880, 500}, {880, 500}});
  const std::int64_t boundary = sampleAtMs(500, kRate);
  const std::int64_t ms = kRate / 1000;

  const double atBoundary = testing::rootMeanSquare(slice(stream, boundary - ms / 2, ms));
  const double steady = testing::rootMeanSquare(slice(stream, boundary - 100 * ms, 50 * ms));
  EXPECT_LT(atBoundary, 0.1 * steady);
}

TEST(ToneSynth, NoStepBetweenTonesIsSteeperThanTheHighestNoteItself) {
  std::vector<Tone> tones;
  for (const int frequency : {349, 349, 1047, 523, 0, 988, 988, 0, 0, 554, 1047, 349}) {
    tones.push_back({frequency, 667});
  }
  const auto stream = renderStream(tones);
  // A sine of amplitude a at f changes by at most a * 2 pi f / rate per sample;
  // a jump in phase or level at a boundary would be far larger.
  const double steepest = kAmplitude * 2.0 * std::numbers::pi * 1047.0 / kRate;
  EXPECT_LE(testing::largestStep(stream), steepest + 2.0);
}

TEST(ToneSynth, RestIsSilentForItsFullLength) {
  const auto stream = renderStream({{kRestHz, 833}});
  EXPECT_EQ(std::ssize(stream), sampleAtMs(833, kRate));
  EXPECT_EQ(testing::peakMagnitude(stream), 0);
}

TEST(ToneSynth, ChunkedRenderingEqualsRenderingInOneGo) {
  const std::vector<Tone> tones{{349, 833}, {523, 667}, {0, 500}, {1047, 833}, {1047, 1000}};
  const auto whole = renderStream(tones, kRate, 1 << 20);
  for (const std::size_t chunk : {1u, 7u, 480u, 4099u}) {
    EXPECT_EQ(renderStream(tones, kRate, chunk), whole) << "chunks of " << chunk;
  }
}

TEST(ToneSynth, ResetStartsANewStream) {
  ToneSynth synth(kRate);
  synth.startTone({523, 833});
  synth.reset();
  synth.startTone({523, 833});
  EXPECT_EQ(synth.toneStartSample(), 0);
  EXPECT_EQ(synth.streamMs(), 833);
}

}  // namespace
}  // namespace quavern::playback
