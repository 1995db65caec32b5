#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "practice/performance.h"

namespace quavern::practice {

// A key pressed or let go on a MIDI keyboard, at a sample of the input's
// timeline. Any channel.
struct MidiNoteEvent {
  std::int64_t sample = 0;
  int note = 0;      // MIDI note number, 0 to 127; 69 is A4
  int velocity = 0;  // 1 to 127 for a key pressed; 0 for a key let go
  bool pressed() const { return velocity > 0; }
  friend bool operator==(const MidiNoteEvent&, const MidiNoteEvent&) = default;
};

// The note event in one complete MIDI message: a note-on (0x9n) with a velocity
// is a key pressed; a note-off (0x8n), or a note-on with velocity 0 (running
// status keyboards send these), is a key let go. Anything else is nothing.
std::optional<MidiNoteEvent> decodeNoteMessage(std::span<const std::uint8_t> message,
                                               std::int64_t sample);

// Equal temperament from A4 = 440 Hz.
double hzOfMidiNote(int note);

// A velocity as a level, 20 log10(velocity / 127) dBFS: full force is 0 dBFS,
// the softest touch about -42 dBFS, so the judge sees a key as clearly heard.
double levelOfVelocity(int velocity);

// Makes a Performance of a MIDI keyboard's note events as they arrive: an onset
// at every key pressed, with its pitch, and a pitch frame every kFrameHopSamples
// from sample 0 carrying the pitch of the most recently pressed key still held
// (none when no key is held), at its velocity's level.
class MidiPerformance {
 public:
  // Events come in arrival order: none before the previous one, nor before the
  // last coverUntil().
  void add(const MidiNoteEvent& event, Performance& performance);

  // Nothing more will arrive before `sample`: the frames before it are made and
  // the performance covers up to it.
  void coverUntil(std::int64_t sample, Performance& performance);

 private:
  struct HeldKey {
    int note = 0;
    int velocity = 0;
  };
  void addFramesBefore(std::int64_t sample, Performance& performance);
  void letGo(int note);

  std::vector<HeldKey> held_;  // in the order pressed
  std::int64_t nextFrame_ = 0;
};

}  // namespace quavern::practice
