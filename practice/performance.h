#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quavern::practice {

// What an input made of a performance, on the input's own sample timeline at
// kPerformanceRate: sample 0 is the first sample the input delivered (a sound
// input) or the instant the input started (a MIDI keyboard). Sound and MIDI
// inputs both produce one, so the judge never knows where the pitch came from.
inline constexpr int kPerformanceRate = 48000;

// Pitch frames are this far apart: 100 a second, so the live read-out and the
// trace move at least 20 times a second.
inline constexpr std::int64_t kFrameHopSamples = 480;

// The pitch heard around one instant of the performance.
struct PitchFrame {
  std::int64_t sample = 0;     // centre of the analysed stretch
  std::optional<double> hz{};  // nothing: no steady pitch (silence, noise, breath)
  double levelDbfs = -120.0;   // RMS of the stretch, dB below full scale
};

// An instant at which a note began to sound: a change of pitch, or a new
// attack of the same pitch (a repeated note). Ring, decay and reverb are none.
struct Onset {
  std::int64_t sample = 0;
  std::optional<double> hz{};  // the pitch that began there, when already known
  // Nothing but a new note makes it (a key pressed), where a sound's onset
  // may be the flicker of a tail.
  bool certain = false;
};

// The latest samples of a sound input, for the judge to find where the note
// it heard began: `samples[0]` is sample `first` of the performance. At least
// kRecentSoundSamples are kept: a slot and a half of the slowest tempo (2 s a
// beat) back from the newest. Empty for a MIDI keyboard.
inline constexpr std::int64_t kRecentSoundSamples = 4 * kPerformanceRate;

struct RecentSound {
  std::vector<std::int16_t> samples;
  std::int64_t first = 0;

  std::int64_t end() const { return first + static_cast<std::int64_t>(samples.size()); }
  void append(std::span<const std::int16_t> fresh, std::int64_t keep = kRecentSoundSamples) {
    samples.insert(samples.end(), fresh.begin(), fresh.end());
    const auto excess = static_cast<std::int64_t>(samples.size()) - keep;
    if (excess > keep / 4) {
      samples.erase(samples.begin(), samples.begin() + excess);
      first += excess;
    }
  }
};

// Grows while the input is read: frames and onsets in time order. Everything
// before `coveredUntil` has been analysed for good and will not change. Frames
// are final sooner than onsets, whose placement looks back: those before
// framesCoveredUntil will not change either.
struct Performance {
  std::vector<PitchFrame> frames;
  std::vector<Onset> onsets;
  std::int64_t coveredUntil = 0;
  std::int64_t framesCoveredUntil = 0;
  RecentSound sound;

  std::int64_t framesFinalUntil() const { return std::max(coveredUntil, framesCoveredUntil); }
};

}  // namespace quavern::practice
