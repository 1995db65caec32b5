#pragma once

#include <cstdint>
#include <span>
#include <vector>

// A player made of arithmetic, for tests and benchmarks: tones with overtones,
// vibrato and noise, laid out on the song's time line.
namespace quavern::practice::testing {

struct Voice {
  double hz = 0.0;  // fundamental; 0 is silence
  // Amplitude of harmonic 1, 2, 3 ... relative to one another; {0.0, 1.0} is an
  // octave with no fundamental.
  std::vector<double> partials{1.0};
  double vibratoCents = 0.0;  // depth either side of hz
  double vibratoHz = 5.5;
  double peak = 0.25;     // of the sum of the partials, full scale 1
  double attackMs = 5.0;  // linear rise from silence: a flute's or a voice's is slow
  // A sampler's release: the note's last releaseMs fall 60 dB, steadily in
  // dB, where 0 is a 5 ms linear fade.
  double releaseMs = 0.0;
  double decayDbPerSecond = 0.0;  // after the attack: a plucked string's ring dies away
  // The level swings down by this much and back, beatingHz times a second, as
  // a choir's voices beat against one another.
  double beatingDb = 0.0;
  double beatingHz = 12.0;
};

// Frequency of a note on the MIDI scale (69 is A 440 Hz), plus cents.
double hzOf(double semitones, double cents = 0.0);

// Partials 1/k for k up to `count`, as a bowed string or a sawtooth has them.
std::vector<double> sawtoothPartials(int count);

// `length` samples of the voice, rising over its attack, with a 5 ms fade at the end.
std::vector<double> render(const Voice& voice, std::int64_t length, int sampleRate);

// Adds white noise `snrDb` below the RMS of `signal`'s loud part. The generator
// is seeded, so every run hears the same noise.
void addNoise(std::span<double> signal, double snrDb, std::uint32_t seed);

// White noise of the given RMS, full scale 1.
std::vector<double> noise(std::int64_t length, double rms, std::uint32_t seed);

std::vector<std::int16_t> toSamples(std::span<const double> signal);

// A note of the performance: the voice from stream millisecond fromMs to toMs.
struct SungNote {
  std::int64_t fromMs = 0;
  std::int64_t toMs = 0;
  Voice voice;
};

// The performance as heard from stream sample 0 on, `lengthMs` long; silence
// between the notes.
std::vector<double> perform(const std::vector<SungNote>& notes, std::int64_t lengthMs,
                            int sampleRate);

}  // namespace quavern::practice::testing
