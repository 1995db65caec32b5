#include "practice/pitch_detector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "practice/judge.h"
#include "practice/testing/synthesised_player.h"

namespace quavern::practice {
namespace {

using testing::Voice;

constexpr int kRate = 48000;
constexpr std::int64_t kToneSamples = kRate * 4 / 10;  // 400 ms
constexpr std::size_t kFrameStep = 480;                // 10 ms

double centsBetween(double hz, double reference) {
  return 1200.0 * std::log2(hz / reference);
}

struct FrameSurvey {
  std::size_t frames = 0;
  std::size_t voiced = 0;
  double worstCents = 0.0;   // of the voiced frames, from the tone's centre pitch
  double medianCents = 0.0;  // of the judge's steady pitch
  bool steady = false;
};

// Runs the detector over a tone frame by frame, as the judge does, clear of the
// tone's 5 ms fades.
FrameSurvey survey(const std::vector<std::int16_t>& samples, double hz) {
  PitchDetector detector(kRate);
  FrameSurvey result;
  constexpr std::size_t kFade = kRate / 200;
  for (std::size_t start = kFade; start + detector.frameLength() + kFade <= samples.size();
       start += kFrameStep) {
    ++result.frames;
    const std::optional<double> pitch =
        detector.detect(Samples(samples).subspan(start, detector.frameLength()));
    if (pitch) {
      ++result.voiced;
      result.worstCents = std::max(result.worstCents, std::abs(centsBetween(*pitch, hz)));
    }
  }
  const std::optional<double> steady = steadyPitch(detector, samples, 0, std::ssize(samples));
  result.steady = steady.has_value();
  result.medianCents = steady ? centsBetween(*steady, hz) : 0.0;
  return result;
}

struct ToneKind {
  const char* name;
  Voice voice;
  double snrDb;            // noise below the tone; 0 for none
  double worstFrameCents;  // allowed of every voiced frame
  double voicedShare;      // of the frames at least
};

// From a bass's low E1 up to C7, the top of a flute or violin.
constexpr double kTestFrequencies[] = {41.20, 55.0,  65.41, 98.0,   146.8,  220.0,
                                       349.2, 523.3, 880.0, 1318.5, 1975.5, 2093.0};

TEST(PitchDetector, FindsTheFundamentalOfTonesAcrossTheRange) {
  const Voice sine{};
  Voice sawtooth{.partials = testing::sawtoothPartials(12)};
  // The second harmonic four times as strong as the fundamental, a third on top:
  // a reed or a nasal voice. Half the period is a near match, the whole one better.
  Voice strongOctave{.partials = {0.25, 1.0, 0.4, 0.2}};
  Voice vibrato{.vibratoCents = 50.0, .vibratoHz = 5.5};
  Voice vibratoSawtooth = sawtooth;
  vibratoSawtooth.vibratoCents = 50.0;
  const ToneKind kinds[] = {
      {"pure", sine, 0.0, 3.0, 1.0},
      {"sawtooth, 12 partials", sawtooth, 0.0, 3.0, 1.0},
      {"strong 2nd harmonic", strongOctave, 0.0, 3.0, 1.0},
      // A frame is 38 ms long, so the frame's pitch lags or leads the swing a little.
      {"vibrato +-50 cents", vibrato, 0.0, 60.0, 1.0},
      {"sawtooth with vibrato", vibratoSawtooth, 0.0, 60.0, 1.0},
      {"pure, 10 dB SNR", sine, 10.0, 25.0, 0.95},
      {"sawtooth, 10 dB SNR", sawtooth, 10.0, 25.0, 0.95},
  };
  for (const ToneKind& kind : kinds) {
    double worstMedian = 0.0;
    double worstFrame = 0.0;
    for (const double hz : kTestFrequencies) {
      Voice voice = kind.voice;
      voice.hz = hz;
      std::vector<double> signal = testing::render(voice, kToneSamples, kRate);
      if (kind.snrDb > 0.0) {
        testing::addNoise(signal, kind.snrDb, static_cast<std::uint32_t>(hz));
      }
      const FrameSurvey result = survey(testing::toSamples(signal), hz);
      const std::string where = std::string(kind.name) + " at " + std::to_string(hz) + " Hz";
      EXPECT_GE(result.voiced, kind.voicedShare * static_cast<double>(result.frames)) << where;
      EXPECT_LE(result.worstCents, kind.worstFrameCents) << where;
      ASSERT_TRUE(result.steady) << where;
      EXPECT_LE(std::abs(result.medianCents), 10.0) << where;
      worstMedian = std::max(worstMedian, std::abs(result.medianCents));
      worstFrame = std::max(worstFrame, result.worstCents);
    }
    std::printf("%-24s worst frame %5.2f cents, worst steady pitch %5.2f cents\n", kind.name,
                worstFrame, worstMedian);
  }
}

TEST(PitchDetector, HearsNoPitchInSilenceNoiseOrAShortFrame) {
  PitchDetector detector(kRate);
  const std::size_t length = detector.frameLength();
  const auto noiseAt = [&](double rms) {
    return testing::toSamples(testing::noise(kRate / 2, rms, 7));
  };
  const std::vector<double> quietTone =
      testing::render({.hz = 440.0, .peak = 0.001}, kRate / 2, kRate);  // -63 dBFS RMS
  struct Case {
    const char* name;
    std::vector<std::int16_t> samples;
  };
  const Case cases[] = {
      {"digital silence", std::vector<std::int16_t>(kRate / 2, 0)},
      {"a constant offset", std::vector<std::int16_t>(kRate / 2, 3000)},
      {"white noise at -20 dBFS", noiseAt(0.1)},
      {"white noise at -40 dBFS", noiseAt(0.01)},
      {"a tone below the quietest level", testing::toSamples(quietTone)},
  };
  for (const Case& test : cases) {
    int voiced = 0;
    for (std::size_t start = 0; start + length <= test.samples.size(); start += kFrameStep) {
      voiced += detector.detect(Samples(test.samples).subspan(start, length)).has_value();
    }
    EXPECT_EQ(voiced, 0) << test.name;
  }
  const std::vector<std::int16_t> tone =
      testing::toSamples(testing::render({.hz = 440.0}, static_cast<std::int64_t>(length), kRate));
  EXPECT_TRUE(detector.detect(tone).has_value());
  EXPECT_FALSE(detector.detect(Samples(tone).first(length - 1)).has_value());
}

}  // namespace
}  // namespace quavern::practice
