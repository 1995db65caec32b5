#include "playback/tone_synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quavern::playback {
namespace {

constexpr double kFullScale = 32767.0;

// Nearest whole sample, halves away from zero, as std::lround gives but inline.
std::int16_t roundToSample(double value) {
  return static_cast<std::int16_t>(value >= 0.0 ? static_cast<int>(value + 0.5)
                                                : -static_cast<int>(0.5 - value));
}

}  // namespace

std::int64_t sampleAtMs(std::int64_t ms, int sampleRate) {
  // Integer rounding to nearest: exact for any stream length, unlike a double.
  return (ms * sampleRate + 500) / 1000;
}

SineTable::SineTable(int sampleRate) : values_(static_cast<std::size_t>(sampleRate)) {
  for (std::size_t n = 0; n < values_.size(); ++n) {
    values_[n] = std::sin(2.0 * std::numbers::pi * static_cast<double>(n) / sampleRate);
  }
}

ToneSynth::ToneSynth(int sampleRate)
    : sampleRate_(sampleRate), sine_(std::make_shared<const SineTable>(sampleRate)) {}

void ToneSynth::reset() {
  streamMs_ = 0;
  toneStart_ = 0;
  toneLength_ = 0;
  position_ = 0;
}

void ToneSynth::startTone(Tone tone) {
  const std::int64_t startSample = sampleAtMs(streamMs_, sampleRate_);
  streamMs_ += std::max(tone.durationMs, 0);
  toneStart_ = startSample;
  toneLength_ = sampleAtMs(streamMs_, sampleRate_) - startSample;
  position_ = 0;
  phaseIndex_ = 0;
  frequencyHz_ = tone.frequencyHz;
  phaseStep_ = ((tone.frequencyHz % sampleRate_) + sampleRate_) % sampleRate_;
  const std::int64_t rampSamples = sampleAtMs(kRampMs, sampleRate_);
  rampLength_ = std::min(rampSamples, toneLength_ / 2);
}

std::size_t ToneSynth::render(std::span<std::int16_t> out) {
  const auto count =
      static_cast<std::size_t>(std::min<std::int64_t>(samplesLeft(), std::ssize(out)));
  if (frequencyHz_ == kRestHz) {
    std::fill_n(out.begin(), count, std::int16_t{0});
    position_ += static_cast<std::int64_t>(count);
    return count;
  }
  const SineTable& sine = *sine_;
  const double amplitude = kFullScale * kLevel;
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = roundToSample(amplitude * envelopeAt(position_) * sine[phaseIndex_]);
    ++position_;
    phaseIndex_ += phaseStep_;
    if (phaseIndex_ >= sampleRate_) {
      phaseIndex_ -= sampleRate_;
    }
  }
  return count;
}

double ToneSynth::envelopeAt(std::int64_t index) const {
  // Raised-cosine ramps that are exactly zero on the first and the last sample
  // of a tone, so neighbouring tones meet at silence whatever their phase.
  const std::int64_t fromEdge = std::min(index, toneLength_ - 1 - index);
  if (fromEdge >= rampLength_) {
    return 1.0;
  }
  const double x = static_cast<double>(fromEdge) / static_cast<double>(rampLength_);
  return 0.5 - 0.5 * std::cos(std::numbers::pi * x);
}

}  // namespace quavern::playback
