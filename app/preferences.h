#pragma once

#include <QSettings>
#include <QString>
#include <memory>

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

 private:
  QString filePath_;
  bool chordsUnderMelody_ = false;
};

}  // namespace quavern
