#include "playback/testing/rendered_stream.h"

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

}  // namespace quavern::playback::testing
