#pragma once

#include <optional>
#include <string_view>

namespace quavern::practice {

// A pitch class: 0 for c, 1 for c#/db, ... 11 for b, in any octave.
using PitchClass = int;

inline constexpr int kPitchClassCount = 12;

// Pitch class of a note token as the song writes it ("c-" ... "C-"), or nothing
// when the text names no note. The match is exact and case-sensitive, as in play.
std::optional<PitchClass> pitchClassOfToken(std::u16string_view token);

// Equal-tempered pitch, A = 440 Hz, in semitones on the MIDI scale (69 is that A);
// fractional between the notes.
double semitonesOf(double hz);

// The frequency of a pitch on that scale.
double hzOfSemitones(double semitones);

// Nearest pitch class of a frequency.
PitchClass nearestPitchClass(double hz);

// Cents from a frequency to the nearest octave of `pitchClass`, -600 to +600.
double centsFromPitchClass(double hz, PitchClass pitchClass);

// True when a change of pitch is by one or more octaves, up or down, give or
// take `withinSemitones` (less than half an octave).
bool isByOctaves(double changeSemitones, double withinSemitones);

constexpr int kHighestOvertone = 8;

// The harmonic, 2nd to kHighestOvertone, of `fundamentalHz` that `hz` is,
// give or take half a semitone; nothing when it is none of those.
std::optional<int> overtoneNumber(double hz, double fundamentalHz);

// The pitch class as a two-character token with black keys spelt as flats:
// "c-", "db", "d-", "eb", ... "bb", "b-".
std::string_view flatSpelling(PitchClass pitchClass);

}  // namespace quavern::practice
