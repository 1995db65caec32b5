#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "playback/deadline_clock.h"
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
  // Silence written after the last tone, at least, so that the stream does not
  // end on a partial period of the server: PipeWire then drops out for half a
  // period before the tone's last samples, with a click at both edges. What is
  // left of it is dropped unheard when the sink stops once the tone is heard.
  static constexpr int kTrailingSilenceMs = 100;

  enum class Fallback { None, NoDevice, SinkDidNotStart, SinkStalled };

  AudioSinkOutput();
  ~AudioSinkOutput() override;

  void begin(WhileWaiting whileWaiting) override;
  bool sound(Tone tone) override;
  void end() override;

  // Why the latest play went silent, if it did.
  Fallback fallback() const { return fallback_; }
  // The buffer the device granted for the latest play, in milliseconds.
  int grantedBufferMs() const { return grantedBufferMs_; }

 private:
  void openSink();
  void closeSink();
  void goSilent(Fallback why);
  bool feedSink();
  bool writeChunk(std::int64_t roomSamples);
  bool pause();
  std::int64_t roomInSamples() const;
  bool sinkHasStalled() const;
  bool writeTrailingSilence();
  void drainSink();
  bool heardEverything() const;

  std::unique_ptr<QAudioSink> sink_;
  QIODevice* device_ = nullptr;
  ToneSynth synth_{kSampleRate};
  std::vector<std::int16_t> chunk_;
  DeadlineClock clock_;
  WhileWaiting whileWaiting_;
  DeadlineClock::Clock::time_point lastWrite_;
  std::int64_t writtenSamples_ = 0;  // of tones, not of the trailing silence
  std::int64_t trailingSilenceSamples_ = 0;
  int grantedBufferMs_ = 0;
  Fallback fallback_ = Fallback::None;
  bool endedEarly_ = false;
};

}  // namespace quavern::playback
