#include "playback/sounds.h"

#include <algorithm>

namespace quavern::playback {

const SoundEntry& entryOf(Sound sound) {
  return *std::find_if(kSoundCatalogue.begin(), kSoundCatalogue.end(),
                       [sound](const SoundEntry& entry) { return entry.sound == sound; });
}

std::optional<Sound> soundNamed(std::string_view name) {
  for (const SoundEntry& entry : kSoundCatalogue) {
    if (entry.name == name) {
      return entry.sound;
    }
  }
  return std::nullopt;
}

}  // namespace quavern::playback
