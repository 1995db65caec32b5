#include "practice/audio_analyser.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "practice/onset_refiner.h"
#include "practice/pitch_class.h"

namespace quavern::practice {
namespace {

constexpr double kNoPitch = std::numeric_limits<double>::quiet_NaN();

// The level is measured on 5 ms blocks: fine enough to place a hard attack to
// a few milliseconds, long enough to hold a period of most notes' partials.
constexpr std::int64_t kBlockMs = 5;

// A dip is the lowest block of the 100 ms before it and of the 20 ms after it,
// give or take the 1 dB by which the blocks of a steady hiss differ.
constexpr std::int64_t kDipLookBackMs = 100;
constexpr std::int64_t kDipLookAheadBlocks = 4;
constexpr double kDipToleranceDb = 1.0;

// An attack rises at least 4 dB above its dip within 80 ms. A flute's, a
// voice's or a bowed string's soft attack rises 20 dB and more in that time
// from silence, and a new note after the last one's release rises from the
// dip between the two, even with a room's reverb filling it; a decaying note,
// its ring or reverb never rises. A rise back to the same pitch must be larger
// (kSamePitchRiseDb). Tuned on the sampled-instrument accuracy benchmark.
constexpr std::int64_t kRiseMs = 80;
constexpr double kRiseDb = 4.0;

// The top of an attack must be louder than this: the hiss of a quiet room's
// microphone, and a sound far in its background, rise now and then too.
constexpr double kQuietestAttackDbfs = -50.0;

// The note begins where the attack first comes within 12 dB of its top: after
// the dip's noise, early in even a slow attack.
constexpr double kAttackBelowTopDb = 12.0;

// A rise back to the pitch held before the dip is a new attack of the same
// note only when it rises this far: a choir's or a string section's beating
// swings a held note by several dB, while a note let go and attacked again
// mostly dips deeper.
constexpr double kSamePitchRiseDb = 8.0;

// A choir's or a string section's beating swings a held note, and its
// release, by 10 dB within 50 ms, again and again; averaged over 60 ms it
// hardly moves. A note let go and attacked again dips for longer, and its slow
// level rises kSlowRiseDb within kSlowRiseMs of the dip.
constexpr std::int64_t kSlowLevelMs = 60;
constexpr std::int64_t kSlowDipBlocks = 4;
constexpr std::int64_t kSlowRiseMs = 100;
constexpr double kSlowRiseDb = 5.0;

// A rise out of a stretch without a steady pitch, such as a low note's decay,
// a release or a room's reverb in which the detector finds nothing, is a new
// note only when its slow level rises this far too: such a tail flickers by
// a few dB, while a note out of silence or over a tail lifts it by more.
// Tuned on the sampled-instrument accuracy benchmark.
constexpr double kUnpitchedSlowRiseDb = 3.0;

// The pitch after an attack, to compare with the one before: frames centred
// 40 to 100 ms after, when the new note rings over the old one's reverb.
constexpr std::int64_t kSettledFromMs = 40;
constexpr std::int64_t kSettledToMs = 100;

// The pitch before a dip: frames centred from 100 to 30 ms before it, whose
// stretches end before the dip.
constexpr std::int64_t kPitchBeforeFromMs = 100;
constexpr std::int64_t kPitchBeforeToMs = 30;

// A pitch change shows once the new note fills half a frame, late after a soft
// attack: its onset is first put at the quietest block of the 40 ms before,
// where the old note gave way to the new one, then placed where the new
// note's harmonics rose.
constexpr std::int64_t kPitchChangeBackMs = 40;

// The first frame that names a slurred note's pitch is centred this long after
// the change: the new note must fill most of its 63 ms.
constexpr std::int64_t kPitchShowsAfterMs = 20;

// A dip's floor is the blocks within this of its lowest: a release fading
// into the next note's attack, or a gap's hiss. Tuned on the
// sampled-instrument accuracy benchmark.
constexpr double kDipFloorDb = 2.0;

// A rise starts where the level leaves the quietest block by this much.
constexpr double kRiseStartDb = 3.0;

// Two attacks closer than this are one: the fastest notes are 250 ms apart.
constexpr std::int64_t kRefractoryMs = 60;

// A pitch change is a new note when four frames running (40 ms) agree on a
// pitch more than 70 cents from the pitch held before: vibrato swings 50 cents
// at most, the next note is 100 cents away.
constexpr std::int64_t kPitchRunFrames = 4;
constexpr double kRunSpreadSemitones = 0.5;
constexpr double kNewNoteSemitones = 0.7;

// The held pitch follows slow drift (intonation, a glide) with this weight per frame.
constexpr double kDriftWeight = 0.2;

// A pitch change with an attack from 150 ms before to 30 ms after it is that
// attack's note: the pitch shows once the new note fills half a frame, and the
// level moved before.
constexpr std::int64_t kLevelBeforePitchMs = 150;
constexpr std::int64_t kLevelAfterPitchMs = 30;

// An onset's pitch is the median of the frames centred 20 to 60 ms after it,
// past the attack's noise.
constexpr std::int64_t kOnsetPitchFromMs = 20;
constexpr std::int64_t kOnsetPitchToMs = 60;

// The pitch held before an onset, whose harmonics the new note's are told
// from: frames centred 200 to 120 ms before it, before even a late-found
// note began.
constexpr std::int64_t kPitchHeldFromMs = 200;
constexpr std::int64_t kPitchHeldToMs = 120;

// Old analysis is dropped this long after it is last needed.
constexpr std::int64_t kKeepMs = 1000;

double dbfs(double sumOfSquares, std::int64_t count) {
  const double rms = std::sqrt(sumOfSquares / static_cast<double>(count)) / 32768.0;
  return rms > 1e-6 ? 20.0 * std::log10(rms) : -120.0;
}

double median(std::vector<double> values) {
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

std::int64_t ceilDiv(std::int64_t value, std::int64_t divisor) {
  return value >= 0 ? (value + divisor - 1) / divisor : -((-value) / divisor);
}

}  // namespace

AudioAnalyser::AudioAnalyser(int sampleRate)
    : sampleRate_(sampleRate),
      detector_(sampleRate),
      frameLength_(static_cast<std::int64_t>(detector_.frameLength())),
      blockLength_(sampleRate * kBlockMs / 1000),
      riseBlocks_(kRiseMs / kBlockMs),
      dipBlocks_(kDipLookBackMs / kBlockMs),
      scratch_(static_cast<std::size_t>(frameLength_)) {}

std::int64_t AudioAnalyser::frameLatencySamples() const {
  return frameLength_ - frameLength_ / 2;
}

std::int64_t AudioAnalyser::coverageLagSamples() const {
  const std::int64_t ms = sampleRate_ / 1000;
  const std::int64_t level = (levelLookAheadBlocks() + 2) * blockLength_ + kLevelAfterPitchMs * ms;
  const std::int64_t pitch = frameLatencySamples() + (kPitchRunFrames + 1) * kFrameHopSamples +
                             (kPitchChangeBackMs + kPitchShowsAfterMs) * ms;
  const std::int64_t onsetPitch = frameLatencySamples() + kSettledToMs * ms + 2 * kFrameHopSamples;
  return std::max({level, pitch, onsetPitch}) + kRefineBackMs * ms;
}

// Blocks past a dip candidate that deciding on it reads.
std::int64_t AudioAnalyser::levelLookAheadBlocks() const {
  return std::max({riseBlocks_, kDipLookAheadBlocks, (kSlowRiseMs + kSlowLevelMs / 2) / kBlockMs});
}

void AudioAnalyser::feed(std::span<const std::int16_t> newSamples, Performance& performance) {
  history_.insert(history_.end(), newSamples.begin(), newSamples.end());
  fed_ += std::ssize(newSamples);
  performance.sound.append(newSamples);
  analyseFrames(performance);
  measureBlocks();
  findLevelOnsets();
  findPitchOnsets();
  emitOnsets(performance);
  const std::int64_t framesUntil = nextFrame_ * kFrameHopSamples;
  const std::int64_t covered =
      std::min(decidedUntil() - kRefineBackMs * (sampleRate_ / 1000), framesUntil);
  performance.coveredUntil = std::max(performance.coveredUntil, covered);
  performance.framesCoveredUntil = std::max(performance.framesCoveredUntil, framesUntil);
  trimHistory();
}

// Frame k reads the detector's frame length centred on sample k * hop; the
// samples before the input began are silence.
void AudioAnalyser::analyseFrames(Performance& performance) {
  for (;;) {
    const std::int64_t centre = nextFrame_ * kFrameHopSamples;
    const std::int64_t start = centre - frameLength_ / 2;
    if (start + frameLength_ > fed_) {
      return;
    }
    double energy = 0.0;
    for (std::int64_t i = 0; i < frameLength_; ++i) {
      const std::int64_t at = start + i;
      const std::int16_t value =
          at < 0 ? std::int16_t{0} : history_[static_cast<std::size_t>(at - historyStart_)];
      scratch_[static_cast<std::size_t>(i)] = value;
      energy += static_cast<double>(value) * value;
    }
    const std::optional<double> hz = detector_.detect(scratch_);
    performance.frames.push_back({centre, hz, dbfs(energy, frameLength_)});
    frameSemis_.push_back(hz ? semitonesOf(*hz) : kNoPitch);
    ++nextFrame_;
  }
}

void AudioAnalyser::measureBlocks() {
  while ((nextBlock_ + 1) * blockLength_ <= fed_) {
    const std::int64_t start = nextBlock_ * blockLength_ - historyStart_;
    double energy = 0.0;
    for (std::int64_t i = 0; i < blockLength_; ++i) {
      const double value = history_[static_cast<std::size_t>(start + i)];
      energy += value * value;
    }
    levels_.push_back(dbfs(energy, blockLength_));
    ++nextBlock_;
  }
}

double AudioAnalyser::blockLevel(std::int64_t block) const {
  return levels_[static_cast<std::size_t>(block - levelsStart_)];
}

std::optional<double> AudioAnalyser::frameSemitones(std::int64_t frame) const {
  const double semis = frameSemis_[static_cast<std::size_t>(frame - framesStart_)];
  return std::isnan(semis) ? std::nullopt : std::optional<double>(semis);
}

bool AudioAnalyser::isLevelDip(std::int64_t block) const {
  const double level = blockLevel(block) - kDipToleranceDb;
  for (std::int64_t b = std::max<std::int64_t>(0, block - dipBlocks_); b < block; ++b) {
    if (blockLevel(b) < level) {
      return false;
    }
  }
  for (std::int64_t b = block + 1; b <= block + kDipLookAheadBlocks; ++b) {
    if (blockLevel(b) < level) {
      return false;
    }
  }
  return true;
}

// The sample where the attack rising from `dip` begins, or nothing when the
// level does not rise enough.
std::optional<AudioAnalyser::PendingOnset> AudioAnalyser::attackAfterDip(std::int64_t dip) const {
  std::int64_t topBlock = dip;
  for (std::int64_t b = dip + 1; b <= dip + riseBlocks_; ++b) {
    if (blockLevel(b) > blockLevel(topBlock)) {
      topBlock = b;
    }
  }
  const double top = blockLevel(topBlock);
  if (top - blockLevel(dip) < kRiseDb || top < kQuietestAttackDbfs) {
    return std::nullopt;
  }
  // A slow attack may still be rising when the look-ahead ends: it begins
  // where it leaves the dip, not where the dip's own noise lies 12 dB below.
  const double beginsAt = std::max(top - kAttackBelowTopDb, blockLevel(dip) + kRiseStartDb);
  std::int64_t begins = dip + 1;
  while (blockLevel(begins) < beginsAt) {
    ++begins;
  }
  return PendingOnset{begins * blockLength_, dip * blockLength_, top - blockLevel(dip)};
}

void AudioAnalyser::findLevelOnsets() {
  const std::int64_t refractory = kRefractoryMs * sampleRate_ / 1000;
  while (nextDipCandidate_ + levelLookAheadBlocks() < nextBlock_) {
    const std::int64_t dip = nextDipCandidate_++;
    if (!isLevelDip(dip)) {
      continue;
    }
    const std::optional<PendingOnset> onset = attackAfterDip(dip);
    if (!onset) {
      continue;
    }
    // A dip before the last attack began is a lower start of that same rise:
    // its rise is measured from there, and it began where first seen, as a
    // slow attack shows first to a dip whose look-ahead ends early in it. That
    // attack is not emitted yet: emitting waits past the dips that follow it.
    if (!levelOnsets_.empty() && levelOnsets_.back().sample > dip * blockLength_) {
      PendingOnset& last = levelOnsets_.back();
      last = {std::min(last.sample, onset->sample), onset->dip, onset->riseDb};
      lastLevelOnset_ = last.sample;
      continue;
    }
    if (lastLevelOnset_ < 0 || onset->sample >= lastLevelOnset_ + refractory) {
      levelOnsets_.push_back(*onset);
      lastLevelOnset_ = onset->sample;
    }
  }
}

// True when frames [frame, frame + kPitchRunFrames) all have a pitch and agree;
// `runSemitones` is then their median.
bool AudioAnalyser::pitchRunAt(std::int64_t frame, double& runSemitones) const {
  std::vector<double> run;
  for (std::int64_t f = frame; f < frame + kPitchRunFrames; ++f) {
    const std::optional<double> semis = frameSemitones(f);
    if (!semis) {
      return false;
    }
    run.push_back(*semis);
  }
  const double middle = median(run);
  if (std::ranges::any_of(
          run, [&](double semis) { return std::abs(semis - middle) > kRunSpreadSemitones; })) {
    return false;
  }
  runSemitones = middle;
  return true;
}

void AudioAnalyser::findPitchOnsets() {
  while (nextPitchFrame_ + kPitchRunFrames <= nextFrame_) {
    const std::int64_t frame = nextPitchFrame_++;
    const std::optional<double> semis = frameSemitones(frame);
    if (!semis) {
      continue;
    }
    double run = 0.0;
    const bool isRun = pitchRunAt(frame, run);
    if (!currentSemis_) {
      if (isRun) {
        currentSemis_ = run;
      }
      continue;
    }
    if (std::abs(*semis - *currentSemis_) <= kNewNoteSemitones) {
      *currentSemis_ += kDriftWeight * (*semis - *currentSemis_);
      continue;
    }
    if (!isRun || std::abs(run - *currentSemis_) <= kNewNoteSemitones) {
      continue;
    }
    // As with an attack, a move down by octaves may be the detector's slip; a
    // move up has no harmonic clear of the old note's to rise, and stands.
    const bool octavesDown =
        run < *currentSemis_ && isByOctaves(run - *currentSemis_, kNewNoteSemitones);
    const std::int64_t seen = frame * kFrameHopSamples;
    pitchOnsets_.push_back({quietestBlockBefore(seen - kPitchShowsAfterMs * sampleRate_ / 1000),
                            seen, 0.0, octavesDown, run});
    currentSemis_ = run;
  }
}

// The start of the rise that ends at `sample`: the last block, of the 80 ms
// before, within 3 dB of the quietest one. After a silent gap that is the
// gap's end, not its quietest moment.
std::int64_t AudioAnalyser::quietestBlockBefore(std::int64_t sample) const {
  const std::int64_t last = sample / blockLength_;
  const std::int64_t first =
      std::max({std::int64_t{0}, levelsStart_,
                (sample - kPitchChangeBackMs * sampleRate_ / 1000) / blockLength_});
  std::int64_t quietest = last;
  for (std::int64_t block = last; block >= first; --block) {
    if (blockLevel(block) < blockLevel(quietest)) {
      quietest = block;
    }
  }
  std::int64_t riseStart = quietest;
  for (std::int64_t block = quietest; block <= last; ++block) {
    if (blockLevel(block) <= blockLevel(quietest) + kRiseStartDb) {
      riseStart = block;
    }
  }
  return riseStart * blockLength_;
}

std::optional<double> AudioAnalyser::medianSemitones(std::int64_t from, std::int64_t to) const {
  std::vector<double> pitches;
  for (std::int64_t frame = std::max(ceilDiv(from, kFrameHopSamples), framesStart_);
       frame <= to / kFrameHopSamples; ++frame) {
    if (const std::optional<double> semis = frameSemitones(frame)) {
      pitches.push_back(*semis);
    }
  }
  if (pitches.size() < 2) {
    return std::nullopt;
  }
  return median(std::move(pitches));
}

bool AudioAnalyser::isNewAttack(const PendingOnset& attack) const {
  const double slowRise = slowLevelRise(attack.dip);
  const std::optional<double> before = pitchBeforeDip(attack.dip);
  if (!before) {
    return slowRise >= kUnpitchedSlowRiseDb;
  }
  return (attack.riseDb >= kSamePitchRiseDb && slowRise >= kSlowRiseDb) ||
         changesNote(*before, attack);
}

// The level averaged over kSlowLevelMs centred on `block`, in dB.
double AudioAnalyser::slowLevel(std::int64_t block) const {
  const std::int64_t half = kSlowLevelMs / kBlockMs / 2;
  double power = 0.0;
  for (std::int64_t b = block - half; b < block + half; ++b) {
    power += std::pow(10.0, blockLevel(std::max(b, levelsStart_)) / 10.0);
  }
  return 10.0 * std::log10(power / static_cast<double>(2 * half));
}

// How far the slow level rises from around `dip` to its top in the
// kSlowRiseMs after.
double AudioAnalyser::slowLevelRise(std::int64_t dipSample) const {
  const std::int64_t dip = dipSample / blockLength_;
  double bottom = slowLevel(dip);
  for (std::int64_t b = dip - kSlowDipBlocks; b <= dip + kSlowDipBlocks; ++b) {
    bottom = std::min(bottom, slowLevel(b));
  }
  double top = bottom;
  for (std::int64_t b = dip; b <= dip + kSlowRiseMs / kBlockMs; ++b) {
    top = std::max(top, slowLevel(b));
  }
  return top - bottom;
}

std::optional<double> AudioAnalyser::pitchBeforeDip(std::int64_t dip) const {
  const std::int64_t ms = sampleRate_ / 1000;
  return medianSemitones(dip - kPitchBeforeFromMs * ms, dip - kPitchBeforeToMs * ms);
}

// True when the pitch settled after the attack is another note than the one
// before: more than kNewNoteSemitones away from it. The detector slips down by
// octaves in a note's tail, so a move down by octaves counts only where the new
// note's harmonics clear of the old one's (its odd ones) rose. A move up by
// octaves has no harmonic clear of the old note's: it stands.
bool AudioAnalyser::changesNote(double beforeSemitones, const PendingOnset& attack) const {
  const std::int64_t ms = sampleRate_ / 1000;
  const std::optional<double> after =
      medianSemitones(attack.sample + kSettledFromMs * ms, attack.sample + kSettledToMs * ms);
  if (!after) {
    return true;
  }
  const double change = *after - beforeSemitones;
  if (std::abs(change) <= kNewNoteSemitones) {
    return false;
  }
  if (change > 0.0 || !isByOctaves(change, kNewNoteSemitones)) {
    return true;
  }
  return harmonicsRise(attack.sample, hzOfSemitones(*after)).has_value();
}

// A pitch change is an attack's note when the attack came shortly before and
// already sounded the new pitch. An attack under which the old pitch still
// rang is the old note's swell, or the new note's slow attack seen late: the
// pitch change is placed for itself.
bool AudioAnalyser::confirmedByLevel(const PendingOnset& pitchChange) const {
  const std::int64_t ms = sampleRate_ / 1000;
  return std::ranges::any_of(levelOnsets_, [&](const PendingOnset& onset) {
    if (onset.sample < pitchChange.dip - kLevelBeforePitchMs * ms ||
        onset.sample > pitchChange.dip + kLevelAfterPitchMs * ms || !isNewAttack(onset)) {
      return false;
    }
    const std::optional<double> after =
        medianSemitones(onset.sample + kOnsetPitchFromMs * ms, onset.sample + kOnsetPitchToMs * ms);
    return !after || std::abs(*after - pitchChange.semitones) <= kNewNoteSemitones;
  });
}

std::optional<double> AudioAnalyser::pitchAfter(std::int64_t onset) const {
  const std::int64_t ms = sampleRate_ / 1000;
  const std::optional<double> semis =
      medianSemitones(onset + kOnsetPitchFromMs * ms, onset + kOnsetPitchToMs * ms);
  if (!semis) {
    return std::nullopt;
  }
  return hzOfSemitones(*semis);
}

// Onsets before this sample are final: no later cue can add one there, and the
// frames that name their pitch exist.
std::int64_t AudioAnalyser::decidedUntil() const {
  const std::int64_t ms = sampleRate_ / 1000;
  const std::int64_t level = nextDipCandidate_ * blockLength_ - kLevelAfterPitchMs * ms;
  const std::int64_t pitch =
      nextPitchFrame_ * kFrameHopSamples - (kPitchChangeBackMs + kPitchShowsAfterMs) * ms;
  const std::int64_t onsetPitch = (nextFrame_ - 1) * kFrameHopSamples - kSettledToMs * ms;
  return std::max<std::int64_t>(0, std::min({level, pitch, onsetPitch}));
}

void AudioAnalyser::emitOnsets(Performance& performance) {
  const std::int64_t until = decidedUntil();
  const std::int64_t from = emittedUntil_;
  emittedUntil_ = std::max(emittedUntil_, until);
  const auto isDue = [&](const PendingOnset& onset) {
    return onset.sample >= from && onset.sample < until;
  };
  std::vector<Onset> placed;
  for (const PendingOnset& onset : levelOnsets_) {
    if (isDue(onset) && isNewAttack(onset)) {
      placed.push_back(placedLevelOnset(onset));
    }
  }
  for (const PendingOnset& onset : pitchOnsets_) {
    if (isDue(onset) && !confirmedByLevel(onset)) {
      if (const std::optional<Onset> pitchOnset = placedPitchOnset(onset)) {
        placed.push_back(*pitchOnset);
      }
    }
  }
  std::ranges::sort(placed, {}, &Onset::sample);
  const std::int64_t refractory = kRefractoryMs * sampleRate_ / 1000;
  for (const Onset& onset : placed) {
    if (performance.onsets.empty() ||
        onset.sample >= performance.onsets.back().sample + refractory) {
      performance.onsets.push_back(onset);
    }
  }
  const std::int64_t stale = until - kKeepMs * (sampleRate_ / 1000);
  std::erase_if(levelOnsets_, [&](const PendingOnset& onset) { return onset.sample < stale; });
  std::erase_if(pitchOnsets_, [&](const PendingOnset& onset) { return onset.sample < stale; });
}

// A pitch change's onset, placed; nothing for a change down by octaves where the
// new note's harmonics did not rise.
std::optional<Onset> AudioAnalyser::placedPitchOnset(const PendingOnset& onset) const {
  if (!onset.needsRise) {
    return placedOnset(onset.sample);
  }
  const std::optional<double> hz = pitchAfter(onset.sample);
  if (!hz) {
    return std::nullopt;
  }
  const std::optional<std::int64_t> rose = harmonicsRise(onset.sample, *hz);
  return rose ? std::optional<Onset>(Onset{*rose, hz}) : std::nullopt;
}

// A level cue's onset, placed where the new note's harmonics rose. The note
// played again has no harmonic clear of the last one's: it began where the
// dip's floor ended, the last block within kDipFloorDb of the dip before the
// attack, and not where the attack, seen late over the last note's release,
// came within reach of its top.
Onset AudioAnalyser::placedLevelOnset(const PendingOnset& attack) const {
  const std::optional<double> hz = pitchAfter(attack.sample);
  if (!hz) {
    return {attack.sample, hz};
  }
  if (const std::optional<std::int64_t> rose = harmonicsRise(attack.sample, *hz)) {
    return {*rose, hz};
  }
  const std::optional<double> before = pitchBeforeDip(attack.dip);
  if (!before || std::abs(semitonesOf(*hz) - *before) > kNewNoteSemitones) {
    return {attack.sample, hz};
  }
  const std::int64_t dip = std::max(attack.dip / blockLength_, levelsStart_);
  std::int64_t floorEnd = dip;
  for (std::int64_t block = dip; block * blockLength_ < attack.sample; ++block) {
    if (blockLevel(block) <= blockLevel(dip) + kDipFloorDb) {
      floorEnd = block;
    }
  }
  return {floorEnd * blockLength_, hz};
}

// The onset a cue found at `sample`, placed where the new note's harmonics
// rose, with the pitch it began.
Onset AudioAnalyser::placedOnset(std::int64_t sample) const {
  const std::optional<double> hz = pitchAfter(sample);
  if (!hz) {
    return {sample, hz};
  }
  return {harmonicsRise(sample, *hz).value_or(sample), hz};
}

// Where the harmonics of `newHz` clear of the pitch held before `sample` rose
// near it, if they did.
std::optional<std::int64_t> AudioAnalyser::harmonicsRise(std::int64_t sample, double newHz) const {
  const std::int64_t ms = sampleRate_ / 1000;
  const std::optional<double> before =
      medianSemitones(sample - kPitchHeldFromMs * ms, sample - kPitchHeldToMs * ms);
  const std::optional<double> oldHz =
      before ? std::optional<double>(hzOfSemitones(*before)) : std::nullopt;
  const SampleWindow window{history_, historyStart_};
  return refineOnset(window, sample, newHz, oldHz, sampleRate_);
}

// Drops samples, levels and frame pitches that no later step reads.
void AudioAnalyser::trimHistory() {
  const std::int64_t keep = kKeepMs * sampleRate_ / 1000;
  const std::int64_t refinerNeeds =
      emittedUntil_ - (kRefineBackMs + kRefineWindowMs) * (sampleRate_ / 1000);
  const std::int64_t samplesNeeded = std::min(
      {nextFrame_ * kFrameHopSamples - frameLength_ / 2, nextBlock_ * blockLength_, refinerNeeds});
  if (samplesNeeded - historyStart_ > keep) {
    history_.erase(history_.begin(),
                   history_.begin() + static_cast<std::ptrdiff_t>(samplesNeeded - historyStart_));
    historyStart_ = samplesNeeded;
  }
  const std::int64_t levelsNeeded = nextDipCandidate_ - dipBlocks_;
  if (levelsNeeded - levelsStart_ > keep / blockLength_) {
    levels_.erase(levels_.begin(),
                  levels_.begin() + static_cast<std::ptrdiff_t>(levelsNeeded - levelsStart_));
    levelsStart_ = levelsNeeded;
  }
  const std::int64_t framesNeeded =
      std::min(nextPitchFrame_, decidedUntil() / kFrameHopSamples) - 1;
  if (framesNeeded - framesStart_ > keep / kFrameHopSamples) {
    frameSemis_.erase(frameSemis_.begin(), frameSemis_.begin() + static_cast<std::ptrdiff_t>(
                                                                     framesNeeded - framesStart_));
    framesStart_ = framesNeeded;
  }
}

}  // namespace quavern::practice
