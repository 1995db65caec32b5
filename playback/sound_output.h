#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "playback/accompaniment.h"
#include "playback/sounds.h"
#include "playback/tone.h"

namespace quavern::playback {

// What the caller of a play wants while it waits for sound to be heard.
enum class PlayControl {
  Continue,
  Stop,     // end after a short release of what is sounding, so no click is heard
  Abandon,  // end at once: the program is closing
};

// Called over and over while an output waits for sound to be heard, never more
// than kLongestWaitSlice apart, so the caller can keep its window alive and
// follow the play.
using WhileWaiting = std::function<PlayControl()>;

inline constexpr std::chrono::milliseconds kLongestWaitSlice{20};

// Where a play's tones go. One play is begin(), a gapless run of sound() calls,
// then end(). Each call blocks about as long as its tone lasts, like the
// platform tone call the program was designed around.
class SoundOutput {
 public:
  using Clock = std::chrono::steady_clock;

  SoundOutput() = default;
  SoundOutput(const SoundOutput&) = delete;
  SoundOutput& operator=(const SoundOutput&) = delete;
  virtual ~SoundOutput() = default;

  // The accompaniment, if any, sounds under the tones on the same timeline; the
  // melody's tones and the chords sound as `sounds` asks (the count-in tones
  // always steady). An instrument whose SoundFont does not load sounds as the
  // steady tone.
  virtual void begin(WhileWaiting whileWaiting, Accompaniment accompaniment = {},
                     StreamSounds sounds = {}) = 0;
  // Returns false when whileWaiting asked to end the play.
  virtual bool sound(Tone tone) = 0;
  // Returns once everything sounded has been heard; sooner after an early end.
  virtual void end() = 0;

  // How far into the stream the listener is: milliseconds of the play heard
  // so far, not merely handed on. 0 before the first sample is heard.
  virtual std::int64_t heardMs() const = 0;
  // The moment at which the first sample of the stream was heard, or is
  // expected to be, as the latest report of the device puts it; for lining
  // other recordings up with the play. A stream's first reports, in its first
  // tens of milliseconds, can be 40 ms off before they settle.
  virtual Clock::time_point heardOrigin() const = 0;
};

}  // namespace quavern::playback
