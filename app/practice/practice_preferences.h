#pragma once

#include <QString>
#include <optional>

#include "music/practice_plan.h"
#include "practice/judge_settings.h"

namespace quavern {

// An input's delay: how much later than the sound server reports the input
// hears what the speakers play, in milliseconds, and whether it was measured
// by a calibration or set by hand.
struct InputDelay {
  int ms = 0;
  bool measured = false;
};

// Everything the practice window remembers between runs, beside the main
// window's choices in the same settings file.
struct PracticeChoices {
  music::PracticeSettings passage;
  practice::Transposition transposition = practice::Transposition::C;
  int pitchWithinChoice = 0;   // into practice::kPitchWithinChoices
  int onTimeWithinChoice = 1;  // into practice::kOnTimeWithinChoices
  QString inputName;           // as the "Input" selector lists it; empty: the default
};

// Reads the choices; `mainTempoBpm` is the tempo before one was ever chosen.
PracticeChoices loadPracticeChoices(const QString& preferencesFile, int mainTempoBpm);
void savePracticeChoices(const QString& preferencesFile, const PracticeChoices& choices);

// Delays are kept per input, by the input's name.
InputDelay loadInputDelay(const QString& preferencesFile, const QString& inputName);
void saveInputDelay(const QString& preferencesFile, const QString& inputName, InputDelay delay);

}  // namespace quavern
