#include "playback/chord_layer.h"

#include <algorithm>
#include <utility>

#include "playback/tone_synth.h"

namespace quavern::playback {

ChordLayer::ChordLayer(std::shared_ptr<const SineTable> sine) : sine_(std::move(sine)) {}

void ChordLayer::reset(const Accompaniment& accompaniment) {
  const int rate = sine_->sampleRate();
  spans_.clear();
  spans_.reserve(accompaniment.size());
  for (const ChordSpan& chord : accompaniment) {
    const std::int64_t start = sampleAtMs(chord.startMs, rate);
    const std::int64_t length = sampleAtMs(chord.endMs, rate) - start;
    if (length > 0) {
      spans_.push_back(
          {start, length, std::min(sampleAtMs(kRampMs, rate), length / 2), chord.frequenciesHz});
    }
  }
  current_ = 0;
  position_ = 0;
}

void ChordLayer::enterSpan(const SampleSpan& span) {
  for (std::size_t tone = 0; tone < phases_.size(); ++tone) {
    phases_[tone] = SinePhase(span.frequenciesHz[tone], sine_->sampleRate());
  }
}

void ChordLayer::addTo(std::span<double> mix) {
  while (!mix.empty()) {
    if (current_ == spans_.size()) {
      position_ += std::ssize(mix);
      return;
    }
    const SampleSpan& span = spans_[current_];
    if (position_ < span.start) {
      const auto silent =
          static_cast<std::size_t>(std::min<std::int64_t>(span.start - position_, std::ssize(mix)));
      position_ += static_cast<std::int64_t>(silent);
      mix = mix.subspan(silent);
      continue;
    }
    const auto part = static_cast<std::size_t>(
        std::min<std::int64_t>(span.start + span.length - position_, std::ssize(mix)));
    addSpanPart(span, mix.first(part));
    mix = mix.subspan(part);
    if (position_ == span.start + span.length) {
      ++current_;
    }
  }
}

void ChordLayer::addSpanPart(const SampleSpan& span, std::span<double> mix) {
  if (position_ == span.start) {
    enterSpan(span);
  }
  const SineTable& sine = *sine_;
  for (double& value : mix) {
    const std::int64_t offset = position_++ - span.start;
    double sum = 0.0;
    for (SinePhase& phase : phases_) {
      sum += phase.valueIn(sine);
      phase.advance();
    }
    const double gain = edgeGain(std::min(offset, span.length - 1 - offset), span.rampLength);
    value += kFullScale * kToneLevel * gain * sum;
  }
}

}  // namespace quavern::playback
