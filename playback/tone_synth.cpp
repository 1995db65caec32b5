#include "playback/tone_synth.h"

#include <algorithm>
#include <utility>

namespace quavern::playback {

ToneSynth::ToneSynth(int sampleRate, NoteSource notes)
    : sampleRate_(sampleRate),
      sine_(std::make_shared<const SineTable>(sampleRate)),
      chords_(sine_),
      instruments_(sampleRate, std::move(notes)),
      mix_(kBlockSamples) {}

std::optional<SoundFontFailure> ToneSynth::reset(const Accompaniment& accompaniment,
                                                 const StreamSounds& sounds) {
  std::optional<SoundFontFailure> failure = instruments_.reset(sounds, accompaniment);
  if (failure) {
    instruments_.reset({}, {});
  }
  chords_.reset(instruments_.playsChords() ? Accompaniment{} : accompaniment);
  streamMs_ = 0;
  toneStart_ = 0;
  toneLength_ = 0;
  position_ = 0;
  ringOut_ = false;
  return failure;
}

void ToneSynth::startTone(Tone tone) {
  const std::int64_t startSample = sampleAtMs(streamMs_, sampleRate_);
  streamMs_ += std::max(tone.durationMs, 0);
  toneStart_ = startSample;
  toneLength_ = sampleAtMs(streamMs_, sampleRate_) - startSample;
  position_ = 0;
  frequencyHz_ = tone.frequencyHz;
  ringOut_ = false;
  instrumentTone_ =
      instruments_.playsMelody() && !tone.isRest() && tone.role == Tone::Role::kMelody;
  if (instrumentTone_) {
    instruments_.startMelodyNote(startSample, toneLength_, tone.frequencyHz);
  }
  instruments_.readyChordsBefore(startSample + toneLength_);
  phase_ = SinePhase(tone.frequencyHz, sampleRate_);
  rampLength_ = std::min(sampleAtMs(kRampMs, sampleRate_), toneLength_ / 2);
}

void ToneSynth::startRingOut() {
  const std::int64_t ringing = instruments_.ringingSamples();
  toneStart_ += toneLength_;
  toneLength_ = std::min(ringing, sampleAtMs(kLongestRingOutMs, sampleRate_));
  position_ = 0;
  frequencyHz_ = kRestHz;
  instrumentTone_ = false;
  ringOut_ = ringing > toneLength_;
}

std::size_t ToneSynth::render(std::span<std::int16_t> out) {
  const auto count =
      static_cast<std::size_t>(std::min<std::int64_t>(samplesLeft(), std::ssize(out)));
  if ((frequencyHz_ == kRestHz || instrumentTone_) && chords_.silent() && instruments_.silent()) {
    std::fill_n(out.begin(), count, std::int16_t{0});
    position_ += static_cast<std::int64_t>(count);
    instruments_.skip(static_cast<std::int64_t>(count));
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
    if (instruments_.inUse()) {
      instruments_.addTo(mix);
    }
    if (ringOut_) {
      fadeRingOut(mix);
    }
    for (std::size_t i = 0; i < block; ++i) {
      out[done + i] = roundToSample(mix[i]);
    }
    done += block;
  }
  return count;
}

// A ring-out cut short ends on a ramp like a tone's.
void ToneSynth::fadeRingOut(std::span<double> mix) const {
  const std::int64_t rampLength = std::min(sampleAtMs(kRampMs, sampleRate_), toneLength_);
  std::int64_t index = position_ - std::ssize(mix);
  for (double& value : mix) {
    value *= edgeGain(toneLength_ - 1 - index++, rampLength);
  }
}

void ToneSynth::renderMelody(std::span<double> mix) {
  if (frequencyHz_ == kRestHz || instrumentTone_) {
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
