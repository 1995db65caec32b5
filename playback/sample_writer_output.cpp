#include "playback/sample_writer_output.h"

#include <utility>

namespace quavern::playback {

SampleWriterOutput::SampleWriterOutput(int sampleRate, SampleWriter writer)
    : synth_(sampleRate), writer_(std::move(writer)), chunk_(kChunkSamples) {}

void SampleWriterOutput::begin(WhileWaiting whileWaiting) {
  whileWaiting_ = std::move(whileWaiting);
  synth_.reset();
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
  return !whileWaiting_ || whileWaiting_();
}

}  // namespace quavern::playback
