// Following a play in the window, and ending it with Escape.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <map>
#include <vector>

#include "app/play_follower.h"
#include "playback/silent_clock_output.h"
#include "window_fixture.h"

namespace quavern {
namespace {

using playback::PlayControl;

// Sounds nothing. After each tone's wait, with the tone taken as heard from
// its start, lets the test look at the window as the listener sees it then.
class ProbingOutput final : public playback::SoundOutput {
 public:
  std::function<void(std::size_t tone)> probe;
  int waitsPerTone = 1;  // a real output waits many times while a tone sounds

  void begin(playback::WhileWaiting whileWaiting, playback::Accompaniment,
             playback::StreamSounds) override {
    whileWaiting_ = std::move(whileWaiting);
    streamMs_ = 0;
    tones_ = 0;
  }
  bool sound(playback::Tone tone) override {
    heardMs_ = streamMs_;
    streamMs_ += tone.durationMs;
    PlayControl asked = PlayControl::Continue;
    for (int wait = 0; wait < waitsPerTone && asked == PlayControl::Continue; ++wait) {
      asked = whileWaiting_();
      if (probe) {
        probe(tones_);
      }
    }
    ++tones_;
    return asked == PlayControl::Continue;
  }
  void end() override {}
  std::int64_t heardMs() const override { return heardMs_; }
  Clock::time_point heardOrigin() const override { return {}; }

  std::size_t tones() const { return tones_; }

 private:
  playback::WhileWaiting whileWaiting_;
  std::int64_t streamMs_ = 0;
  std::int64_t heardMs_ = 0;
  std::size_t tones_ = 0;
};

// What one notes field shows of the play: marked or not, and its selection.
struct FieldView {
  int bar;
  bool marked;
  int selectionStart;
  QString selected;
  friend bool operator==(const FieldView&, const FieldView&) = default;
};

void PrintTo(const FieldView& view, std::ostream* out) {
  *out << "bar " << view.bar << (view.marked ? " marked" : "") << " [" << view.selectionStart
       << " \"" << view.selected.toStdString() << "\"]";
}

// Counts the paint events of the widgets it watches.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(std::function<void(QObject*)> painted) : painted_(std::move(painted)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      painted_(watched);
    }
    return false;
  }

 private:
  std::function<void(QObject*)> painted_;
};

class Follow : public WindowTest {
 protected:
  void SetUp() override {
    auto output = std::make_unique<ProbingOutput>();
    output_ = output.get();
    TForm2Services services;
    services.sound = std::move(output);
    window_ = std::make_unique<TForm2>(std::move(services));
    window_->show();
    QApplication::setActiveWindow(window_.get());
    QCoreApplication::processEvents();
  }

  bool isMarked(int bar) const {
    return notes(bar)->palette().color(QPalette::Base) == followMarkColour();
  }

  std::vector<FieldView> markedFields() const {
    std::vector<FieldView> views;
    for (int bar = 1; bar <= 16; ++bar) {
      if (isMarked(bar) || notes(bar)->hasSelectedText()) {
        views.push_back(
            {bar, isMarked(bar), notes(bar)->selectionStart(), notes(bar)->selectedText()});
      }
    }
    return views;
  }

  void pressEscape(QWidget* target) {
    QCoreApplication::postEvent(target,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    QCoreApplication::postEvent(target,
                                new QKeyEvent(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier));
  }

  ProbingOutput* output_ = nullptr;
};

TEST_F(Follow, MarksTheNoteHeardThenLeavesTheWindowAsItWas) {
  notes(1)->setText("c-e-");
  notes(2)->setText("g");
  notes(3)->setText("-xy");
  notes(3)->setSelection(1, 2);  // the user's own selection, kept
  notes(1)->setCursorPosition(3);
  choose("ComboBox20", 1);  // two passes
  notes(5)->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), notes(5));

  std::vector<std::vector<FieldView>> seen;
  QString accessibleSelection;
  output_->probe = [&](std::size_t tone) {
    seen.push_back(markedFields());
    if (tone == 6) {  // the token cut across bars 2 and 3
      QAccessibleInterface* field = QAccessible::queryAccessibleInterface(notes(3));
      int start = 0;
      int end = 0;
      field->textInterface()->selection(0, &start, &end);
      accessibleSelection = field->textInterface()->text(start, end);
    }
  };
  window_->Button2Click();

  const FieldView usersOwn{3, false, 1, "xy"};
  const std::vector<std::vector<FieldView>> expected{
      {usersOwn},  // the count-in marks nothing
      {usersOwn},
      {usersOwn},
      {usersOwn},
      {{1, true, 0, "c-"}, usersOwn},
      {{1, true, 2, "e-"}, usersOwn},
      {{2, true, 0, "g"}, {3, true, 0, "-"}},  // a token cut across two fields
      {{3, true, 1, "xy"}},                    // a rest is marked like a note
      {{1, true, 0, "c-"}, usersOwn},          // the second pass starts at bar 1
      {{1, true, 2, "e-"}, usersOwn},
      {{2, true, 0, "g"}, {3, true, 0, "-"}},
      {{3, true, 1, "xy"}},
  };
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(accessibleSelection, "-");
  for (int bar = 1; bar <= 16; ++bar) {
    EXPECT_FALSE(isMarked(bar)) << bar;
  }
  EXPECT_EQ(notes(1)->text(), "c-e-");
  EXPECT_EQ(notes(1)->cursorPosition(), 3);
  EXPECT_FALSE(notes(1)->hasSelectedText());
  EXPECT_FALSE(notes(2)->hasSelectedText());
  EXPECT_EQ(notes(3)->selectedText(), "xy");
  EXPECT_EQ(QApplication::focusWidget(), notes(5));
}

// Marking touches only what changes: about one repaint of one or two fields a
// note, and none of the fields the play never reaches.
TEST_F(Follow, RepaintsOnlyTheFieldsTheMarkMovesThrough) {
  notes(1)->setText("c-e-g-bb");
  notes(2)->setText("a-b-C-d-");
  QCoreApplication::processEvents();
  std::map<QObject*, int> paints;
  PaintCounter counter([&](QObject* field) { ++paints[field]; });
  for (int bar = 1; bar <= 16; ++bar) {
    notes(bar)->installEventFilter(&counter);
  }
  output_->probe = [](std::size_t) { QCoreApplication::processEvents(); };
  output_->waitsPerTone = 3;
  window_->Button2Click();
  QCoreApplication::processEvents();

  // Eight notes: each is marked once, and each field is unmarked once.
  EXPECT_GE(paints[notes(1)] + paints[notes(2)], 8);
  EXPECT_LE(paints[notes(1)] + paints[notes(2)], 8 + 2 + 2);
  for (int bar = 3; bar <= 16; ++bar) {
    EXPECT_EQ(paints[notes(bar)], 0) << bar;
  }
}

TEST_F(Follow, EscapeEndsThePlayAndTheNextPlayMakesAllItsPasses) {
  notes(1)->setText("c-e-g-bb");
  choose("ComboBox20", 2);  // three passes
  output_->probe = [&](std::size_t tone) {
    if (tone == 5) {
      pressEscape(notes(1));
    }
  };
  window_->Button2Click();

  EXPECT_EQ(output_->tones(), 7u);  // Escape is seen while the next tone waits
  EXPECT_EQ(window_->loop, 3);
  EXPECT_TRUE(markedFields().empty());
  EXPECT_EQ(notes(1)->text(), "c-e-g-bb");  // Escape was not typed into the field

  output_->probe = {};
  window_->Button2Click();
  EXPECT_EQ(output_->tones(), 4u + 3u * 4u);
}

TEST_F(Follow, EscapeWithNoPlayChangesNothing) {
  notes(1)->setText("c-e-");
  notes(1)->setFocus();
  pressEscape(notes(1));
  QCoreApplication::processEvents();
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(notes(1)->text(), "c-e-");
  EXPECT_EQ(window_->loop, 1);
}

TEST_F(Follow, EscapeEndsAPlayOnTheSilentClockPromptly) {
  TForm2Services services;
  services.sound = std::make_unique<playback::SilentClockOutput>();
  window_ = std::make_unique<TForm2>(std::move(services));
  window_->show();
  for (int bar = 1; bar <= 16; ++bar) {
    notes(bar)->setText("c-e-g-bb");
  }
  QElapsedTimer timer;
  qint64 pressedAtMs = -1;
  QTimer::singleShot(2500, [&] {
    pressedAtMs = timer.elapsed();
    pressEscape(notes(1));
  });
  timer.start();
  window_->Button2Click();

  ASSERT_GE(pressedAtMs, 0);
  // About 20 ms on an idle machine; the bound is generous for a shared one.
  EXPECT_LT(timer.elapsed() - pressedAtMs, 500);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(markedFields().empty());
}

}  // namespace
}  // namespace quavern
