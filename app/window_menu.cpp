#include "app/window_menu.h"

#include <QAction>
#include <QActionGroup>
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
  melodySounds_ = addSoundMenu(tr("Melody sound"));
  chordSounds_ = addSoundMenu(tr("Chords sound"));
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

QActionGroup* WindowMenu::addSoundMenu(const QString& title) {
  QMenu* submenu = menu_->addMenu(title);
  submenu->setToolTipsVisible(true);
  auto* group = new QActionGroup(submenu);
  group->setExclusive(true);
  for (const playback::SoundEntry& entry : playback::kSoundCatalogue) {
    QAction* action = submenu->addAction(
        QString::fromUtf8(entry.name.data(), static_cast<qsizetype>(entry.name.size())));
    action->setCheckable(true);
    action->setData(static_cast<int>(entry.sound));
    group->addAction(action);
  }
  // Says why the instruments are disabled, when they are.
  QAction* reason = submenu->addAction(QString());
  reason->setEnabled(false);
  reason->setVisible(false);
  return group;
}

void WindowMenu::showSounds(playback::Sound melody, playback::Sound chords,
                            const QString& unavailableReason) {
  const std::pair<QActionGroup*, playback::Sound> parts[] = {{melodySounds_, melody},
                                                             {chordSounds_, chords}};
  for (const auto& [group, chosen] : parts) {
    for (QAction* action : group->actions()) {
      const auto sound = static_cast<playback::Sound>(action->data().toInt());
      action->setChecked(sound == chosen);
      action->setEnabled(!playback::isInstrument(sound) || unavailableReason.isEmpty());
      action->setToolTip(action->isEnabled() ? QString() : unavailableReason);
    }
    QAction* reason = qobject_cast<QMenu*>(group->parent())->actions().back();
    reason->setText(unavailableReason);
    reason->setVisible(!unavailableReason.isEmpty());
  }
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
