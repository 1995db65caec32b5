// "Chords under the melody": the menu entry, its shortcut, and its memory.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include "playback/accompaniment.h"
#include "playback/recording_output.h"
#include "window_fixture.h"

namespace quavern {
namespace {

class ChordsOption : public WindowTest {
 protected:
  void SetUp() override { openWindow(folder_.filePath("quavern.ini")); }

  void openWindow(const QString& preferencesFile) {
    auto output = std::make_unique<playback::RecordingOutput>();
    recorder_ = output.get();
    TForm2Services services;
    services.sound = std::move(output);
    services.preferencesFile = preferencesFile;
    window_ = std::make_unique<TForm2>(std::move(services));
    window_->show();
    QApplication::setActiveWindow(window_.get());
    QCoreApplication::processEvents();
  }

  QAction* option() const {
    for (QAction* action : window_->actions()) {
      if (action->text() == "Chords under the melody") {
        return action;
      }
    }
    ADD_FAILURE() << "no \"Chords under the melody\" action";
    return nullptr;
  }

  void pressShortcutIn(QWidget* target) {
    target->setFocus();
    QTest::keyClick(target, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  }

  QTemporaryDir folder_;
  playback::RecordingOutput* recorder_ = nullptr;
};

TEST_F(ChordsOption, IsOffAtFirstAndPlayThenSoundsTheMelodyAlone) {
  ASSERT_NE(option(), nullptr);
  EXPECT_FALSE(option()->isChecked());
  notes(1)->setText("c-e-g-bb");
  window_->Button2Click();
  EXPECT_TRUE(recorder_->accompaniment().empty());
}

TEST_F(ChordsOption, ShortcutFromATextFieldTurnsItOnForPlayAndLeavesTheFieldAlone) {
  notes(1)->setText("c-e-g-bb");
  notes(1)->setCursorPosition(2);
  chord(1)->setCurrentIndex(19);  // "Am"
  pressShortcutIn(notes(1));

  EXPECT_TRUE(option()->isChecked());
  EXPECT_EQ(notes(1)->text(), "c-e-g-bb");
  EXPECT_EQ(notes(1)->cursorPosition(), 2);
  window_->Button2Click();
  const playback::Accompaniment expected{{4000, 8000, playback::chordFrequencies(19)}};
  EXPECT_EQ(recorder_->accompaniment(), expected);

  pressShortcutIn(chord(2));  // an editable selector's text field too
  EXPECT_FALSE(option()->isChecked());
}

TEST_F(ChordsOption, IsRememberedBetweenRuns) {
  pressShortcutIn(notes(3));
  ASSERT_TRUE(option()->isChecked());
  window_.reset();
  openWindow(folder_.filePath("quavern.ini"));
  EXPECT_TRUE(option()->isChecked());

  option()->trigger();
  window_.reset();
  openWindow(folder_.filePath("quavern.ini"));
  EXPECT_FALSE(option()->isChecked());
}

TEST_F(ChordsOption, AnUnreadableSettingsFileLeavesItOffAndTogglingStillWorks) {
  // A folder where the file should be: neither readable nor writable as a file.
  const QString blocked = folder_.filePath("blocked.ini");
  ASSERT_TRUE(QDir().mkpath(blocked));
  openWindow(blocked);
  EXPECT_FALSE(option()->isChecked());
  pressShortcutIn(notes(1));
  EXPECT_TRUE(option()->isChecked());
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(ChordsOption, IsInTheMenuOnTheWindowsBackground) {
  const QPoint background(10, 10);  // left of the file-name field
  ASSERT_EQ(window_->childAt(background), nullptr);
  QContextMenuEvent event(QContextMenuEvent::Mouse, background, window_->mapToGlobal(background));
  QApplication::sendEvent(window_.get(), &event);

  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(menu->actions().contains(option()));
  menu->close();
}

}  // namespace
}  // namespace quavern
