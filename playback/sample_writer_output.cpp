#include "playback/sample_writer_output.h"

#include <utility>

namespace quavern::playback {

SampleWriterOutput::SampleWriterOutput(int sampleRate, SampleWriter writer)
    : synth_(sampleRate), writer_(std::move(writer)), chunk_(kChunkSamples) {}

void SampleWriterOutput::begin(WhileWaiting whileWaiting, Accompaniment accompaniment) {
  whileWaiting_ = std::move(whileWaiting);
  synth_.reset(accompaniment);
  origin_ = Clock::now();
  writtenSamples_ = 0;
}

bool SampleWriterOutput::sound(Tone tone) {
  synth_.startTone(tone);
  while (synth_.samplesLeft() > 0) {
    const std::size_t count = synth_.render(chunk_);
    if (!writer_(std::span(chunk_.data(), count))) {
      return false;
    }
    writtenSamples_ += static_cast<std::int64_t>(count);
  }
  return !whileWaiting_ || whileWaiting_() == PlayControl::Continue;
}

std::int64_t SampleWriterOutput::heardMs() const {
  return writtenSamples_ * 1000 / synth_.sampleRate();
}

}  // namespace quavern::playback
