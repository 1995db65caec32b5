#include "practice/midi_performance.h"

#include <algorithm>
#include <cmath>

#include "practice/pitch_class.h"

namespace quavern::practice {
namespace {

constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90;
constexpr std::uint8_t kMessageKind =
    0xF0;  // the status byte's upper half; the lower is the channel
constexpr double kLoudestVelocity = 127.0;
constexpr double kNoLevelDbfs = -120.0;

}  // namespace

std::optional<MidiNoteEvent> decodeNoteMessage(std::span<const std::uint8_t> message,
                                               std::int64_t sample) {
  if (message.size() < 3) {
    return std::nullopt;
  }
  const std::uint8_t kind = message[0] & kMessageKind;
  if (kind != kNoteOn && kind != kNoteOff) {
    return std::nullopt;
  }
  const int note = message[1] & 0x7F;
  const int velocity = kind == kNoteOn ? message[2] & 0x7F : 0;
  return MidiNoteEvent{sample, note, velocity};
}

double hzOfMidiNote(int note) {
  return hzOfSemitones(note);
}

double levelOfVelocity(int velocity) {
  return 20.0 * std::log10(std::clamp(velocity, 1, 127) / kLoudestVelocity);
}

void MidiPerformance::add(const MidiNoteEvent& event, Performance& performance) {
  addFramesBefore(event.sample, performance);
  if (event.pressed()) {
    held_.push_back({event.note, event.velocity});
    performance.onsets.push_back({event.sample, hzOfMidiNote(event.note), true});
  } else {
    letGo(event.note);
  }
  performance.coveredUntil = std::max(performance.coveredUntil, event.sample);
}

void MidiPerformance::coverUntil(std::int64_t sample, Performance& performance) {
  addFramesBefore(sample, performance);
  performance.coveredUntil = std::max(performance.coveredUntil, sample);
}

void MidiPerformance::addFramesBefore(std::int64_t sample, Performance& performance) {
  for (; nextFrame_ < sample; nextFrame_ += kFrameHopSamples) {
    PitchFrame frame{nextFrame_, std::nullopt, kNoLevelDbfs};
    if (!held_.empty()) {
      frame.hz = hzOfMidiNote(held_.back().note);
      frame.levelDbfs = levelOfVelocity(held_.back().velocity);
    }
    performance.frames.push_back(frame);
  }
}

void MidiPerformance::letGo(int note) {
  // The latest press of that key; a key pressed twice on two channels is held
  // until both let go.
  const auto key = std::find_if(held_.rbegin(), held_.rend(),
                                [note](const HeldKey& held) { return held.note == note; });
  if (key != held_.rend()) {
    held_.erase(std::next(key).base());
  }
}

}  // namespace quavern::practice
