#include "playback/tone_synth.h"

#include <algorithm>

namespace quavern::playback {

ToneSynth::ToneSynth(int sampleRate)
    : sampleRate_(sampleRate),
      sine_(std::make_shared<const SineTable>(sampleRate)),
      chords_(sine_),
      mix_(kBlockSamples) {}

void ToneSynth::reset(const Accompaniment& accompaniment) {
  chords_.reset(accompaniment);
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
  phase_ = SinePhase(tone.frequencyHz, sampleRate_);
  rampLength_ = std::min(sampleAtMs(kRampMs, sampleRate_), toneLength_ / 2);
}

std::size_t ToneSynth::render(std::span<std::int16_t> out) {
  const auto count =
      static_cast<std::size_t>(std::min<std::int64_t>(samplesLeft(), std::ssize(out)));
  if (frequencyHz_ == kRestHz && chords_.silent()) {
    std::fill_n(out.begin(), count, std::int16_t{0});
    position_ += static_cast<std::int64_t>(count);
    return count;
  }
  for (std::size_t done = 0; done < count;) {
    const std::size_t block = std::min(kBlockSamples, count - done);
    const std::span<double> mix(mix_.data(), block);
    renderMelody(mix);
    // Added, never mixed down: the melody's part of each sample is the same
    // with chords as without.
    if (!chords_.silent()) {
      chords_.addTo(mix);
    }
    for (std::size_t i = 0; i < block; ++i) {
      out[done + i] = roundToSample(mix[i]);
    }
    done += block;
  }
  return count;
}

void ToneSynth::renderMelody(std::span<double> mix) {
  if (frequencyHz_ == kRestHz) {
    std::fill(mix.begin(), mix.end(), 0.0);
    position_ += std::ssize(mix);
    return;
  }
  const SineTable& sine = *sine_;
  const double amplitude = kFullScale * kLevel;
  for (double& value : mix) {
    const std::int64_t index = position_++;
    const double gain = edgeGain(std::min(index, toneLength_ - 1 - index), rampLength_);
    value = amplitude * gain * phase_.valueIn(sine);
    phase_.advance();
  }
}

}  // namespace quavern::playback
