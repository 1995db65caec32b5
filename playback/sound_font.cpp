#include "playback/sound_font.h"

#include <cstdlib>
#include <system_error>

#include "playback/note_renderer.h"

namespace quavern::playback {
namespace {

// Only for the check; a stream renders at its own rate.
constexpr int kCheckSampleRate = 48000;

}  // namespace

StreamSounds SoundAvailability::streamSounds(Sound melody, Sound chords) const {
  return {usable(melody) ? melody : Sound::kSteadyTone,
          usable(chords) ? chords : Sound::kSteadyTone, soundFont};
}

std::vector<std::filesystem::path> soundFontPlaces() {
  if (const char* chosen = std::getenv("QUAVERN_SOUNDFONT"); chosen != nullptr && *chosen != 0) {
    return {chosen};
  }
  return {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
          "/usr/share/sounds/sf2/TimGM6mb.sf2"};
}

SoundAvailability findSoundFont(const std::vector<std::filesystem::path>& places) {
  for (const std::filesystem::path& place : places) {
    std::error_code error;
    if (!std::filesystem::exists(place, error)) {
      continue;
    }
    auto opened = NoteRenderer::open(place, kCheckSampleRate);
    if (const auto* failure = std::get_if<SoundFontFailure>(&opened)) {
      return {{}, *failure};
    }
    return {place, std::nullopt};
  }
  return {{}, SoundFontFailure{SoundFontProblem::kNotInstalled, {}}};
}

}  // namespace quavern::playback
