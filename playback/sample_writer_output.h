#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "playback/sound_output.h"
#include "playback/tone_synth.h"

namespace quavern::playback {

// Takes the next samples of a stream; returns false when they could not be kept
// (a file that cannot be written), which ends the play early.
using SampleWriter = std::function<bool(std::span<const std::int16_t> samples)>;

// Renders a play into exactly the samples that the sound device would receive,
// with the same synthesis, and hands them on in chunks as fast as they are
// made: for writing a sound file. Nothing waits and nothing is held beyond one
// chunk, so a play of any length costs the same memory.
class SampleWriterOutput final : public SoundOutput {
 public:
  static constexpr int kChunkSamples = 4096;

  SampleWriterOutput(int sampleRate, SampleWriter writer);

  void begin(WhileWaiting whileWaiting, Accompaniment accompaniment = {},
             StreamSounds sounds = {}) override;
  bool sound(Tone tone) override;
  void end() override;
  std::int64_t heardMs() const override;
  Clock::time_point heardOrigin() const override { return origin_; }

  // Samples handed on since begin().
  std::int64_t writtenSamples() const { return writtenSamples_; }
  // Why the latest stream's instruments sound as steady tones, if they do.
  const std::optional<SoundFontFailure>& soundFontFailure() const { return failure_; }

 private:
  bool writeTone();

  ToneSynth synth_;
  SampleWriter writer_;
  WhileWaiting whileWaiting_;
  std::vector<std::int16_t> chunk_;
  Clock::time_point origin_;
  std::int64_t writtenSamples_ = 0;
  std::optional<SoundFontFailure> failure_;
  bool writeFailed_ = false;
};

}  // namespace quavern::playback
