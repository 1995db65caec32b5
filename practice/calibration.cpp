#include "practice/calibration.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "practice/performance.h"

namespace quavern::practice {
namespace {

constexpr std::int64_t kSamplesPerMs = kPerformanceRate / 1000;
constexpr std::int64_t kToneSamples = kCalibrationToneMs * kSamplesPerMs;
constexpr std::int64_t kLeadInMs = 500;
// Tone starts are at least this far apart: the delay range and a tone's length,
// with room for the detector's window on either side.
constexpr std::int64_t kShortestGapMs = 750;
constexpr int kGapSpreadMs = 300;  // drawn, in whole milliseconds
// A tone counts as heard when its matched-filter peak stands this far above
// the median of the stretch searched (the tone and its ring fill well under
// half of it), and above what a tone at kQuietestToneDbfs would give.
constexpr double kPeakOverMedian = 10.0;
constexpr double kQuietestToneDbfs = -55.0;

// |sum over the last kToneSamples of x[m] e^(-i w m)| at each n from `first`
// (>= from + kToneSamples - 1) to to - 1: the tone's amplitude as seen through
// a window exactly its length, times kToneSamples / 2. Over 50 whole periods of
// 1 kHz the product's 2 kHz part sums to nothing, so this is smooth.
std::vector<double> matchedMagnitude(std::span<const std::int16_t> recording, std::int64_t from,
                                     std::int64_t to) {
  const double step = 2.0 * std::numbers::pi * kCalibrationToneHz / kPerformanceRate;
  std::vector<double> magnitude;
  double re = 0.0;
  double im = 0.0;
  auto termAt = [&](std::int64_t m, double sign) {
    const double x = recording[static_cast<std::size_t>(m)];
    // Phase taken modulo the 48-sample period, so it stays exact on long takes.
    const double phase = step * static_cast<double>(m % (kPerformanceRate / kCalibrationToneHz));
    re += sign * x * std::cos(phase);
    im -= sign * x * std::sin(phase);
  };
  for (std::int64_t n = from; n < to; ++n) {
    termAt(n, 1.0);
    if (n - from >= kToneSamples) {
      termAt(n - kToneSamples, -1.0);
    }
    if (n - from >= kToneSamples - 1) {
      magnitude.push_back(std::hypot(re, im));
    }
  }
  return magnitude;
}

double median(std::vector<double> values) {
  const std::size_t middle = values.size() / 2;
  std::ranges::nth_element(values, values.begin() + static_cast<std::ptrdiff_t>(middle));
  const double upper = values[middle];
  if (values.size() % 2 != 0) {
    return upper;
  }
  const double lower =
      *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle));
  return (lower + upper) / 2.0;
}

double quietestPeak() {
  return std::pow(10.0, kQuietestToneDbfs / 20.0) * 32768.0 * static_cast<double>(kToneSamples) /
         2.0;
}

}  // namespace

std::vector<CalibrationTone> calibrationTones(music::DrawSource& draws) {
  std::vector<CalibrationTone> tones;
  std::int64_t startMs = kLeadInMs + music::random(draws, kGapSpreadMs + 1);
  for (int k = 0; k < kCalibrationTones; ++k) {
    tones.push_back({startMs});
    startMs += kShortestGapMs + music::random(draws, kGapSpreadMs + 1);
  }
  return tones;
}

std::int64_t calibrationStreamMs(std::span<const CalibrationTone> tones) {
  const std::int64_t lastStart = tones.empty() ? 0 : tones.back().startMs;
  return lastStart + kCalibrationToneMs + kLatestInputDelayMs + 2 * kCalibrationToneMs;
}

std::optional<std::int64_t> heardToneStart(std::span<const std::int16_t> recording,
                                           std::int64_t from, std::int64_t to) {
  from = std::max<std::int64_t>(from, 0);
  to = std::min<std::int64_t>(to, std::ssize(recording));
  if (to - from < 4 * kToneSamples) {
    return std::nullopt;
  }
  const std::vector<double> magnitude = matchedMagnitude(recording, from, to);
  const auto peak = std::ranges::max_element(magnitude);
  if (*peak < quietestPeak() || *peak < kPeakOverMedian * median(magnitude)) {
    return std::nullopt;
  }
  // The window meets half the tone half a tone's length after it starts, ramps
  // and all, since the ramps are alike; walk back from the peak to there.
  const double half = *peak / 2.0;
  auto rise = peak;
  while (rise != magnitude.begin() && *(rise - 1) >= half) {
    --rise;
  }
  if (rise == magnitude.begin()) {
    return std::nullopt;  // the tone began before the stretch
  }
  const double below = *(rise - 1);
  const double fraction = (half - below) / (*rise - below);
  const double crossing = static_cast<double>(rise - magnitude.begin() - 1) + fraction;
  // magnitude[0] is the window ending at sample from + kToneSamples - 1.
  const double endOfWindow = static_cast<double>(from + kToneSamples - 1) + crossing;
  return std::llround(endOfWindow - static_cast<double>(kToneSamples) / 2.0 + 1.0);
}

int CalibrationResult::tonesHeard() const {
  return static_cast<int>(
      std::ranges::count_if(offsetsMs, [](auto offset) { return offset.has_value(); }));
}

CalibrationResult estimateInputDelay(std::span<const std::int16_t> recording, Alignment alignment,
                                     std::span<const CalibrationTone> tones) {
  CalibrationResult result;
  std::vector<double> heard;
  for (const CalibrationTone& tone : tones) {
    const std::int64_t due = alignment.streamOrigin + tone.startMs * kSamplesPerMs;
    const std::optional<std::int64_t> start = heardToneStart(
        recording, due + (kEarliestInputDelayMs - 2 * kCalibrationToneMs) * kSamplesPerMs,
        due + (kLatestInputDelayMs + 2 * kCalibrationToneMs) * kSamplesPerMs);
    std::optional<double> offset;
    if (start) {
      offset = static_cast<double>(*start - due) / static_cast<double>(kSamplesPerMs);
      heard.push_back(*offset);
    }
    result.offsetsMs.push_back(offset);
  }
  if (std::ssize(heard) < kCalibrationTonesNeeded) {
    result.failure = CalibrationFailure::TooFewTonesHeard;
    return result;
  }
  const auto [earliest, latest] = std::ranges::minmax(heard);
  result.spreadMs = latest - earliest;
  if (result.spreadMs > kCalibrationSpreadLimitMs) {
    result.failure = CalibrationFailure::SpreadTooWide;
    return result;
  }
  result.delayMs = std::llround(median(heard));
  return result;
}

}  // namespace quavern::practice
