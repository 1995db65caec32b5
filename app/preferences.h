#pragma once

#include <QString>

namespace quavern {

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
