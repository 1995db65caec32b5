#pragma once

#include <cstdint>
#include <vector>

#include "playback/testing/signal_analysis.h"
#include "playback/tone.h"

namespace quavern::playback::testing {

struct ToneReport {
  int expectedHz = 0;
  double measuredHz = 0.0;  // 0 for a rest
  double rms = 0.0;         // of the steady part, clear of the ramps
  // How far the tone sits from its place in the stream, in samples, measured
  // against the rendered tone; 0 when it starts exactly where it should.
  std::int64_t shift = 0;
};

struct RecordingReport {
  std::int64_t origin = -1;  // recording sample where the stream's first sample lies
  std::vector<ToneReport> tones;
  // Quiet stretches longer than 2 ms inside the play that are not rests.
  std::vector<QuietRun> gaps;
};

// Quieter than any steady tone, louder than the rounding of silence.
inline constexpr int kSilenceThreshold = 30;

// Finds a stream of `tones` in a recording of the sound device's output and
// measures every tone: its pitch, its level and its place.
RecordingReport analyseRecording(Samples recording, const std::vector<Tone>& tones, int sampleRate);

}  // namespace quavern::playback::testing
