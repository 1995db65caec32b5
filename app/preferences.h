#pragma once

#include <QSettings>
#include <QString>
#include <memory>

#include "playback/sounds.h"

namespace quavern {

// The settings file that holds the choices: `filePath`, or for an empty one
// the INI file in the user's configuration folder.
std::unique_ptr<QSettings> openPreferences(const QString& filePath);

// The choices the window remembers between runs, in an INI file in the user's
// configuration folder. A file that cannot be read or written is no error the
// user needs to hear of: a choice then starts off, or lasts for this run only.
class Preferences {
 public:
  // The file to keep the choices in; empty for the user's configuration folder.
  explicit Preferences(QString filePath = {});

  bool chordsUnderMelody() const { return chordsUnderMelody_; }
  void setChordsUnderMelody(bool on);

  // "Melody sound" and "Chords sound", kept by name; a name no longer known is the steady
  // tone.
  playback::Sound melodySound() const { return melodySound_; }
  playback::Sound chordSound() const { return chordSound_; }
  void setMelodySound(playback::Sound sound);
  void setChordSound(playback::Sound sound);

 private:
  void store(const QString& key, const QVariant& value);

  QString filePath_;
  bool chordsUnderMelody_ = false;
  playback::Sound melodySound_ = playback::Sound::kSteadyTone;
  playback::Sound chordSound_ = playback::Sound::kSteadyTone;
};

}  // namespace quavern
