#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include "playback/sounds.h"

namespace quavern::playback {

// Why the instruments cannot sound.
enum class SoundFontProblem {
  kNotInstalled,  // none of the places looked at holds a file
  kUnreadable,    // the file found is no SoundFont FluidSynth can load
};

struct SoundFontFailure {
  SoundFontProblem problem = SoundFontProblem::kNotInstalled;
  std::filesystem::path path;  // the file that failed; empty when none was found

  friend bool operator==(const SoundFontFailure&, const SoundFontFailure&) = default;
};

// Which sounds a stream may use: the steady tone always, the instruments when a SoundFont
// loads.
struct SoundAvailability {
  std::filesystem::path soundFont;          // empty when there is none to use
  std::optional<SoundFontFailure> failure;  // set exactly when soundFont is empty

  bool usable(Sound sound) const { return !isInstrument(sound) || !soundFont.empty(); }
  // The choice as it will sound: an instrument without a SoundFont is the steady tone.
  StreamSounds streamSounds(Sound melody, Sound chords) const;
};

// Where a General MIDI SoundFont is looked for, in order. Debian's alternatives link
// default-GM.sf2 to fluid-soundfont-gm's FluidR3_GM.sf2 or to timgm6mb-soundfont's
// TimGM6mb.sf2; the two files are tried too in case the link is missing. When the
// QUAVERN_SOUNDFONT environment variable names a file, that file is the only place.
std::vector<std::filesystem::path> soundFontPlaces();

// The first of `places` that exists, checked by loading it the way a stream will (its
// preset list only; samples load when a note needs them). A file that exists but does not
// load is reported, not skipped: the user installed it and should hear why it is unused.
SoundAvailability findSoundFont(const std::vector<std::filesystem::path>& places);

}  // namespace quavern::playback
