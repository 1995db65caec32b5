#include "practice/harmonics.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quavern::practice {
namespace {

constexpr double kHighestHarmonicHz = 5000.0;
constexpr int kMostHarmonics = 16;

}  // namespace

std::vector<double> clearHarmonics(double newHz, std::optional<double> oldHz, double clearHz,
                                   int sampleRate) {
  const double highest = std::min(kHighestHarmonicHz, 0.45 * sampleRate);
  std::vector<double> harmonics;
  for (int h = 1; h <= kMostHarmonics && h * newHz <= highest; ++h) {
    const double hz = h * newHz;
    if (oldHz) {
      const double nearestOld = std::max(1.0, std::round(hz / *oldHz)) * *oldHz;
      if (std::abs(hz - nearestOld) < clearHz) {
        continue;
      }
    }
    harmonics.push_back(hz);
  }
  return harmonics;
}

std::vector<double> hannWindow(std::int64_t length) {
  std::vector<double> hann(static_cast<std::size_t>(length));
  for (std::size_t i = 0; i < hann.size(); ++i) {
    hann[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                   static_cast<double>(length));
  }
  return hann;
}

double partialEnergy(const SampleWindow& samples, std::int64_t begin,
                     std::span<const double> window, double hz, int sampleRate) {
  const auto offset = static_cast<std::size_t>(begin - samples.first);
  // One multiply-add a sample.
  const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * hz / sampleRate);
  double s1 = 0.0;
  double s2 = 0.0;
  for (std::size_t i = 0; i < window.size(); ++i) {
    const double s0 = window[i] * samples.samples[offset + i] + coefficient * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  return std::max(0.0, s1 * s1 + s2 * s2 - coefficient * s1 * s2);
}

}  // namespace quavern::practice
