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

double ChordLayer::next() {
  const std::int64_t position = position_++;
  if (current_ == spans_.size() || position < spans_[current_].start) {
    return 0.0;
  }
  const SampleSpan& span = spans_[current_];
  const std::int64_t offset = position - span.start;
  if (offset == 0) {
    enterSpan(span);
  }
  double sum = 0.0;
  for (SinePhase& phase : phases_) {
    sum += phase.valueIn(*sine_);
    phase.advance();
  }
  const double gain = edgeGain(std::min(offset, span.length - 1 - offset), span.rampLength);
  if (offset + 1 == span.length) {
    ++current_;
  }
  return kFullScale * kToneLevel * gain * sum;
}

}  // namespace quavern::playback
