#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "practice/performance.h"
#include "practice/pitch_detector.h"

namespace quavern::practice {

// Turns the sound an input delivers, chunk by chunk, into a Performance: a
// pitch frame every kFrameHopSamples and the onsets of the notes. Feeding the
// same sound in any chunks gives the same performance as feeding it at once:
// every decision depends on the samples alone, never on where a chunk ended.
//
// Onsets come from two cues. A rise of the level (5 ms blocks) of a few dB
// within 80 ms of a dip is a new attack, and of 8 dB when it comes back to the
// pitch held before (a repeated note), its level averaged over 60 ms rising
// 5 dB too; a decay, a ring or a reverb tail never rises, and the beating of a
// choir or a string section swings too fast, so they make none. A change of the
// steady pitch by more than half a semitone, held for four frames, is a new
// note played legato without a dip; a jump down by octaves only where the new
// note's harmonics clear of the old one's rose, as the detector's own octave
// slips look just like it. Each onset a cue finds is then placed where the new
// note's harmonics rose (refineOnset); a note played again, whose harmonics
// are all the last one's, where the dip before its attack ended.
class AudioAnalyser {
 public:
  explicit AudioAnalyser(int sampleRate = kPerformanceRate);

  // Analyses `newSamples` (mono, signed 16-bit, following what was fed before)
  // and appends what is now decided to `performance`, which must be the one
  // this analyser has fed all along.
  void feed(std::span<const std::int16_t> newSamples, Performance& performance);

  // Samples fed after an instant before the frame centred on it exists: half a
  // detector frame.
  std::int64_t frameLatencySamples() const;

  // At most this many fed samples lie beyond `coveredUntil`: the onset cues'
  // look-ahead, and how far back an onset may then be placed.
  std::int64_t coverageLagSamples() const;

 private:
  struct PendingOnset {
    std::int64_t sample = 0;
    std::int64_t dip = 0;  // sample where the attack's rise began
    double riseDb = 0.0;
    // A pitch change down by octaves stands only where the new note's harmonics
    // clear of the old one's rose: the detector's own octave slips look the same.
    bool needsRise = false;
    double semitones = 0.0;  // a pitch change's new pitch
  };

  void analyseFrames(Performance& performance);
  void measureBlocks();
  void findLevelOnsets();
  void findPitchOnsets();
  void emitOnsets(Performance& performance);
  void trimHistory();
  std::int64_t levelLookAheadBlocks() const;

  std::optional<double> frameSemitones(std::int64_t frame) const;
  double blockLevel(std::int64_t block) const;
  bool isLevelDip(std::int64_t block) const;
  std::optional<PendingOnset> attackAfterDip(std::int64_t dip) const;
  std::optional<double> pitchBeforeDip(std::int64_t dip) const;
  bool changesNote(double beforeSemitones, const PendingOnset& attack) const;
  bool isNewAttack(const PendingOnset& attack) const;
  double slowLevel(std::int64_t block) const;
  double slowLevelRise(std::int64_t dipSample) const;
  std::int64_t quietestBlockBefore(std::int64_t sample) const;
  bool pitchRunAt(std::int64_t frame, double& runSemitones) const;
  bool confirmedByLevel(const PendingOnset& pitchChange) const;
  std::optional<double> pitchAfter(std::int64_t onset) const;
  Onset placedOnset(std::int64_t sample) const;
  Onset placedLevelOnset(const PendingOnset& attack) const;
  std::optional<Onset> placedPitchOnset(const PendingOnset& onset) const;
  std::optional<std::int64_t> harmonicsRise(std::int64_t sample, double newHz) const;
  std::optional<double> medianSemitones(std::int64_t from, std::int64_t to) const;
  std::int64_t decidedUntil() const;

  int sampleRate_;
  PitchDetector detector_;
  std::int64_t frameLength_;
  std::int64_t blockLength_;  // samples of one level block
  std::int64_t riseBlocks_;   // look-ahead for the top of an attack
  std::int64_t dipBlocks_;    // look-back: a dip is the lowest level this far back

  std::vector<std::int16_t> history_;  // fed samples from historyStart_ on
  std::int64_t historyStart_ = 0;
  std::int64_t fed_ = 0;
  std::vector<std::int16_t> scratch_;  // one frame, zeros before sample 0

  std::int64_t nextFrame_ = 0;      // frame k is centred on sample k * kFrameHopSamples
  std::vector<double> frameSemis_;  // per frame from framesStart_; NaN: no pitch
  std::int64_t framesStart_ = 0;

  std::int64_t nextBlock_ = 0;
  std::vector<double> levels_;  // dBFS per block from levelsStart_
  std::int64_t levelsStart_ = 0;

  std::int64_t nextDipCandidate_ = 0;  // block
  std::int64_t lastLevelOnset_ = -1;   // sample; -1 before the first
  std::int64_t nextPitchFrame_ = 0;
  std::optional<double> currentSemis_{};  // the pitch the last onset or run settled on

  std::int64_t emittedUntil_ = 0;  // onsets before this sample are in the performance
  std::vector<PendingOnset> levelOnsets_;
  std::vector<PendingOnset> pitchOnsets_;
};

}  // namespace quavern::practice
