#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "playback/deadline_clock.h"
#include "playback/heard_position.h"
#include "playback/sink_retirement.h"
#include "playback/sound_output.h"
#include "playback/tone_synth.h"

class QAudioSink;
class QIODevice;

namespace quavern::playback {

// Plays through the default sound device with a Qt audio sink in push mode on
// the calling thread. One sink is opened per play, so the count-in and every
// pass run on as one gapless stream. When there is no device, the sink does not
// start, or it stops taking data, the play goes on silently in time.
class AudioSinkOutput final : public SoundOutput {
 public:
  static constexpr int kSampleRate = 48000;  // mono, signed 16-bit
  // PulseAudio grants less than asked; much below 100 ms underruns on a busy machine.
  static constexpr int kRequestedBufferMs = 200;
  // A sink that takes nothing for this long is taken for dead.
  static constexpr std::chrono::milliseconds kStallLimit{500};
  // A play stopped early fades out over this long rather than stopping dead.
  static constexpr int kReleaseMs = 5;
  // Silence written after the last sound, at least, so that the stream does not
  // end on a partial period of the server: PipeWire then drops out for half a
  // period before the sound's last samples, with a click at both edges. What is
  // left of it when the sound has been heard is dropped unheard.
  static constexpr int kSilenceTailMs = 100;

  enum class Fallback { None, NoDevice, SinkDidNotStart, SinkStalled };

  AudioSinkOutput();
  ~AudioSinkOutput() override;

  void begin(WhileWaiting whileWaiting, Accompaniment accompaniment = {},
             StreamSounds sounds = {}) override;
  bool sound(Tone tone) override;
  void end() override;
  std::int64_t heardMs() const override;
  Clock::time_point heardOrigin() const override { return heard_.origin(); }

  // Why the latest play went silent, if it did.
  Fallback fallback() const { return fallback_; }
  // The buffer the device granted for the latest play, in milliseconds.
  int grantedBufferMs() const { return grantedBufferMs_; }
  // The least the sink held of the latest play beyond what had been heard, in
  // milliseconds, while the play still had sound to give it: near 0 when the
  // play fell behind and the stream ran dry; -1 before a sink was ever full.
  int leastBufferedMs() const { return leastBufferedMs_; }

 private:
  void openSink();
  void closeSink();
  void retireSink();
  void goSilent(Fallback why);
  bool feedSink();
  bool writeSamples(std::span<const std::int16_t> samples);
  bool writeNow(std::span<const std::int16_t> samples);
  PlayControl pause();
  void noteHeardPosition();
  void noteBufferLevel();
  std::int64_t roomInSamples() const;
  bool sinkHasStalled() const;
  void fadeOutWhatSounds();
  bool writeSilenceTail();
  std::int64_t silenceWritten() const { return writtenSamples_ - soundedSamples_; }
  void drainSink();
  bool heardEverything() const;

  std::unique_ptr<QAudioSink> sink_;
  QIODevice* device_ = nullptr;
  // The sink of a play stopped early, left to play out its fade on its own.
  std::unique_ptr<SinkRetirement> retired_;
  ToneSynth synth_{kSampleRate};
  std::vector<std::int16_t> chunk_;
  DeadlineClock clock_;
  HeardPosition heard_;
  WhileWaiting whileWaiting_;
  Clock::time_point lastWrite_;
  std::int64_t writtenSamples_ = 0;
  std::int64_t soundedSamples_ = 0;  // written, not counting the silence tail
  int grantedBufferMs_ = 0;
  int leastBufferedMs_ = -1;
  bool sinkFilled_ = false;  // once, in the latest play
  Fallback fallback_ = Fallback::None;
  PlayControl asked_ = PlayControl::Continue;
};

}  // namespace quavern::playback
