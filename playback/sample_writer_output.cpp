#include "playback/sample_writer_output.h"

#include <utility>

namespace quavern::playback {

SampleWriterOutput::SampleWriterOutput(int sampleRate, SampleWriter writer)
    : synth_(sampleRate), writer_(std::move(writer)), chunk_(kChunkSamples) {}

void SampleWriterOutput::begin(WhileWaiting whileWaiting, Accompaniment accompaniment,
                               StreamSounds sounds) {
  whileWaiting_ = std::move(whileWaiting);
  failure_ = synth_.reset(accompaniment, sounds);
  origin_ = Clock::now();
  writeFailed_ = false;
  writtenSamples_ = 0;
}

bool SampleWriterOutput::sound(Tone tone) {
  synth_.startTone(tone);
  if (!writeTone()) {
    return false;
  }
  return !whileWaiting_ || whileWaiting_() == PlayControl::Continue;
}

bool SampleWriterOutput::writeTone() {
  while (synth_.samplesLeft() > 0) {
    const std::size_t count = synth_.render(chunk_);
    if (!writer_(std::span(chunk_.data(), count))) {
      writeFailed_ = true;
      return false;
    }
    writtenSamples_ += static_cast<std::int64_t>(count);
  }
  return true;
}

// The instruments' last notes die away after the last tone, as they do on the
// sound device; steady tones leave nothing to write.
void SampleWriterOutput::end() {
  if (!writeFailed_) {
    synth_.startRingOut();
    writeTone();
  }
}

std::int64_t SampleWriterOutput::heardMs() const {
  return writtenSamples_ * 1000 / synth_.sampleRate();
}

}  // namespace quavern::playback
