#pragma once

#include <cstdint>
#include <span>

namespace quavern::practice {

// The "Input level" meter's range, in dBFS.
inline constexpr double kQuietestLevelDbfs = -60.0;
inline constexpr double kLoudestLevelDbfs = 0.0;

// The RMS level of a stretch of signed 16-bit samples, in dB below full scale
// (a full-scale square wave is 0 dBFS), clamped to the meter's range; an empty
// stretch is the quietest.
double levelDbfs(std::span<const std::int16_t> samples);

}  // namespace quavern::practice
