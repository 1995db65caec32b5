#include "export/midi_file.h"

#include <cassert>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quavern::exporting {
namespace {

constexpr std::uint32_t kTicksPerQuarter = 480;
constexpr std::uint32_t kQuartersPerBar = 4;
constexpr std::uint32_t kTicksPerBar = kTicksPerQuarter * kQuartersPerBar;
constexpr std::uint16_t kTrackCount = 4;  // tempo, count-in, melody, chords

// Channels counted from 0, so 9 is the percussion channel 10, which none of them may be.
constexpr int kMelodyChannel = 0;
constexpr int kChordsChannel = 1;
constexpr int kCountInChannel = 2;

constexpr int kCountInNote = 65;    // F4, the 349 Hz of the count-in
constexpr int kMelodyLowestC = 72;  // "c-", C5 (523 Hz)
constexpr int kChordsLowestC = 60;  // chord tones lie from C4 up to B4
constexpr int kMelodyVelocity = 96;
constexpr int kChordsVelocity = 64;  // softer than the melody it carries
constexpr int kCountInVelocity = 80;
constexpr int kReleaseVelocity = 64;

// Event and meta-event codes.
constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90;
constexpr std::uint8_t kProgramChange = 0xC0;
constexpr std::uint8_t kMeta = 0xFF;
constexpr std::uint8_t kTrackName = 0x03;
constexpr std::uint8_t kInstrumentName = 0x04;
constexpr std::uint8_t kMarker = 0x06;
constexpr std::uint8_t kEndOfTrack = 0x2F;
constexpr std::uint8_t kSetTempo = 0x51;
constexpr std::uint8_t kTimeSignature = 0x58;
constexpr std::uint8_t kKeySignature = 0x59;

void appendBigEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) {
    out.push_back(static_cast<char>((value >> shift) & 0xFF));
  }
}

// Seven bits a byte, most significant first, every byte but the last with its top bit set.
void appendVariableLength(std::string& out, std::uint32_t value) {
  std::uint8_t groups[5];
  int count = 0;
  do {
    groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value > 0);
  while (count > 1) {
    out.push_back(static_cast<char>(groups[--count] | 0x80));
  }
  out.push_back(static_cast<char>(groups[0]));
}

// One track's events in time order, each written with the delta from the one before.
class Track {
 public:
  void meta(std::uint32_t tick, std::uint8_t type, std::string_view data) {
    at(tick);
    events_.push_back(static_cast<char>(kMeta));
    events_.push_back(static_cast<char>(type));
    appendVariableLength(events_, static_cast<std::uint32_t>(data.size()));
    events_.append(data);
  }
  void note(std::uint32_t tick, int channel, int number, int velocity) {
    channelEvent(tick, kNoteOn, channel, number, velocity);
  }
  // The instrument's name, then its program, at the start of the track.
  void instrument(int channel, playback::Sound sound) {
    meta(0, kInstrumentName, playback::nameOf(sound));
    at(0);
    events_.push_back(static_cast<char>(kProgramChange | channel));
    events_.push_back(static_cast<char>(playback::gmProgramOf(sound)));
  }
  void release(std::uint32_t tick, int channel, int number) {
    channelEvent(tick, kNoteOff, channel, number, kReleaseVelocity);
  }
  // Closes the track; `tick` is where its last note or rest ends.
  std::string chunk(std::uint32_t tick) {
    meta(tick, kEndOfTrack, {});
    std::string out = "MTrk";
    appendBigEndian(out, static_cast<std::uint32_t>(events_.size()), 4);
    return out + events_;
  }

 private:
  void at(std::uint32_t tick) {
    assert(tick >= tick_);
    appendVariableLength(events_, tick - tick_);
    tick_ = tick;
  }
  void channelEvent(std::uint32_t tick, std::uint8_t status, int channel, int number,
                    int velocity) {
    at(tick);
    events_.push_back(static_cast<char>(status | channel));
    events_.push_back(static_cast<char>(number));
    events_.push_back(static_cast<char>(velocity));
  }

  std::string events_;
  std::uint32_t tick_ = 0;
};

std::string bigEndianBytes(std::uint32_t value, int bytes) {
  std::string out;
  appendBigEndian(out, value, bytes);
  return out;
}

std::string tempoTrack(std::int32_t quarterMs) {
  Track track;
  // 4/4; a metronome click every quarter (24 MIDI clocks); 8 thirty-seconds a quarter.
  track.meta(0, kTimeSignature, std::string_view("\x04\x02\x18\x08", 4));
  // C major, as the notes are spelled: without it, importers guess a key from the notes.
  track.meta(0, kKeySignature, std::string_view("\x00\x00", 2));
  track.meta(0, kSetTempo, bigEndianBytes(static_cast<std::uint32_t>(quarterMs) * 1000, 3));
  return track.chunk(0);
}

std::string countInTrack() {
  Track track;
  track.meta(0, kTrackName, "Count-in");
  track.instrument(kCountInChannel, playback::Sound::kSteadyTone);
  for (std::uint32_t quarter = 0; quarter < kQuartersPerBar; ++quarter) {
    const std::uint32_t start = quarter * kTicksPerQuarter;
    track.note(start, kCountInChannel, kCountInNote, kCountInVelocity);
    track.release(start + kTicksPerQuarter, kCountInChannel, kCountInNote);
  }
  return track.chunk(kTicksPerBar);
}

std::string melodyTrack(const LeadSheet& sheet, playback::Sound sound) {
  Track track;
  track.meta(0, kTrackName, "Melody");
  track.instrument(kMelodyChannel, sound);
  std::uint32_t tick = kTicksPerBar;
  for (const auto& quarter : sheet.quarters) {
    if (quarter) {
      const int number = kMelodyLowestC + quarter->semitonesAboveC;
      track.note(tick, kMelodyChannel, number, kMelodyVelocity);
      track.release(tick + kTicksPerQuarter, kMelodyChannel, number);
    }
    tick += kTicksPerQuarter;
  }
  return track.chunk(tick);
}

// The notes of a chord as `sound` plays it.
std::vector<int> chordNotes(int chord, playback::Sound sound) {
  const auto tones = chordTones(chord);
  if (playback::playsRootOnly(sound)) {
    return {kChordsLowestC + tones.front() - kSemitonesPerOctave};
  }
  std::vector<int> notes;
  for (const int tone : tones) {
    notes.push_back(kChordsLowestC + tone);
  }
  return notes;
}

std::string chordsTrack(const LeadSheet& sheet, playback::Sound sound) {
  Track track;
  track.meta(0, kTrackName, "Chords");
  track.instrument(kChordsChannel, sound);
  std::uint32_t tick = kTicksPerBar;
  for (const int chord : sheet.barChords) {
    if (music::isChordIndex(chord)) {
      track.meta(tick, kMarker, music::kChordNames[static_cast<std::size_t>(chord)]);
      const std::vector<int> notes = chordNotes(chord, sound);
      for (const int number : notes) {
        track.note(tick, kChordsChannel, number, kChordsVelocity);
      }
      for (const int number : notes) {
        track.release(tick + kTicksPerBar, kChordsChannel, number);
      }
    }
    tick += kTicksPerBar;
  }
  return track.chunk(tick);
}

std::string headerChunk() {
  std::string out = "MThd";
  appendBigEndian(out, 6, 4);  // length of what follows
  appendBigEndian(out, 1, 2);  // format 1: tracks that play together
  appendBigEndian(out, kTrackCount, 2);
  appendBigEndian(out, kTicksPerQuarter, 2);
  return out;
}

}  // namespace

std::string midiFileBytes(const LeadSheet& sheet, const playback::StreamSounds& sounds) {
  return headerChunk() + tempoTrack(sheet.quarterMs) + countInTrack() +
         melodyTrack(sheet, sounds.melody) + chordsTrack(sheet, sounds.chords);
}

}  // namespace quavern::exporting
