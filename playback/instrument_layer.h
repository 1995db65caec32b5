#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "playback/accompaniment.h"
#include "playback/note_renderer.h"
#include "playback/sounds.h"

namespace quavern::playback {

// Renders one note on its own, as NoteRenderer::render does; a test hands in one
// whose notes show where they start and where they are let go.
using NoteSource = std::function<NoteSamples(const NoteRequest&)>;

// The instruments of a stream, sample by sample from stream sample 0: melody notes as
// the stream's tones start, and the chords of an accompaniment, each note added in at
// exactly the sample its tone or chord starts. Each distinct note (instrument, key,
// velocity, length) is rendered by FluidSynth once and kept for the next time it sounds.
class InstrumentLayer {
 public:
  // Peak levels in full-scale units, those of the steady tones they stand in for: a
  // melody note as loud as a melody tone, each chord note as a chord tone (about 15 dB
  // under the melody), a bass root alone as a whole chord of tones (about 10 dB under).
  static constexpr double kMelodyPeak = 0.25118864315095801;   // -12 dBFS
  static constexpr double kChordNotePeak = 0.044668359215096;  // -27 dBFS
  static constexpr double kBassRootPeak = 0.079432823472428;   // -22 dBFS
  // Velocities: the chords played softer, as an accompanist would, for their timbre.
  static constexpr int kMelodyVelocity = 100;
  static constexpr int kChordVelocity = 80;
  // Notes kept for later plays, in samples (about 64 MB); beyond it a new play starts
  // with none.
  static constexpr std::size_t kMostCachedSamples = 16 * 1024 * 1024;

  // Without a source, notes come from FluidSynth with the stream's SoundFont.
  explicit InstrumentLayer(int sampleRate, NoteSource source = {});
  ~InstrumentLayer();

  // Starts again at stream sample 0. The melody and the chords of `accompaniment` sound
  // on instruments as `sounds` asks; fails, with everything silent, when its SoundFont
  // does not load.
  std::optional<SoundFontFailure> reset(const StreamSounds& sounds,
                                        const Accompaniment& accompaniment);

  // Whether the stream has any instrument; if not, nothing need be added.
  bool inUse() const { return inUse_; }
  bool playsMelody() const { return playsMelody_; }
  bool playsChords() const { return !chordSpans_.empty() || nextChord_ > 0; }
  // Nothing sounds at or after the current sample unless another note is started.
  bool silent() const { return sounding_.empty() && nextChord_ == chordSpans_.size(); }

  // A melody note of `frequencyHz` from stream sample `start`, at or after the current
  // one, held for `length` samples. Renders the note if it is new.
  void startMelodyNote(std::int64_t start, std::int64_t length, int frequencyHz);
  // Readies every chord that starts before stream sample `end`, rendering its notes if
  // they are new; a chord sounds only once readied. Then renders one new note, at
  // most, of the chords due within kRenderAheadMs after `end`. Called at every tone,
  // this readies a chord's notes in the tones before it, so that no tone has to
  // render a whole chord at once: four notes take about 15 ms, ten times that in a
  // build with sanitizers, and a sound device buffers only about 150 ms.
  void readyChordsBefore(std::int64_t end);
  static constexpr int kRenderAheadMs = 4000;

  // Adds the layer's values at the next mix.size() stream samples, in full-scale units.
  void addTo(std::span<double> mix);
  // Moves on past `count` samples known to be silent().
  void skip(std::int64_t count) { position_ += count; }
  // Samples from the current one until the last started note has died away.
  std::int64_t ringingSamples() const;

  // The MIDI note number of an equal-tempered frequency, A4 = 440 Hz = 69.
  static int keyOf(int frequencyHz);

 private:
  struct Sounding {
    std::shared_ptr<const NoteSamples> samples;
    std::int64_t start = 0;
    double gain = 0.0;
  };
  struct ChordNotes {
    std::int64_t start = 0;
    std::int64_t length = 0;
    std::vector<int> keys;
  };

  std::shared_ptr<const NoteSamples> noteFor(const NoteRequest& request);
  void addSounding(const Sounding& note, std::span<double> mix) const;
  void renderOneAhead(std::int64_t end);

  int sampleRate_;
  std::optional<SoundFontFailure> openRenderer(const std::filesystem::path& soundFont);

  NoteSource source_;
  std::unique_ptr<NoteRenderer> renderer_;
  std::map<NoteRequest, std::shared_ptr<const NoteSamples>> cache_;
  std::size_t cachedSamples_ = 0;
  bool inUse_ = false;
  bool playsMelody_ = false;
  int melodyProgram_ = 0;
  int chordProgram_ = 0;
  double chordPeak_ = kChordNotePeak;
  std::vector<ChordNotes> chordSpans_;
  std::size_t nextChord_ = 0;
  std::vector<Sounding> sounding_;  // in order of start
  std::int64_t position_ = 0;
};

}  // namespace quavern::playback
