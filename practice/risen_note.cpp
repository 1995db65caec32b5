#include "practice/risen_note.h"

#include <cmath>
#include <numeric>
#include <vector>

#include "practice/pitch_class.h"

namespace quavern::practice {
namespace {

// A note is followed on its harmonics among the first eight that lie clear of
// the last note's; one rose when it is 6 dB stronger than before.
constexpr double kFollowedHarmonics = 8.0;
constexpr double kRoseByAmplitude = 2.0;

// The note found on the semitones is tuned in steps of 5 cents within half a
// semitone.
constexpr double kTuningStepCents = 5.0;
constexpr double kTuningReachCents = 50.0;

// The pitch heard rose at least half as much as the note that rose most: a
// vibrato spreads a high note's harmonics, and a note a third or a fifth
// below it catches some of them.
constexpr double kHeardShareOfBest = 0.5;

// A detector's subharmonic of the note that rose, a third or a fifth of it,
// has its harmonics at multiples of that; those between rose less than a
// quarter as much.
constexpr double kOwnRiseOfSubharmonic = 0.25;

constexpr double kFullScale = 32768.0;

// How much a note's harmonics rose: the sum of their rise in amplitude, in
// proportion to the share of them that rose, and the power of those that
// did. A note octaves or a fifth below the one that rose has harmonics between
// that did not rise, and one octaves above it leaves those between out: both
// rise less.
struct Rise {
  double salience = 0.0;
  double power = 0.0;  // mean square, full scale 1
};

// The rise in amplitude of a note's harmonics at multiples of some number,
// and of those between.
struct SplitRise {
  double atMultiples = 0.0;
  double between = 0.0;
};

// A stretch of the samples under a Hann window, and the window's sum, which
// turns a partial's energy into its amplitude.
struct WindowedStretch {
  WindowedStretch(std::int64_t begin, std::int64_t end)
      : from(begin), hann(hannWindow(end - begin)), weight(std::reduce(hann.begin(), hann.end())) {}

  std::int64_t from;
  std::vector<double> hann;
  double weight;
};

class RiseMeter {
 public:
  RiseMeter(const SampleWindow& window, std::int64_t beforeFrom, std::int64_t beforeTo,
            std::int64_t heldFrom, std::int64_t heldTo, std::optional<double> oldHz, int sampleRate)
      : window_(window),
        before_(beforeFrom, beforeTo),
        held_(heldFrom, heldTo),
        oldHz_(oldHz),
        // The shorter window tells apart two partials two of its bins apart.
        clearHz_(2.0 * sampleRate / static_cast<double>(beforeTo - beforeFrom)),
        sampleRate_(sampleRate) {}

  Rise of(double hz) const {
    Rise rise;
    int followed = 0;
    int rose = 0;
    for (const double partial : followedHarmonics(hz)) {
      const double held = amplitude(held_, partial);
      const double before = amplitude(before_, partial);
      ++followed;
      if (held > kRoseByAmplitude * before) {
        ++rose;
        rise.salience += held - before;
        rise.power += held * held / 2.0;
      }
    }
    if (followed > 0) {
      rise.salience *= static_cast<double>(rose) / followed;
    }
    return rise;
  }

  SplitRise splitAt(double hz, int multiple) const {
    SplitRise split;
    for (const double partial : followedHarmonics(hz)) {
      const double rise = std::max(0.0, amplitude(held_, partial) - amplitude(before_, partial));
      const auto number = static_cast<int>(std::lround(partial / hz));
      (number % multiple == 0 ? split.atMultiples : split.between) += rise;
    }
    return split;
  }

 private:
  std::vector<double> followedHarmonics(double hz) const {
    std::vector<double> harmonics = clearHarmonics(hz, oldHz_, clearHz_, sampleRate_);
    std::erase_if(harmonics,
                  [&](double partial) { return std::round(partial / hz) > kFollowedHarmonics; });
    return harmonics;
  }

  // Of a sine at `hz`, full scale 1.
  double amplitude(const WindowedStretch& stretch, double hz) const {
    const double energy = partialEnergy(window_, stretch.from, stretch.hann, hz, sampleRate_);
    return 2.0 * std::sqrt(energy) / (stretch.weight * kFullScale);
  }

  const SampleWindow& window_;
  WindowedStretch before_;
  WindowedStretch held_;
  std::optional<double> oldHz_;
  double clearHz_;
  int sampleRate_;
};

// Whether the pitch heard is a subharmonic of the note that rose: its
// harmonics but those of that note rose little.
bool isSubharmonic(const RiseMeter& meter, double heardHz, double risenHz) {
  const std::optional<int> multiple = overtoneNumber(risenHz, heardHz);
  if (!multiple) {
    return false;
  }
  const SplitRise split = meter.splitAt(heardHz, *multiple);
  return split.between < kOwnRiseOfSubharmonic * split.atMultiples;
}

}  // namespace

std::optional<RisenNote> risenNote(const SampleWindow& window, std::int64_t beforeFrom,
                                   std::int64_t beforeTo, std::int64_t heldFrom,
                                   std::int64_t heldTo, std::optional<double> oldHz,
                                   std::optional<double> heardHz, double lowestHz, double highestHz,
                                   int sampleRate) {
  if (beforeFrom < window.first || heldTo > window.end() || beforeTo <= beforeFrom ||
      heldTo <= heldFrom) {
    return std::nullopt;
  }
  const RiseMeter meter(window, beforeFrom, beforeTo, heldFrom, heldTo, oldHz, sampleRate);
  double bestSemitones = 0.0;
  Rise best;
  const auto tryPitch = [&](double semitones) {
    const Rise rise = meter.of(hzOfSemitones(semitones));
    if (rise.salience > best.salience) {
      best = rise;
      bestSemitones = semitones;
    }
  };
  const double highestKey = std::floor(semitonesOf(highestHz));
  for (double key = std::ceil(semitonesOf(lowestHz)); key <= highestKey; key += 1.0) {
    tryPitch(key);
  }
  if (best.salience <= 0.0) {
    return std::nullopt;
  }
  if (heardHz && !isSubharmonic(meter, *heardHz, hzOfSemitones(bestSemitones))) {
    if (const Rise heard = meter.of(*heardHz);
        heard.salience >= kHeardShareOfBest * best.salience) {
      return RisenNote{*heardHz, 10.0 * std::log10(heard.power)};
    }
  }
  const double nearestKey = bestSemitones;
  for (double cents = -kTuningReachCents; cents <= kTuningReachCents; cents += kTuningStepCents) {
    tryPitch(nearestKey + cents / 100.0);
  }
  return RisenNote{hzOfSemitones(bestSemitones), 10.0 * std::log10(best.power)};
}

}  // namespace quavern::practice
