#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Measuring a note by its harmonics, where another note still sounds.
namespace quavern::practice {

// Samples of the input: `samples[0]` is sample `first` of it, mono, signed
// 16-bit.
struct SampleWindow {
  std::span<const std::int16_t> samples;
  std::int64_t first = 0;

  std::int64_t end() const { return first + std::ssize(samples); }
};

// The harmonics of `newHz` up to 5 kHz (and below the Nyquist frequency), at
// most 16 of them, that lie `clearHz` or more from every harmonic of `oldHz`.
std::vector<double> clearHarmonics(double newHz, std::optional<double> oldHz, double clearHz,
                                   int sampleRate);

std::vector<double> hannWindow(std::int64_t length);

// The energy at `hz`, |X|^2 in squared sample units, of the samples from
// `begin` on weighted by `window` (Goertzel's recurrence). The samples must
// reach `begin + window.size()`.
double partialEnergy(const SampleWindow& samples, std::int64_t begin,
                     std::span<const double> window, double hz, int sampleRate);

}  // namespace quavern::practice
