#include "playback/sine_table.h"

#include <cmath>
#include <numbers>

namespace quavern::playback {

SineTable::SineTable(int sampleRate) : values_(static_cast<std::size_t>(sampleRate)) {
  for (std::size_t n = 0; n < values_.size(); ++n) {
    values_[n] = std::sin(2.0 * std::numbers::pi * static_cast<double>(n) / sampleRate);
  }
}

double rampGain(std::int64_t fromEdge, std::int64_t rampLength) {
  const double x = static_cast<double>(fromEdge) / static_cast<double>(rampLength);
  return 0.5 - 0.5 * std::cos(std::numbers::pi * x);
}

}  // namespace quavern::playback
