#include "practice/pitch_class.h"

#include <array>
#include <cmath>

#include "music/note_tokens.h"

namespace quavern::practice {
namespace {

constexpr std::array<std::string_view, kPitchClassCount> kFlatNames{
    "c-", "db", "d-", "eb", "e-", "f-", "gb", "g-", "ab", "a-", "bb", "b-"};

constexpr double kReferenceHz = 440.0;
constexpr double kReferenceSemitones = 69.0;  // that A on the MIDI scale
constexpr double kCentsPerSemitone = 100.0;

bool sameText(std::u16string_view token, std::string_view ascii) {
  if (token.size() != ascii.size()) {
    return false;
  }
  for (std::size_t i = 0; i < token.size(); ++i) {
    if (token[i] != static_cast<char16_t>(ascii[i])) {
      return false;
    }
  }
  return true;
}

PitchClass wrapped(long semitones) {
  const long folded = semitones % kPitchClassCount;
  return static_cast<PitchClass>(folded < 0 ? folded + kPitchClassCount : folded);
}

}  // namespace

std::optional<PitchClass> pitchClassOfToken(std::u16string_view token) {
  for (const music::NoteToken& note : music::kNoteTokens) {
    if (sameText(token, note.text)) {
      return wrapped(note.semitonesAboveC);
    }
  }
  return std::nullopt;
}

double semitonesOf(double hz) {
  return kReferenceSemitones + 12.0 * std::log2(hz / kReferenceHz);
}

double hzOfSemitones(double semitones) {
  return kReferenceHz * std::exp2((semitones - kReferenceSemitones) / 12.0);
}

PitchClass nearestPitchClass(double hz) {
  return wrapped(std::lround(semitonesOf(hz)));
}

double centsFromPitchClass(double hz, PitchClass pitchClass) {
  const double above = semitonesOf(hz) - pitchClass;
  const double octaves = std::round(above / kPitchClassCount);
  return (above - octaves * kPitchClassCount) * kCentsPerSemitone;
}

bool isByOctaves(double changeSemitones, double withinSemitones) {
  const double octaves = std::round(changeSemitones / kPitchClassCount);
  return octaves != 0.0 &&
         std::abs(changeSemitones - octaves * kPitchClassCount) <= withinSemitones;
}

std::optional<int> overtoneNumber(double hz, double fundamentalHz) {
  constexpr double kWithinSemitones = 0.5;
  const double harmonic = std::round(hz / fundamentalHz);
  if (harmonic < 2.0 || harmonic > kHighestOvertone ||
      std::abs(semitonesOf(hz) - semitonesOf(harmonic * fundamentalHz)) > kWithinSemitones) {
    return std::nullopt;
  }
  return static_cast<int>(harmonic);
}

std::string_view flatSpelling(PitchClass pitchClass) {
  return kFlatNames[static_cast<std::size_t>(wrapped(pitchClass))];
}

}  // namespace quavern::practice
