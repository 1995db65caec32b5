#include "app/play_guard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

namespace quavern {
namespace {

// Everything by which a user could start a command or change a control.
bool isUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

}  // namespace

PlayGuard::PlayGuard(QWidget& window, QWidget* stillLive) : window_(window), stillLive_(stillLive) {
  QCoreApplication::instance()->installEventFilter(this);
}

PlayGuard::~PlayGuard() {
  finish();
}

playback::PlayControl PlayGuard::keepWindowAlive() {
  // All events, not ExcludeUserInputEvents: that would only hold input back to
  // be replayed once the play is over. The filter drops it instead.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (closeRequested_) {
    return playback::PlayControl::Abandon;
  }
  return stopRequested_ ? playback::PlayControl::Stop : playback::PlayControl::Continue;
}

void PlayGuard::finish() {
  if (!guarding_) {
    return;
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  QCoreApplication::instance()->removeEventFilter(this);
  guarding_ = false;
}

bool PlayGuard::eventFilter(QObject* watched, QEvent* event) {
  if (isUserInput(event->type())) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      stopRequested_ = true;
      return true;
    }
    return !isForLiveWindow(watched);
  }
  if (isCloseOfWindow(watched, *event)) {
    // Kept open until the play has ended, then closed by the play command.
    closeRequested_ = true;
    event->ignore();
    return true;
  }
  return false;
}

bool PlayGuard::isForLiveWindow(QObject* watched) const {
  if (stillLive_ == nullptr) {
    return false;
  }
  if (watched == stillLive_->windowHandle()) {
    return true;
  }
  const auto* widget = qobject_cast<const QWidget*>(watched);
  return widget != nullptr && widget->window() == stillLive_;
}

bool PlayGuard::isCloseOfWindow(QObject* watched, const QEvent& event) const {
  return event.type() == QEvent::Close &&
         (watched == &window_ || watched == window_.windowHandle());
}

}  // namespace quavern
