#include "practice/onset_refiner.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace quavern::practice {
namespace {

// The energy is measured on a Hann window ending at each 5 ms step. A window
// of 30 ms sees a note within a few milliseconds of its start and tells apart
// two harmonics 70 Hz apart; when too few of the new note's harmonics lie that
// far from the last note's (low notes a step or two apart), one of 60 ms
// tells them apart at 35 Hz.
constexpr std::int64_t kShortWindowMs = 30;
constexpr std::int64_t kLongWindowMs = kRefineWindowMs;
constexpr std::int64_t kStepMs = 5;

// A window's newest samples weigh least: a note that begins at once rises
// 10 dB out of a quiet 40 dB below it when it has filled a sixth of it.
constexpr std::int64_t seenAfterMs(std::int64_t windowMs) {
  return windowMs / 6;
}

// Of the harmonics clear of the old note's, four are enough for the short
// window, and fewer than two too few for either.
constexpr std::size_t kEnoughHarmonics = 4;
constexpr std::size_t kFewestHarmonics = 2;

// The new note's harmonics must rise at least 20 dB out of their quiet, as
// they do even over a room's reverb; the note began where they first rose
// 10 dB above it.
constexpr double kLeastRiseDb = 20.0;
constexpr double kRiseAboveQuietDb = 10.0;

// A note the judge heard held began where its harmonics, out of their quiet,
// rose 6 dB, or came within 33 dB of the level they hold, whichever is later:
// over the last note's leakage a slow attack (a choir's) shows late, while
// out of silence the rise is steep. They must rise 17 dB in all, and reach
// within 6 dB of that level. Tuned on the sampled-instrument benchmark.
constexpr double kLeastNoteRiseDb = 17.0;
constexpr double kBeganAboveQuietDb = 6.0;
constexpr double kBeganBelowHeldDb = 33.0;
constexpr double kReachedHeldWithinDb = 6.0;

// A note at a harmonic of the last, whose harmonics all rose, may be struck:
// they must rise 17 dB to the top of its attack, and 10 dB to the level it
// holds, which a high piano note's quick decay leaves far below.
constexpr double kLeastHeldRiseDb = 10.0;

// Over the room's or the last note's sound at its harmonics, a shelf 20 dB
// and more below the level held, the note began where it climbed off the
// shelf, 3 dB above it. A shelf: the 40 ms before the climb, within 12 dB (a
// reverb beats); a climb: from where the harmonics first came within 10 dB
// of the held level back as long as they rose more than 1 dB a step. Tuned
// on the sampled-instrument benchmark.
constexpr std::ptrdiff_t kShelfSteps = 8;
constexpr double kShelfFlatWithinDb = 12.0;
constexpr double kShelfClimbDb = 20.0;
constexpr double kBeganAboveShelfDb = 3.0;
constexpr double kClimbSeenBelowHeldDb = 10.0;
constexpr double kClimbStepDb = 1.0;

// A note no pitch heard vouches for is measured against the level its
// harmonics sounded at for at least 40 ms before it rose.
constexpr std::ptrdiff_t kSoundedBeforeSteps = 8;

// Only harmonics that rose 10 dB by themselves are followed.
constexpr double kHarmonicRiseDb = 10.0;

// A note played again is followed on its first eight harmonics, by the mean
// of their levels in dB: a dip at any of them weighs as much as one at the
// fundamental, and one harmonic's beating or vibrato moves the mean little.
// It must dip kRepeatDipDb below the level the note then holds, out of a
// sounding kRepeatFromDb louder than the dip; the dip's floor ends at its last
// window within kRepeatFloorDb of its lowest. The note began there, back by
// what a window sees after its start, and by the time the new note took to
// overtake the old one's release: none for an attack that rises at once to
// within kRepeatRisenWithinDb of the held level (a struck or plucked note),
// or that rises out of a gap kRepeatGapDb and more below it, where nothing of
// the old note is left to overtake; kOvertakenShare of the time a slower one
// took past kQuickRiseMs, at most kMostOvertakenMs. Tuned on the
// sampled-instrument benchmark.
constexpr std::size_t kRepeatHarmonics = 8;
constexpr std::size_t kFewestRepeatHarmonics = 3;
constexpr double kRepeatDipDb = 8.0;
constexpr double kRepeatFromDb = 10.0;
constexpr double kRepeatFloorDb = 1.0;
constexpr double kRepeatRisenWithinDb = 3.0;
constexpr double kQuickRiseMs = 10.0;
constexpr double kOvertakenShare = 1.5;
constexpr double kMostOvertakenMs = 30.0;
constexpr double kRepeatGapDb = 30.0;

double decibels(double energy) {
  return 10.0 * std::log10(energy + 1.0);
}

double medianOf(std::vector<double> values) {
  const auto middle = values.begin() + std::ssize(values) / 2;
  std::ranges::nth_element(values, middle);
  return *middle;
}

// A harmonic of the new note rises out of its quiet before `searchEnd` to
// the level it holds from `heldFirst` on; one that does not carries the last
// note's leakage beside it, or the room's, and would hide where the others
// rose.
bool roseOutOfQuiet(const std::vector<double>& energies, std::ptrdiff_t heldFirst,
                    std::ptrdiff_t searchEnd) {
  const double held = medianOf({energies.begin() + heldFirst, energies.end()});
  const double quietest = *std::min_element(energies.begin(), energies.begin() + searchEnd);
  return decibels(held) - decibels(quietest) >= kHarmonicRiseDb;
}

// The level of the shelf the harmonics held just before their last climb to
// `top`, if any: the room's or the last note's sound at the new note's
// harmonics, over which the note began where the climb did, not where the
// shelf rose out of a dip before it. A slow attack climbs without a shelf.
std::optional<double> shelfBeforeClimb(std::vector<double>::const_iterator quietest,
                                       std::vector<double>::const_iterator top, double held) {
  auto foot = std::find_if(quietest, top,
                           [&](double value) { return value >= held - kClimbSeenBelowHeldDb; });
  while (foot != quietest && *(foot - 1) < *foot - kClimbStepDb) {
    --foot;
  }
  if (foot - quietest < kShelfSteps) {
    return std::nullopt;
  }
  const auto [low, high] = std::minmax_element(foot - kShelfSteps, foot + 1);
  const double shelf = medianOf({foot - kShelfSteps, foot + 1});
  if (*high - *low > kShelfFlatWithinDb || held - shelf < kShelfClimbDb) {
    return std::nullopt;
  }
  return shelf;
}

// Two harmonics are told apart when they lie two bins of the window apart.
std::vector<double> harmonicsFor(std::int64_t windowMs, double newHz, std::optional<double> oldHz,
                                 int sampleRate) {
  return clearHarmonics(newHz, oldHz, 2.0 * 1000.0 / static_cast<double>(windowMs), sampleRate);
}

// The harmonics to follow and the window to follow them with: the short one
// when it tells enough of them apart from the old note's, else the long one.
struct Sweep {
  std::int64_t windowMs = kShortWindowMs;
  std::vector<double> harmonics;
};

Sweep sweepFor(double newHz, std::optional<double> oldHz, int sampleRate) {
  Sweep sweep{kShortWindowMs, harmonicsFor(kShortWindowMs, newHz, oldHz, sampleRate)};
  if (sweep.harmonics.size() < kEnoughHarmonics) {
    sweep = {kLongWindowMs, harmonicsFor(kLongWindowMs, newHz, oldHz, sampleRate)};
  }
  return sweep;
}

// Each harmonic's energy in windows ending every kStepMs from firstEnd to
// lastEnd, harmonic by harmonic; nothing when there are too few harmonics or
// the samples do not reach.
std::vector<std::vector<double>> sweepEnergies(const SampleWindow& window, const Sweep& sweep,
                                               std::int64_t firstEnd, std::int64_t lastEnd,
                                               int sampleRate) {
  const std::int64_t ms = sampleRate / 1000;
  const std::int64_t length = sweep.windowMs * ms;
  if (sweep.harmonics.size() < kFewestHarmonics || firstEnd - length < window.first ||
      lastEnd > window.end() || lastEnd < firstEnd) {
    return {};
  }
  const std::vector<double> hann = hannWindow(length);
  std::vector<std::vector<double>> energies(sweep.harmonics.size());
  for (std::int64_t end = firstEnd; end <= lastEnd; end += kStepMs * ms) {
    for (std::size_t h = 0; h < sweep.harmonics.size(); ++h) {
      energies[h].push_back(
          partialEnergy(window, end - length, hann, sweep.harmonics[h], sampleRate));
    }
  }
  return energies;
}

// The level in dB of the harmonics together, at each step.
std::vector<double> summedLevels(const std::vector<std::vector<double>>& energies) {
  std::vector<double> db;
  if (energies.empty()) {
    return db;
  }
  for (std::size_t step = 0; step < energies.front().size(); ++step) {
    double energy = 0.0;
    for (const std::vector<double>& harmonic : energies) {
      energy += harmonic[step];
    }
    db.push_back(decibels(energy));
  }
  return db;
}

// The harmonics' level in dB in windows ending every kStepMs from firstEnd to
// lastEnd; nothing when there are too few harmonics or the samples do not
// reach.
std::vector<double> sweepLevels(const SampleWindow& window, const Sweep& sweep,
                                std::int64_t firstEnd, std::int64_t lastEnd, int sampleRate) {
  return summedLevels(sweepEnergies(window, sweep, firstEnd, lastEnd, sampleRate));
}

// Where the level crossed `threshold` on its way up to db[rise], db[rise - 1]
// lying below it: between the two steps, in proportion, and back by what a
// window sees after its start. A sample position.
std::int64_t crossing(const std::vector<double>& db, std::ptrdiff_t rise, double threshold,
                      std::int64_t firstEnd, const Sweep& sweep, int sampleRate) {
  const std::int64_t ms = sampleRate / 1000;
  const std::int64_t step = kStepMs * ms;
  const double below = db[static_cast<std::size_t>(rise - 1)];
  const double share = (threshold - below) / (db[static_cast<std::size_t>(rise)] - below);
  const double end =
      static_cast<double>(firstEnd + (rise - 1) * step) + share * static_cast<double>(step);
  return static_cast<std::int64_t>(std::lround(end)) - seenAfterMs(sweep.windowMs) * ms;
}

// The mean of the harmonics' levels in dB, at each step.
std::vector<double> meanLevels(const std::vector<std::vector<double>>& energies) {
  std::vector<double> levels;
  if (energies.empty()) {
    return levels;
  }
  for (std::size_t step = 0; step < energies.front().size(); ++step) {
    double sum = 0.0;
    for (const std::vector<double>& harmonic : energies) {
      sum += decibels(harmonic[step]);
    }
    levels.push_back(sum / static_cast<double>(energies.size()));
  }
  return levels;
}

}  // namespace

std::optional<std::int64_t> refineOnset(const SampleWindow& window, std::int64_t guess,
                                        double newHz, std::optional<double> oldHz, int sampleRate) {
  const Sweep sweep = sweepFor(newHz, oldHz, sampleRate);
  const std::int64_t ms = sampleRate / 1000;
  const std::int64_t firstEnd = guess - kRefineBackMs * ms;
  const std::vector<double> db =
      sweepLevels(window, sweep, firstEnd, guess + kRefineAheadMs * ms, sampleRate);
  if (db.empty()) {
    return std::nullopt;
  }
  const auto atGuess = static_cast<std::ptrdiff_t>((guess - firstEnd) / (kStepMs * ms));
  const auto quietest = std::min_element(db.begin(), db.begin() + atGuess + 1);
  const auto top = std::max_element(quietest, db.end());
  if (*top - *quietest < kLeastRiseDb) {
    return std::nullopt;
  }
  const double threshold = *quietest + kRiseAboveQuietDb;
  auto rise = top;
  while (rise != quietest && *(rise - 1) >= threshold) {
    --rise;
  }
  return crossing(db, rise - db.begin(), threshold, firstEnd, sweep, sampleRate);
}

namespace {

// How a note's harmonics must rise, beyond what every note's must.
struct RiseRule {
  // Their rise may be measured to the top of their attack in the window
  // rather than to the level they hold.
  bool attackCounts = false;
  // For a note no pitch heard vouches for: the fundamental must be among
  // those that rose by themselves, and the attack must rise out of the level
  // they sounded at before it, not only out of its quietest moment (a beat).
  bool unheard = false;
};

// What noteBegan, noteLeaptTo and noteLeaptToUnheard share.
std::optional<std::int64_t> beganOutOfQuiet(const SampleWindow& window, std::int64_t from,
                                            std::int64_t to, std::int64_t heldFrom,
                                            std::int64_t heldTo, double newHz,
                                            std::optional<double> oldHz, RiseRule rule,
                                            int sampleRate) {
  const Sweep sweep = sweepFor(newHz, oldHz, sampleRate);
  const std::int64_t ms = sampleRate / 1000;
  const std::int64_t step = kStepMs * ms;
  const std::int64_t seen = seenAfterMs(sweep.windowMs) * ms;
  const std::int64_t firstEnd = from + seen;
  if (heldTo <= to) {
    return std::nullopt;
  }
  std::vector<std::vector<double>> energies =
      sweepEnergies(window, sweep, firstEnd, heldTo, sampleRate);
  if (energies.empty()) {
    return std::nullopt;
  }
  const auto steps = std::ssize(energies.front());
  const auto indexOf = [&](std::int64_t end) {
    return std::clamp<std::ptrdiff_t>((end - firstEnd) / step, 0, steps - 1);
  };
  const std::int64_t length = sweep.windowMs * ms;
  const std::ptrdiff_t heldFirst = indexOf(std::min(heldFrom + length, heldTo));
  const std::ptrdiff_t searchEnd = indexOf(to + seen) + 1;
  if (rule.unheard && !roseOutOfQuiet(energies.front(), heldFirst, searchEnd)) {
    return std::nullopt;
  }
  std::erase_if(energies, [&](const std::vector<double>& harmonic) {
    return !roseOutOfQuiet(harmonic, heldFirst, searchEnd);
  });
  if (energies.empty()) {
    return std::nullopt;
  }
  const std::vector<double> db = summedLevels(energies);
  const double held = medianOf({db.begin() + heldFirst, db.end()});
  const auto quietest = std::min_element(db.begin(), db.begin() + searchEnd);
  const double attack = rule.attackCounts
                            ? std::max(held, *std::max_element(quietest, db.begin() + searchEnd))
                            : held;
  if (attack - *quietest < kLeastNoteRiseDb || held - *quietest < kLeastHeldRiseDb) {
    return std::nullopt;
  }
  auto top = std::find_if(quietest, db.end(),
                          [&](double value) { return value >= held - kReachedHeldWithinDb; });
  if (top == db.end()) {
    return std::nullopt;
  }
  double threshold = std::max(*quietest + kBeganAboveQuietDb, held - kBeganBelowHeldDb);
  if (const std::optional<double> shelf = shelfBeforeClimb(quietest, top, held)) {
    threshold = std::max(threshold, *shelf + kBeganAboveShelfDb);
  }
  auto rise = top;
  while (rise != quietest && *(rise - 1) >= threshold) {
    --rise;
  }
  if (rise == quietest) {
    return std::nullopt;
  }
  if (rule.unheard && (rise - db.begin() < kSoundedBeforeSteps ||
                       attack - medianOf({db.begin(), rise}) < kLeastNoteRiseDb)) {
    return std::nullopt;
  }
  return crossing(db, rise - db.begin(), threshold, firstEnd, sweep, sampleRate);
}

}  // namespace

std::optional<std::int64_t> noteBegan(const SampleWindow& window, std::int64_t from,
                                      std::int64_t to, std::int64_t heldFrom, std::int64_t heldTo,
                                      double newHz, std::optional<double> oldHz, int sampleRate) {
  return beganOutOfQuiet(window, from, to, heldFrom, heldTo, newHz, oldHz, {}, sampleRate);
}

std::optional<std::int64_t> noteLeaptTo(const SampleWindow& window, std::int64_t from,
                                        std::int64_t to, std::int64_t heldFrom, std::int64_t heldTo,
                                        double newHz, int sampleRate) {
  return beganOutOfQuiet(window, from, to, heldFrom, heldTo, newHz, std::nullopt,
                         {.attackCounts = true}, sampleRate);
}

std::optional<std::int64_t> noteLeaptToUnheard(const SampleWindow& window, std::int64_t from,
                                               std::int64_t to, std::int64_t heldFrom,
                                               std::int64_t heldTo, double newHz, int sampleRate) {
  return beganOutOfQuiet(window, from, to, heldFrom, heldTo, newHz, std::nullopt,
                         {.attackCounts = true, .unheard = true}, sampleRate);
}

std::optional<std::int64_t> noteRepeated(const SampleWindow& window, std::int64_t from,
                                         std::int64_t to, std::int64_t heldFrom,
                                         std::int64_t heldTo, double newHz, int sampleRate) {
  std::vector<double> harmonics = clearHarmonics(newHz, std::nullopt, 0.0, sampleRate);
  harmonics.resize(std::min(harmonics.size(), kRepeatHarmonics));
  const std::int64_t ms = sampleRate / 1000;
  const std::int64_t length = kShortWindowMs * ms;
  const std::int64_t step = kStepMs * ms;
  // Windows centred from `from` on, as far as the held stretch.
  const std::int64_t firstEnd = from + length / 2;
  if (harmonics.size() < kFewestRepeatHarmonics || heldTo <= to) {
    return std::nullopt;
  }
  const std::vector<double> levels =
      meanLevels(sweepEnergies(window, {kShortWindowMs, harmonics}, firstEnd, heldTo, sampleRate));
  if (levels.empty()) {
    return std::nullopt;
  }
  const auto at = [&](std::int64_t end) {
    return levels.begin() +
           std::clamp<std::ptrdiff_t>((end - firstEnd) / step, 0, std::ssize(levels) - 1);
  };
  const double held = medianOf({at(std::min(heldFrom + length, heldTo)), levels.end()});
  const auto searchEnd = at(to + length / 2) + 1;
  const auto lowest = std::min_element(levels.begin(), searchEnd);
  const double before = *std::max_element(levels.begin(), lowest + 1);
  if (held - *lowest < kRepeatDipDb || before - *lowest < kRepeatFromDb) {
    return std::nullopt;
  }
  auto floorEnd = lowest;
  for (auto level = lowest; level != searchEnd; ++level) {
    if (*level <= *lowest + kRepeatFloorDb) {
      floorEnd = level;
    }
  }
  auto risen = floorEnd;
  while (risen + 1 != levels.end() && *risen < held - kRepeatRisenWithinDb) {
    ++risen;
  }
  const double riseMs = static_cast<double>((risen - floorEnd) * kStepMs);
  const bool afterGap = held - *lowest >= kRepeatGapDb;
  const double overtakenMs =
      afterGap ? 0.0
               : std::min(kMostOvertakenMs, kOvertakenShare * std::max(0.0, riseMs - kQuickRiseMs));
  const std::int64_t backMs =
      seenAfterMs(kShortWindowMs) + static_cast<std::int64_t>(std::lround(overtakenMs));
  return firstEnd + (floorEnd - levels.begin()) * step - backMs * ms;
}

}  // namespace quavern::practice
