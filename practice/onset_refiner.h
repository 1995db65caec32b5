#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "practice/harmonics.h"

namespace quavern::practice {

// A new note's partials are nearly silent before it begins, whatever the last
// note, its ring or the room still sound. Where the energy at the new note's
// harmonics (those clear of the last note's) rises out of that quiet is where
// the note began, to a few milliseconds, even when its attack is slow or the
// last note fades into it without a dip in the level.
//
// Returns the sample, from kRefineBackMs before `guess` to kRefineAheadMs
// after, where the note of `newHz` began; or nothing when the window does not
// reach that far, too few harmonics are clear of `oldHz` (the pitch held
// before, if any), or its harmonics do not rise clearly there.
std::optional<std::int64_t> refineOnset(const SampleWindow& window, std::int64_t guess,
                                        double newHz, std::optional<double> oldHz, int sampleRate);

// Where the note of `newHz` heard from `heldFrom` to `heldTo` began, from
// `from` to `to`: where its harmonics clear of `oldHz` (those of them that
// rose by themselves) rose out of their quiet towards the level they hold
// there; over a steady shelf far below that level, the room's or the last
// note's sound, where they climbed off it. Nothing when too few harmonics
// are clear, the window does not reach, or they did not rise clearly in that
// time: the note began earlier, or is the ring of the last.
std::optional<std::int64_t> noteBegan(const SampleWindow& window, std::int64_t from,
                                      std::int64_t to, std::int64_t heldFrom, std::int64_t heldTo,
                                      double newHz, std::optional<double> oldHz, int sampleRate);

// Where the note of `newHz`, at a harmonic of the last note (octaves, a
// twelfth, ... above it), began from `from` to `to`: none of its harmonics is
// clear of the last note's, but out of the quiet the last note's ring leaves
// there, all of them rose, to the top of its attack and on to the level held
// from `heldFrom` to `heldTo`. Nothing when they did not, or the window does
// not reach.
std::optional<std::int64_t> noteLeaptTo(const SampleWindow& window, std::int64_t from,
                                        std::int64_t to, std::int64_t heldFrom, std::int64_t heldTo,
                                        double newHz, int sampleRate);

// As noteLeaptTo, for a note the pitch heard does not name (the detector hears
// the last note, at whose harmonic it lies): its own fundamental must have
// risen by itself as well, or a note at a lower harmonic of the last, whose
// harmonics include some of its own, would pass too; and its attack must
// stand 17 dB out of the level its harmonics sounded at before it, not only
// out of a beat's dip there, which a ring or reverb alone shows.
std::optional<std::int64_t> noteLeaptToUnheard(const SampleWindow& window, std::int64_t from,
                                               std::int64_t to, std::int64_t heldFrom,
                                               std::int64_t heldTo, double newHz, int sampleRate);

// Where the note of `newHz`, played again over the last sounding of the
// same pitch, began from `from` to `to`. No harmonic of it is clear of the
// last note's, but a note let go and played again dips at all of them at
// once, where the old note's release crosses the new one's attack (each
// harmonic at a phase of its own), and they rise again to the level they hold
// from `heldFrom` to `heldTo`; a held note, its ring or its reverb never does.
// Nothing when they do not dip that way or the window does not reach.
std::optional<std::int64_t> noteRepeated(const SampleWindow& window, std::int64_t from,
                                         std::int64_t to, std::int64_t heldFrom,
                                         std::int64_t heldTo, double newHz, int sampleRate);

// How far refineOnset may move an onset before `guess` and after it, and the
// longest window it measures with: it reads the samples from
// kRefineBackMs + kRefineWindowMs before `guess` to kRefineAheadMs after.
// A slow attack slurred out of a note still ringing (a choir's, a bowed
// string's) shows its pitch, and often the swell that cues it, 150 ms after
// its harmonics began to rise.
constexpr std::int64_t kRefineBackMs = 150;
constexpr std::int64_t kRefineAheadMs = 60;
constexpr std::int64_t kRefineWindowMs = 60;

}  // namespace quavern::practice
