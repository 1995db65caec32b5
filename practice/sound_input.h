#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace quavern::practice {

using SteadyClock = std::chrono::steady_clock;

enum class InputFailure {
  NoDevice,     // the system has no default input device
  DidNotStart,  // the device would not open or start
};

// Where a practice takes its sound from: the microphone, or a prepared take in
// tests. One capture is start(), reads while the practice runs, then stop().
// Reads never wait, so the caller polls them from its event loop, every 10 to
// 20 ms. What is read is kept by the caller, in memory only.
class SoundInput {
 public:
  static constexpr int kSampleRate = 48000;  // mono, signed 16-bit
  // A device that has delivered nothing for this long counts as no input at all.
  static constexpr std::chrono::milliseconds kStallLimit{500};

  SoundInput() = default;
  SoundInput(const SoundInput&) = delete;
  SoundInput& operator=(const SoundInput&) = delete;
  virtual ~SoundInput() = default;

  // Starts capturing; nothing on success.
  virtual std::optional<InputFailure> start() = 0;

  // Appends to `samples` what has arrived since the last read; returns how many.
  virtual std::size_t readAvailable(std::vector<std::int16_t>& samples) = 0;

  // The instant at which the first sample read was taken in at the microphone,
  // the input's own buffering and latency allowed for; nothing until a sample
  // has been read. Input sample i was taken in i / kSampleRate seconds later.
  virtual std::optional<SteadyClock::time_point> firstSampleCapturedAt() const = 0;

  // True when, by `now`, no sample has been read for kStallLimit since start()
  // or since the last sample. Judged from the reads, so poll readAvailable()
  // first: time the caller spent away from reading does not count.
  virtual bool hasStalled(SteadyClock::time_point now) const = 0;

  // True when the device opened by start() has gone from the system since.
  // PulseAudio quietly moves a recording stream to another source when its
  // device goes away, so the samples keep coming from another microphone.
  // Judged from the reads, so poll readAvailable() first.
  virtual bool deviceLost() const = 0;

  virtual void stop() = 0;
};

// The index of the input sample taken in at `instant`, for an input whose first
// sample was taken in at `firstSampleCapturedAt`; nearest sample, and negative
// for an instant before it. With `instant` the moment stream sample 0 was heard,
// this is Take::streamOrigin.
std::int64_t inputIndexAt(SteadyClock::time_point instant,
                          SteadyClock::time_point firstSampleCapturedAt, int sampleRate);

}  // namespace quavern::practice
