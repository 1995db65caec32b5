#pragma once

#include <QKeySequence>
#include <QObject>
#include <QPoint>
#include <vector>

#include "playback/sounds.h"

class QAction;
class QActionGroup;
class QMenu;
class QWidget;

namespace quavern {

// The commands beyond the window's buttons: a menu on the window's background
// and a keyboard shortcut each, which work from anywhere in the window, a text
// field included. Their shortcuts win over a text field's own key bindings
// (on Linux Ctrl+E moves to the end of the line).
class WindowMenu : public QObject {
  Q_OBJECT

 public:
  explicit WindowMenu(QWidget& window);
  ~WindowMenu() override;

  QAction& exportSong() const { return *exportSong_; }
  QAction& chordsUnderMelody() const { return *chordsUnderMelody_; }
  QAction& practise() const { return *practise_; }
  // The radio entries of "Melody sound" and "Chords sound", each carrying its
  // playback::Sound as an int in its data().
  QActionGroup& melodySounds() const { return *melodySounds_; }
  QActionGroup& chordSounds() const { return *chordSounds_; }

  // Ticks the sounds chosen. With a reason, the instruments cannot sound: their
  // entries are disabled and the reason shown under them.
  void showSounds(playback::Sound melody, playback::Sound chords, const QString& unavailableReason);

  // Shows the menu at a point on the screen.
  void popUp(QPoint globalPosition);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAction* addCommand(const QString& text, const QKeySequence& shortcut);
  QActionGroup* addSoundMenu(const QString& title);
  bool isOurShortcut(const QEvent& event) const;

  QWidget& window_;
  QMenu* menu_;
  QAction* exportSong_;
  QAction* chordsUnderMelody_;
  QAction* practise_;
  QActionGroup* melodySounds_;
  QActionGroup* chordSounds_;
  std::vector<QKeySequence> shortcuts_;
};

}  // namespace quavern
