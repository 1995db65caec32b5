#pragma once

#include <QObject>

#include "playback/sound_output.h"

class QWidget;

namespace quavern {

// Holds the window while a play keeps its thread. Play stays synchronous and
// no other handler may run, yet the window must not look hung for minutes:
// pending non-input events (painting, the desktop's liveness checks) are
// handled whenever the sound output waits, every input event is thrown away
// on arrival (not queued to replay after the play), Escape stops the play,
// and a close request ends it at once instead of being lost.
class PlayGuard : public QObject {
 public:
  // Input to `stillLive` (a window that runs the play and must take its own
  // controls' input, such as a Stop button) and its children goes through.
  explicit PlayGuard(QWidget& window, QWidget* stillLive = nullptr);
  ~PlayGuard() override;
  PlayGuard(const PlayGuard&) = delete;
  PlayGuard& operator=(const PlayGuard&) = delete;

  // Handles what is pending, and says whether the play may go on.
  playback::PlayControl keepWindowAlive();

  // Throws away input that arrived during the last moments of the play and
  // stops guarding.
  void finish();

  bool closeRequested() const { return closeRequested_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool isCloseOfWindow(QObject* watched, const QEvent& event) const;
  bool isForLiveWindow(QObject* watched) const;

  QWidget& window_;
  QWidget* stillLive_;
  bool guarding_ = true;
  bool closeRequested_ = false;
  bool stopRequested_ = false;
};

}  // namespace quavern
