#include "practice/input_level.h"

#include <algorithm>
#include <cmath>

namespace quavern::practice {

double levelDbfs(std::span<const std::int16_t> samples) {
  if (samples.empty()) {
    return kQuietestLevelDbfs;
  }
  double sumOfSquares = 0.0;
  for (const std::int16_t sample : samples) {
    const double value = sample / 32768.0;
    sumOfSquares += value * value;
  }
  const double meanSquare = sumOfSquares / static_cast<double>(samples.size());
  if (meanSquare <= 0.0) {
    return kQuietestLevelDbfs;
  }
  return std::clamp(10.0 * std::log10(meanSquare), kQuietestLevelDbfs, kLoudestLevelDbfs);
}

}  // namespace quavern::practice
