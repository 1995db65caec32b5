#include "playback/testing/rendered_stream.h"

#include <utility>

#include "playback/tone_synth.h"

namespace quavern::playback::testing {

std::vector<std::int16_t> renderedStream(const std::vector<Tone>& tones,
                                         const Accompaniment& accompaniment, int sampleRate,
                                         std::size_t chunkSize) {
  ToneSynth synth(sampleRate);
  synth.reset(accompaniment);
  std::vector<std::int16_t> stream;
  std::vector<std::int16_t> chunk(chunkSize);
  for (const Tone& tone : tones) {
    synth.startTone(tone);
    while (const std::size_t count = synth.render(chunk)) {
      stream.insert(stream.end(), chunk.begin(),
                    chunk.begin() + static_cast<std::ptrdiff_t>(count));
    }
  }
  return stream;
}

std::vector<std::int16_t> renderedStreamIn(const StreamSounds& sounds,
                                           const std::vector<Tone>& tones,
                                           const Accompaniment& accompaniment, NoteSource notes,
                                           std::size_t chunkSize) {
  ToneSynth synth(48000, std::move(notes));
  synth.reset(accompaniment, sounds);
  std::vector<std::int16_t> stream;
  std::vector<std::int16_t> chunk(chunkSize);
  const auto keep = [&] {
    while (const std::size_t count = synth.render(chunk)) {
      stream.insert(stream.end(), chunk.begin(),
                    chunk.begin() + static_cast<std::ptrdiff_t>(count));
    }
  };
  for (const Tone& tone : tones) {
    synth.startTone(tone);
    keep();
  }
  synth.startRingOut();
  keep();
  return stream;
}

}  // namespace quavern::playback::testing
