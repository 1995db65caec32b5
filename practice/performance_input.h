#pragma once

#include <chrono>
#include <optional>

#include "practice/performance.h"
#include "practice/sound_input.h"

namespace quavern::practice {

// What the practice window reads a performance from, whatever the player uses:
// a sound input with its pitch analysis, or a MIDI keyboard. One take is
// start(), poll() from the event loop every 10 to 20 ms while the practice
// runs, then stop(). Nothing here waits or blocks.
class PerformanceInput {
 public:
  PerformanceInput() = default;
  PerformanceInput(const PerformanceInput&) = delete;
  PerformanceInput& operator=(const PerformanceInput&) = delete;
  virtual ~PerformanceInput() = default;

  // Opens the device and starts listening; nothing on success.
  virtual std::optional<InputFailure> start() = 0;

  // Appends to `performance` the frames and onsets made of what has arrived
  // since the last poll, and moves its coveredUntil on. The same Performance is
  // handed in on every poll of one take.
  virtual void poll(Performance& performance) = 0;

  // The instant at which performance sample 0 was taken in (for a sound input,
  // its first sample at the microphone; for MIDI, the instant of start()).
  // Nothing until that is known. With the instant the listener heard stream
  // sample 0, inputIndexAt(thatInstant, *timelineStart(), kPerformanceRate)
  // is the Alignment's streamOrigin before the input's delay is taken off.
  virtual std::optional<SteadyClock::time_point> timelineStart() const = 0;

  // A device that stopped delivering (SoundInput::kStallLimit without a sample).
  // A MIDI keyboard delivers only when played, so it never stalls.
  virtual bool hasStalled(SteadyClock::time_point now) const = 0;

  // The device opened at start() has gone from the system since: the take no
  // longer hears it, whatever the sound server does with the stream. Judged
  // from the polls, so poll() first.
  virtual bool deviceLost() const = 0;

  // The level of the latest stretch polled, in dBFS clamped to -60..0, for the
  // "Input level" meter; nothing for an input without a sound level (MIDI).
  virtual std::optional<double> levelDbfs() const = 0;

  virtual void stop() = 0;
};

}  // namespace quavern::practice
