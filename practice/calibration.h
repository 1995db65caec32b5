#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "music/bar_generator.h"
#include "practice/pass_judge.h"

namespace quavern::practice {

// Calibration sounds eight short tones at random intervals through the output
// and finds when the input hears each. Offset = when heard minus when due, both
// on the input's timeline with the stream placed by the latencies the sound
// server reports; the median offset is what those reports leave out, the
// input's extra delay.
inline constexpr int kCalibrationToneHz = 1000;
inline constexpr int kCalibrationToneMs = 50;
inline constexpr int kCalibrationTones = 8;
// The delays that can be measured, or set by hand, in milliseconds.
inline constexpr std::int64_t kEarliestInputDelayMs = -100;
inline constexpr std::int64_t kLatestInputDelayMs = 500;
// Fewer heard, or heard offsets further apart than this, and the input did not
// hear the tones clearly.
inline constexpr int kCalibrationTonesNeeded = 6;
inline constexpr double kCalibrationSpreadLimitMs = 20.0;

// One tone of a calibration, at a stream millisecond.
struct CalibrationTone {
  std::int64_t startMs = 0;
  friend bool operator==(const CalibrationTone&, const CalibrationTone&) = default;
};

// The tones of one calibration in stream order. The first comes after a lead-in
// in which the stream settles; each is further from the last than the delay
// range, so no tone can be taken for its neighbour.
std::vector<CalibrationTone> calibrationTones(music::DrawSource& draws);

// How long a calibration's stream lasts: up to the last tone's end and a
// delay range after it.
std::int64_t calibrationStreamMs(std::span<const CalibrationTone> tones);

// The input sample at which a tone of kCalibrationToneHz starts within
// recording[from, to), or nothing when none stands clearly above the rest of
// that stretch. Accurate to about a millisecond for a tone 20 dB above the
// noise. Found on the rising edge, so the room's ring after the tone moves it little.
std::optional<std::int64_t> heardToneStart(std::span<const std::int16_t> recording,
                                           std::int64_t from, std::int64_t to);

enum class CalibrationFailure {
  InputDidNotStart,  // the input would not open, or delivered nothing
  TooFewTonesHeard,
  SpreadTooWide,
  // The input lost samples on the way, as a capture that overran does: every
  // tone after the loss is heard that much early, whatever the offsets say.
  InputLostSamples,
};

struct CalibrationResult {
  std::optional<CalibrationFailure> failure{};
  std::int64_t delayMs = 0;  // the median offset, rounded; 0 after a failure
  // Each tone's offset in milliseconds, or nothing for a tone not heard.
  std::vector<std::optional<double>> offsetsMs{};
  double spreadMs = 0.0;  // latest minus earliest offset heard
  int tonesHeard() const;
};

// Estimates the input's delay from a recording at kPerformanceRate, the stream
// placed on it by `alignment` (its streamOrigin from the reported latencies
// alone, no delay taken off yet).
CalibrationResult estimateInputDelay(std::span<const std::int16_t> recording, Alignment alignment,
                                     std::span<const CalibrationTone> tones);

}  // namespace quavern::practice
