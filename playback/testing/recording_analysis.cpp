#include "playback/testing/recording_analysis.h"

#include <algorithm>
#include <cstdlib>

#include "playback/testing/rendered_stream.h"
#include "playback/tone_synth.h"

namespace quavern::playback::testing {
namespace {

struct Placed {
  Tone tone;
  std::int64_t start = 0;  // stream samples
  std::int64_t end = 0;
};

std::vector<Placed> place(const std::vector<Tone>& tones, int sampleRate) {
  std::vector<Placed> placed;
  std::int64_t ms = 0;
  for (const Tone& tone : tones) {
    const std::int64_t start = sampleAtMs(ms, sampleRate);
    ms += tone.durationMs;
    placed.push_back({tone, start, sampleAtMs(ms, sampleRate)});
  }
  return placed;
}

Samples part(Samples samples, std::int64_t from, std::int64_t count) {
  return samples.subspan(static_cast<std::size_t>(from), static_cast<std::size_t>(count));
}

ToneReport measureTone(Samples recording, Samples rendered, std::int64_t origin,
                       const Placed& placed, int sampleRate) {
  const std::int64_t margin = sampleRate / 100;  // 10 ms, clear of the ramps
  const std::int64_t length = placed.end - placed.start;
  const Samples steady = part(recording, origin + placed.start + margin, length - 2 * margin);
  ToneReport report{placed.tone.frequencyHz, 0.0, rootMeanSquare(steady), 0};
  if (!placed.tone.isRest()) {
    report.measuredHz = measureFrequencyHz(steady, sampleRate);
    report.shift = bestShift(recording, part(rendered, placed.start, length), origin + placed.start,
                             sampleRate / 1000);
  }
  return report;
}

int worstDifference(Samples recorded, Samples rendered) {
  int worst = 0;
  for (std::size_t i = 0; i < rendered.size(); ++i) {
    worst = std::max(worst, std::abs(recorded[i] - rendered[i]));
  }
  return worst;
}

void measureEnd(Samples recording, Samples rendered, const Placed& last, int sampleRate,
                RecordingReport& report) {
  const std::int64_t length = last.end - last.start;
  report.lastToneWorstDifference = worstDifference(
      part(recording, report.origin + last.start, length), part(rendered, last.start, length));
  const std::int64_t afterFrom = report.origin + last.end;
  const std::int64_t afterLength = std::min<std::int64_t>(sampleAtMs(kAfterEndMs, sampleRate),
                                                          std::ssize(recording) - afterFrom);
  report.peakAfterEnd = peakMagnitude(part(recording, afterFrom, afterLength));
}

bool insideRest(const QuietRun& run, const std::vector<Placed>& placed, int sampleRate) {
  const std::int64_t slack = sampleRate / 100;
  return std::any_of(placed.begin(), placed.end(), [&](const Placed& p) {
    return p.tone.isRest() && run.start >= p.start - slack &&
           run.start + run.length <= p.end + slack;
  });
}

}  // namespace

std::int64_t locateStream(Samples recording, Samples rendered, std::int64_t matchLength) {
  const std::int64_t firstHeard = firstLoudSample(recording, kSilenceThreshold);
  const std::int64_t firstRendered = firstLoudSample(rendered, kSilenceThreshold);
  if (firstHeard < 0 || firstRendered < 0) {
    return -1;
  }
  const std::int64_t coarse = firstHeard - firstRendered;
  const Samples start = rendered.first(
      static_cast<std::size_t>(std::min<std::int64_t>(matchLength, std::ssize(rendered))));
  const std::int64_t origin = coarse + bestShift(recording, start, coarse, 480);
  return origin >= 0 ? origin : -1;
}

int worstDifferenceAt(Samples recording, std::int64_t origin, Samples rendered) {
  return worstDifference(recording.subspan(static_cast<std::size_t>(origin), rendered.size()),
                         rendered);
}

std::optional<Dropout> soleDropout(Samples recording, std::int64_t origin, Samples rendered,
                                   int tolerance) {
  const std::int64_t length = std::ssize(rendered);
  // The first rendered sample from `from` on that the recording, `shift` later
  // than at `origin`, does not hold; `length` when it holds them all.
  const auto firstDifference = [&](std::int64_t from, std::int64_t shift) {
    std::int64_t k = from;
    while (k < length && std::abs(recording[static_cast<std::size_t>(origin + shift + k)] -
                                  rendered[static_cast<std::size_t>(k)]) <= tolerance) {
      ++k;
    }
    return k;
  };
  const std::int64_t at = firstDifference(0, 0);
  std::int64_t silence = 0;
  while (origin + at + silence < std::ssize(recording) &&
         std::abs(recording[static_cast<std::size_t>(origin + at + silence)]) <= tolerance) {
    ++silence;
  }
  if (at == length || silence == 0 || origin + length + silence > std::ssize(recording)) {
    return std::nullopt;
  }
  // Rendered samples near zero at the dropout's edges may be counted into it.
  const std::int64_t slack = std::min(silence, std::int64_t{64});
  for (std::int64_t gap = silence - slack; gap <= silence; ++gap) {
    if (firstDifference(at, gap) == length) {
      return Dropout{at, gap};
    }
  }
  return std::nullopt;
}

RecordingReport analyseRecording(Samples recording, const std::vector<Tone>& tones,
                                 int sampleRate) {
  RecordingReport report;
  const std::vector<Placed> placed = place(tones, sampleRate);
  const std::vector<std::int16_t> rendered = renderedStream(tones, {}, sampleRate);
  const std::int64_t firstHeard = firstLoudSample(recording, kSilenceThreshold);
  const std::int64_t firstRendered = firstLoudSample(rendered, kSilenceThreshold);
  if (placed.empty() || firstHeard < 0 || firstRendered < 0) {
    return report;
  }
  // Coarse from the first audible sample, then exact from the first tone.
  const std::int64_t coarse = firstHeard - firstRendered;
  const Placed& first = placed.front();
  report.origin = coarse + bestShift(recording, part(rendered, first.start, first.end),
                                     coarse + first.start, sampleRate / 1000);
  if (report.origin < 0 || report.origin + placed.back().end > std::ssize(recording)) {
    report.origin = -1;
    return report;
  }
  for (const Placed& p : placed) {
    report.tones.push_back(measureTone(recording, rendered, report.origin, p, sampleRate));
  }
  const Samples play = part(recording, report.origin, placed.back().end);
  for (const QuietRun& run : quietRuns(play, kSilenceThreshold, sampleRate / 500)) {
    if (!insideRest(run, placed, sampleRate)) {
      report.gaps.push_back(run);
    }
  }
  measureEnd(recording, rendered, placed.back(), sampleRate, report);
  return report;
}

}  // namespace quavern::playback::testing
