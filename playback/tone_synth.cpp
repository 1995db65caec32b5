#include "playback/tone_synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quavern::playback {
namespace {

constexpr double kFullScale = 32767.0;

}  // namespace

std::int64_t sampleAtMs(std::int64_t ms, int sampleRate) {
  // Integer rounding to nearest: exact for any stream length, unlike a double.
  return (ms * sampleRate + 500) / 1000;
}

ToneSynth::ToneSynth(int sampleRate) : sampleRate_(sampleRate) {}

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
  frequencyHz_ = tone.frequencyHz;
  const std::int64_t rampSamples = sampleAtMs(kRampMs, sampleRate_);
  rampLength_ = std::min(rampSamples, toneLength_ / 2);
}

std::size_t ToneSynth::render(std::span<std::int16_t> out) {
  const auto count =
      static_cast<std::size_t>(std::min<std::int64_t>(samplesLeft(), std::ssize(out)));
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = static_cast<std::int16_t>(std::lround(sampleValue(position_)));
    ++position_;
  }
  return count;
}

double ToneSynth::sampleValue(std::int64_t index) const {
  if (frequencyHz_ == kRestHz) {
    return 0.0;
  }
  // The phase is reduced in integers, so it stays exact however long the tone
  // and does not depend on how the tone is cut into chunks.
  const std::int64_t cycleSamples = (index * frequencyHz_) % sampleRate_;
  const double phase = 2.0 * std::numbers::pi * static_cast<double>(cycleSamples) / sampleRate_;
  return kFullScale * kLevel * envelopeAt(index) * std::sin(phase);
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
