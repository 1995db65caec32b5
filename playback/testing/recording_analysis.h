#pragma once

#include <cstdint>
#include <optional>
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
  // The end of the play: the largest difference between the recorded last
  // tone, release included, and its rendering (0 when it came out whole and in
  // place), and the loudest sample in the kAfterEndMs recorded after it.
  int lastToneWorstDifference = 0;
  int peakAfterEnd = 0;
};

// Quieter than any steady tone, louder than the rounding of silence.
inline constexpr int kSilenceThreshold = 30;

// How much of the recording after a play is searched for sound that should not
// be there, in milliseconds.
inline constexpr int kAfterEndMs = 200;

// Where a rendered stream begins in a recording of the sound device's output:
// from the first audible sample, then to the sample by the best match over the
// stream's first `matchLength` samples; -1 when it is not there. The recording
// may end before the stream does.
std::int64_t locateStream(Samples recording, Samples rendered, std::int64_t matchLength);

// The largest difference between the rendered samples and the recording from
// `origin` on, over the rendered stream's length, which the recording must hold.
int worstDifferenceAt(Samples recording, std::int64_t origin, Samples rendered);

// Where the recording holds silence that the rendered stream does not, with
// everything after it as rendered, only later by the silence's length: the
// stream ran dry for a moment and then went on. `at` is the stream sample the
// silence came before.
struct Dropout {
  std::int64_t at = 0;
  std::int64_t length = 0;
};

// The one dropout that alone makes the recording from `origin` on differ from
// the rendered stream by more than `tolerance`; nothing when the recording
// differs in any other way, or not at all.
std::optional<Dropout> soleDropout(Samples recording, std::int64_t origin, Samples rendered,
                                   int tolerance);

// Finds a stream of `tones` in a recording of the sound device's output and
// measures every tone: its pitch, its level and its place.
RecordingReport analyseRecording(Samples recording, const std::vector<Tone>& tones, int sampleRate);

}  // namespace quavern::playback::testing
