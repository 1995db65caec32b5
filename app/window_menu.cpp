#include "app/window_menu.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

namespace quavern {

WindowMenu::WindowMenu(QWidget& window)
    : QObject(&window), window_(window), menu_(new QMenu(&window)) {
  exportSong_ = addCommand(tr("Export..."), QKeySequence(tr("Ctrl+E")));
  chordsUnderMelody_ = addCommand(tr("Chords under the melody"), QKeySequence(tr("Ctrl+Shift+C")));
  chordsUnderMelody_->setCheckable(true);
  practise_ = addCommand(tr("Practise..."), QKeySequence(tr("Ctrl+Shift+P")));
  QApplication::instance()->installEventFilter(this);
}

WindowMenu::~WindowMenu() {
  QApplication::instance()->removeEventFilter(this);
}

QAction* WindowMenu::addCommand(const QString& text, const QKeySequence& shortcut) {
  auto* action = new QAction(text, &window_);
  action->setShortcut(shortcut);
  // Anywhere in the window, whichever control has the focus.
  action->setShortcutContext(Qt::WindowShortcut);
  window_.addAction(action);
  menu_->addAction(action);
  shortcuts_.push_back(shortcut);
  return action;
}

void WindowMenu::popUp(QPoint globalPosition) {
  menu_->popup(globalPosition);
}

// A text field claims the keys it binds before any shortcut is looked at; for
// our own shortcuts it is told that it does not want them.
bool WindowMenu::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride && isOurShortcut(*event)) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget != nullptr && widget->window() == &window_) {
      event->ignore();
      return true;
    }
  }
  return false;
}

bool WindowMenu::isOurShortcut(const QEvent& event) const {
  const auto& key = static_cast<const QKeyEvent&>(event);
  const QKeySequence pressed(key.keyCombination());
  for (const QKeySequence& shortcut : shortcuts_) {
    if (shortcut.matches(pressed) == QKeySequence::ExactMatch) {
      return true;
    }
  }
  return false;
}

}  // namespace quavern
