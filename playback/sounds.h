#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string_view>

namespace quavern::playback {

// What sounds the melody or the chords: the steady tones Quavern was designed
// with, or a General MIDI instrument of a SoundFont.
enum class Sound {
  kSteadyTone,
  kAcousticGrandPiano,
  kElectricPiano,
  kVibraphone,
  kNylonGuitar,
  kJazzGuitar,
  kAcousticBass,
  kFlute,
  kAltoSax,
  kTrumpet,
  kStrings,
};

struct SoundEntry {
  Sound sound;
  std::string_view name;  // as the menus and quavern-export's --list-sounds show it
  // General MIDI program, counted from 0 as the MIDI byte carries it (the GM list counts
  // from 1). The steady tone stands for Ocarina (GM 80), the GM program nearest a sine.
  int gmProgram;
};

inline constexpr std::array<SoundEntry, 11> kSoundCatalogue{{
    {Sound::kSteadyTone, "Steady tone (as designed)", 79},
    {Sound::kAcousticGrandPiano, "Acoustic grand piano", 0},
    {Sound::kElectricPiano, "Electric piano", 4},
    {Sound::kVibraphone, "Vibraphone", 11},
    {Sound::kNylonGuitar, "Nylon guitar", 24},
    {Sound::kJazzGuitar, "Jazz guitar", 26},
    {Sound::kAcousticBass, "Acoustic bass", 32},
    {Sound::kFlute, "Flute", 73},
    {Sound::kAltoSax, "Alto sax", 65},
    {Sound::kTrumpet, "Trumpet", 56},
    {Sound::kStrings, "Strings", 48},
}};

const SoundEntry& entryOf(Sound sound);
inline std::string_view nameOf(Sound sound) {
  return entryOf(sound).name;
}
inline int gmProgramOf(Sound sound) {
  return entryOf(sound).gmProgram;
}
// The exact name, as nameOf() gives it.
std::optional<Sound> soundNamed(std::string_view name);

inline bool isInstrument(Sound sound) {
  return sound != Sound::kSteadyTone;
}

// An instrument playing the chords sounds only their root, an octave lower, as a bass
// player would; the others sound all four tones.
inline bool playsRootOnly(Sound chordSound) {
  return chordSound == Sound::kAcousticBass;
}

// The sounds of one stream. An instrument needs a SoundFont: without one, it sounds as
// the steady tone.
struct StreamSounds {
  Sound melody = Sound::kSteadyTone;
  Sound chords = Sound::kSteadyTone;
  std::filesystem::path soundFont;  // a General MIDI SoundFont, checked by findSoundFont()

  bool anyInstrument() const {
    return !soundFont.empty() && (isInstrument(melody) || isInstrument(chords));
  }
  friend bool operator==(const StreamSounds&, const StreamSounds&) = default;
};

}  // namespace quavern::playback
