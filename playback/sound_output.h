#pragma once

#include <chrono>
#include <functional>

#include "playback/tone.h"

namespace quavern::playback {

// Called over and over while an output waits for sound to be heard, never more
// than kLongestWaitSlice apart, so the caller can keep its window alive.
// Returning false asks for the play to end now.
using WhileWaiting = std::function<bool()>;

inline constexpr std::chrono::milliseconds kLongestWaitSlice{20};

// Where a play's tones go. One play is begin(), a gapless run of sound() calls,
// then end(). Each call blocks about as long as its tone lasts, like the
// platform tone call the program was designed around.
class SoundOutput {
 public:
  SoundOutput() = default;
  SoundOutput(const SoundOutput&) = delete;
  SoundOutput& operator=(const SoundOutput&) = delete;
  virtual ~SoundOutput() = default;

  virtual void begin(WhileWaiting whileWaiting) = 0;
  // Returns false when whileWaiting asked to end the play.
  virtual bool sound(Tone tone) = 0;
  // Returns once everything sounded has been heard; at once after an early end.
  virtual void end() = 0;
};

}  // namespace quavern::playback
