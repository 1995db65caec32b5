#include "playback/testing/signal_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>

namespace quavern::playback::testing {
namespace {

// Position of an upward crossing between samples i - 1 and i, in samples.
double crossingAt(Samples samples, std::size_t i) {
  const double before = samples[i - 1];
  const double after = samples[i];
  return static_cast<double>(i - 1) + (-before) / (after - before);
}

double energy(Samples samples) {
  double sum = 0.0;
  for (const std::int16_t sample : samples) {
    sum += static_cast<double>(sample) * sample;
  }
  return sum;
}

}  // namespace

double measureFrequencyHz(Samples samples, int sampleRate) {
  double first = -1.0;
  double last = -1.0;
  int cycles = -1;
  for (std::size_t i = 1; i < samples.size(); ++i) {
    if (samples[i - 1] < 0 && samples[i] >= 0) {
      last = crossingAt(samples, i);
      if (first < 0.0) {
        first = last;
      }
      ++cycles;
    }
  }
  if (cycles < 1) {
    return 0.0;
  }
  return cycles * static_cast<double>(sampleRate) / (last - first);
}

double amplitudeAt(Samples samples, int frequencyHz, int sampleRate) {
  if (samples.empty()) {
    return 0.0;
  }
  double real = 0.0;
  double imaginary = 0.0;
  for (std::size_t n = 0; n < samples.size(); ++n) {
    const auto cycle =
        static_cast<double>((static_cast<std::int64_t>(n) * frequencyHz) % sampleRate);
    const double phase = 2.0 * std::numbers::pi * cycle / sampleRate;
    real += samples[n] * std::cos(phase);
    imaginary -= samples[n] * std::sin(phase);
  }
  return 2.0 * std::hypot(real, imaginary) / static_cast<double>(samples.size());
}

double rootMeanSquare(Samples samples) {
  if (samples.empty()) {
    return 0.0;
  }
  return std::sqrt(energy(samples) / static_cast<double>(samples.size()));
}

int peakMagnitude(Samples samples) {
  int peak = 0;
  for (const std::int16_t sample : samples) {
    peak = std::max(peak, std::abs(static_cast<int>(sample)));
  }
  return peak;
}

int largestStep(Samples samples) {
  int step = 0;
  for (std::size_t i = 1; i < samples.size(); ++i) {
    step = std::max(step, std::abs(samples[i] - samples[i - 1]));
  }
  return step;
}

std::int64_t firstLoudSample(Samples samples, int threshold) {
  for (std::size_t i = 0; i < samples.size(); ++i) {
    if (std::abs(static_cast<int>(samples[i])) > threshold) {
      return static_cast<std::int64_t>(i);
    }
  }
  return -1;
}

std::vector<QuietRun> quietRuns(Samples samples, int threshold, std::int64_t minLength) {
  std::vector<QuietRun> runs;
  std::int64_t runStart = -1;
  const auto size = std::ssize(samples);
  for (std::int64_t i = 0; i <= size; ++i) {
    const bool quiet =
        i < size && std::abs(static_cast<int>(samples[static_cast<std::size_t>(i)])) <= threshold;
    if (quiet && runStart < 0) {
      runStart = i;
    } else if (!quiet && runStart >= 0) {
      if (i - runStart >= minLength) {
        runs.push_back({runStart, i - runStart});
      }
      runStart = -1;
    }
  }
  return runs;
}

std::int64_t bestShift(Samples recording, Samples reference, std::int64_t at, std::int64_t radius) {
  double leastDifference = std::numeric_limits<double>::max();
  std::int64_t best = 0;
  const auto length = std::ssize(reference);
  for (std::int64_t shift = -radius; shift <= radius; ++shift) {
    const std::int64_t from = at + shift;
    if (from < 0 || from + length > std::ssize(recording)) {
      continue;
    }
    double difference = 0.0;
    for (std::int64_t i = 0; i < length; ++i) {
      const double d =
          recording[static_cast<std::size_t>(from + i)] - reference[static_cast<std::size_t>(i)];
      difference += d * d;
    }
    if (difference < leastDifference) {
      leastDifference = difference;
      best = shift;
    }
  }
  return best;
}

}  // namespace quavern::playback::testing
