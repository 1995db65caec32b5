#include "practice/testing/synthesised_player.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace quavern::practice::testing {
namespace {

constexpr double kFadeMs = 5.0;
constexpr double kReleaseDb = 60.0;

double fadeAt(std::int64_t i, std::int64_t length, int sampleRate, const Voice& voice) {
  const double attack = std::max(1.0, voice.attackMs * sampleRate / 1000.0);
  const double rise = std::min(1.0, static_cast<double>(i) / attack);
  const double left = static_cast<double>(length - 1 - i);
  if (voice.releaseMs <= 0.0) {
    return std::min(rise, left / (kFadeMs * sampleRate / 1000.0));
  }
  const double release = voice.releaseMs * sampleRate / 1000.0;
  const double fallen = std::max(0.0, 1.0 - left / release);
  return rise * std::pow(10.0, -kReleaseDb * fallen / 20.0);
}

double decayAt(std::int64_t i, int sampleRate, double dbPerSecond) {
  return std::pow(10.0, -dbPerSecond * static_cast<double>(i) / sampleRate / 20.0);
}

double beatAt(double t, const Voice& voice) {
  const double down = 0.5 * (1.0 - std::cos(2.0 * std::numbers::pi * voice.beatingHz * t));
  return std::pow(10.0, -voice.beatingDb * down / 20.0);
}

double partialSum(std::span<const double> partials) {
  double sum = 0.0;
  for (const double amplitude : partials) {
    sum += std::abs(amplitude);
  }
  return sum;
}

std::int64_t sampleAtMs(std::int64_t ms, int sampleRate) {
  return (ms * sampleRate + 500) / 1000;
}

}  // namespace

double hzOf(double semitones, double cents) {
  return 440.0 * std::exp2((semitones + cents / 100.0 - 69.0) / 12.0);
}

std::vector<double> sawtoothPartials(int count) {
  std::vector<double> partials;
  for (int k = 1; k <= count; ++k) {
    partials.push_back(1.0 / k);
  }
  return partials;
}

std::vector<double> render(const Voice& voice, std::int64_t length, int sampleRate) {
  std::vector<double> signal(static_cast<std::size_t>(std::max<std::int64_t>(length, 0)));
  if (voice.hz <= 0.0) {
    return signal;
  }
  const double scale = voice.peak / partialSum(voice.partials);
  const double nyquist = sampleRate / 2.0;
  double phase = 0.0;  // of the fundamental, in cycles
  for (std::int64_t i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / sampleRate;
    const double swing =
        voice.vibratoCents * std::sin(2.0 * std::numbers::pi * voice.vibratoHz * t);
    const double hz = voice.hz * std::exp2(swing / 1200.0);
    double value = 0.0;
    for (std::size_t k = 0; k < voice.partials.size(); ++k) {
      const auto harmonic = static_cast<double>(k + 1);
      if (hz * harmonic < nyquist) {
        value += voice.partials[k] * std::sin(2.0 * std::numbers::pi * harmonic * phase);
      }
    }
    signal[static_cast<std::size_t>(i)] = scale * value * fadeAt(i, length, sampleRate, voice) *
                                          decayAt(i, sampleRate, voice.decayDbPerSecond) *
                                          beatAt(t, voice);
    phase += hz / sampleRate;
    phase -= std::floor(phase);
  }
  return signal;
}

void addNoise(std::span<double> signal, double snrDb, std::uint32_t seed) {
  double energy = 0.0;
  std::size_t loud = 0;
  for (const double value : signal) {
    if (value != 0.0) {
      energy += value * value;
      ++loud;
    }
  }
  if (loud == 0) {
    return;
  }
  const double rms = std::sqrt(energy / static_cast<double>(loud)) * std::pow(10.0, -snrDb / 20.0);
  const std::vector<double> hiss = noise(std::ssize(signal), rms, seed);
  for (std::size_t i = 0; i < signal.size(); ++i) {
    signal[i] += hiss[i];
  }
}

std::vector<double> noise(std::int64_t length, double rms, std::uint32_t seed) {
  std::mt19937 generator(seed);
  std::normal_distribution<double> gaussian(0.0, rms);
  std::vector<double> values(static_cast<std::size_t>(length));
  for (double& value : values) {
    value = gaussian(generator);
  }
  return values;
}

std::vector<std::int16_t> toSamples(std::span<const double> signal) {
  std::vector<std::int16_t> samples;
  samples.reserve(signal.size());
  for (const double value : signal) {
    const double scaled = std::clamp(value * 32767.0, -32768.0, 32767.0);
    samples.push_back(static_cast<std::int16_t>(std::lround(scaled)));
  }
  return samples;
}

std::vector<double> perform(const std::vector<SungNote>& notes, std::int64_t lengthMs,
                            int sampleRate) {
  std::vector<double> signal(static_cast<std::size_t>(sampleAtMs(lengthMs, sampleRate)));
  for (const SungNote& note : notes) {
    const std::int64_t from = sampleAtMs(note.fromMs, sampleRate);
    const std::int64_t to = std::min(sampleAtMs(note.toMs, sampleRate), std::ssize(signal));
    const std::vector<double> tone = render(note.voice, to - from, sampleRate);
    for (std::size_t i = 0; i < tone.size(); ++i) {
      signal[static_cast<std::size_t>(from) + i] += tone[i];
    }
  }
  return signal;
}

}  // namespace quavern::practice::testing
