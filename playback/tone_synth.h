#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "music/timeline.h"
#include "playback/accompaniment.h"
#include "playback/chord_layer.h"
#include "playback/instrument_layer.h"
#include "playback/sine_table.h"
#include "playback/sound_font.h"
#include "playback/sounds.h"
#include "playback/tone.h"

namespace quavern::playback {

using music::sampleAtMs;

// Renders a stream of tones, one after the other with no gap, as signed 16-bit
// mono samples, with the chords of an accompaniment added underneath. The melody
// and the chords sound as steady tones or, when the stream's sounds say so, on
// instruments of a SoundFont; the count-in is always the steady tone. Knows only
// its sample rate: no device, and no allocation while rendering (an instrument's
// new note is rendered when its tone starts), so it can run offline as well as
// feed a sound card.
class ToneSynth {
 public:
  // Peak amplitude, -12 dBFS: loud enough to hear, far from clipping.
  static constexpr double kLevel = 0.25118864315095801;
  // Attack and release in milliseconds. Long enough that a tone neither starts
  // nor stops with a click, short enough that the steady part dominates; the
  // release followed by the next attack is the dip that lets two equal notes in
  // a row be heard as two.
  static constexpr int kRampMs = 5;

  // `notes` stands in for FluidSynth, for tests; see InstrumentLayer.
  explicit ToneSynth(int sampleRate, NoteSource notes = {});

  int sampleRate() const { return sampleRate_; }

  // Goes back to the start of a new stream, with these chords under it, in these
  // sounds. When the SoundFont does not load, the stream sounds as steady tones
  // and the failure is returned.
  std::optional<SoundFontFailure> reset(const Accompaniment& accompaniment = {},
                                        const StreamSounds& sounds = {});

  // Starts the next tone of the stream where the previous one ended.
  void startTone(Tone tone);

  // Writes the next samples of the current tone into `out`; returns how many,
  // fewer than out.size() only when the tone ends. Chunked rendering gives the
  // same samples as rendering a tone in one go.
  std::size_t render(std::span<std::int16_t> out);

  std::int64_t samplesLeft() const { return toneLength_ - position_; }

  // After the last tone: lets the instruments' last notes die away, for up to
  // kLongestRingOutMs, faded out if they would last longer. The ring-out is then
  // the current tone, which render() writes; nothing rings after steady tones.
  static constexpr int kLongestRingOutMs = 1000;
  void startRingOut();

  // Milliseconds from the start of the stream to the end of the current tone.
  std::int64_t streamMs() const { return streamMs_; }

  // Stream sample at which the current tone started.
  std::int64_t toneStartSample() const { return toneStart_; }

 private:
  // The melody's values at the next mix.size() samples of the current tone.
  void renderMelody(std::span<double> mix);

  // Mixing happens in blocks of this many samples.
  static constexpr std::size_t kBlockSamples = 1024;

  void fadeRingOut(std::span<double> mix) const;

  int sampleRate_;
  std::shared_ptr<const SineTable> sine_;
  ChordLayer chords_;
  InstrumentLayer instruments_;
  std::int64_t streamMs_ = 0;
  std::int64_t toneStart_ = 0;
  std::int64_t toneLength_ = 0;
  std::int64_t position_ = 0;
  std::int64_t rampLength_ = 0;
  SinePhase phase_;
  std::vector<double> mix_;  // one block of the mix, before rounding
  int frequencyHz_ = kRestHz;
  bool instrumentTone_ = false;  // the current tone sounds on the melody's instrument
  bool ringOut_ = false;
};

}  // namespace quavern::playback
