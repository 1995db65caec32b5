#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "playback/recording_output.h"
#include "playback/silent_clock_output.h"
#include "window_fixture.h"

namespace quavern {
namespace {

using playback::countInTone;
using playback::Tone;

// Counts the paint events a widget receives while `counting` says so.
class PaintCounter : public QObject {
 public:
  std::function<bool()> counting;
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && counting()) {
      ++paints;
    }
    return false;
  }
};

class Play : public WindowTest {
 protected:
  void SetUp() override { useOutput(std::make_unique<playback::RecordingOutput>()); }

  void useOutput(std::unique_ptr<playback::SoundOutput> output) {
    recorder_ = dynamic_cast<playback::RecordingOutput*>(output.get());
    TForm2Services services;
    services.sound = std::move(output);
    services.showMessage = [this](const QString& text) { messages_ << text; };
    window_ = std::make_unique<TForm2>(std::move(services));
  }

  QPushButton* button(int number) const {
    return control<QPushButton>(QString("Button%1").arg(number));
  }

  static void postClick(QWidget* target) {
    const QPointF centre = QRectF(target->rect()).center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QCoreApplication::postEvent(
          target, new QMouseEvent(type, centre, target->mapToGlobal(centre), Qt::LeftButton,
                                  Qt::LeftButton, Qt::NoModifier));
    }
  }

  static void postTyping(QWidget* target, const QString& text) {
    for (const QChar character : text) {
      for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QCoreApplication::postEvent(
            target, new QKeyEvent(type, character.toUpper().unicode(), Qt::NoModifier, character));
      }
    }
  }

  playback::RecordingOutput* recorder_ = nullptr;
};

TEST_F(Play, SoundsTheCountInThenTheBarsAtTheChosenTempo) {
  notes(1)->setText("c-e-");
  notes(3)->setText("C-x");
  control<QComboBox>("ComboBox21")->setCurrentIndex(3);  // "120"

  window_->Button2Click();

  std::vector<Tone> expected(4, countInTone(500));
  expected.insert(expected.end(), {{523, 500}, {659, 500}, {1047, 500}});
  EXPECT_EQ(recorder_->tones(), expected);
  EXPECT_EQ(window_->t, 500);
  EXPECT_EQ(window_->loop, 1);
  EXPECT_EQ(loop_, 1);
}

TEST_F(Play, LoopSelectorSetsThePassesAndPlayRestoresIt) {
  notes(1)->setText("a-");
  choose("ComboBox20", 4);  // "10"
  EXPECT_EQ(window_->loop, 10);

  window_->Button2Click();

  EXPECT_EQ(recorder_->tones().size(), 4u + 10u);
  EXPECT_EQ(window_->loop, 10);
}

TEST_F(Play, StopLeavesLaterPlaysWithTheCountInOnly) {
  notes(1)->setText("a-");
  window_->Button5Click();
  window_->Button2Click();

  EXPECT_EQ(recorder_->tones(), std::vector<Tone>(4, countInTone(1000)));
  EXPECT_EQ(window_->loop, 0);
}

TEST_F(Play, SpellingSelectorSetsTheSpelling) {
  choose("ComboBox22", 1);
  EXPECT_EQ(bs, 2);
  choose("ComboBox22", 0);
  EXPECT_EQ(bs, 1);
}

TEST_F(Play, WindowIsRepaintedWhileATonesSounds) {
  notes(1)->setText("c-e-g-");
  window_->show();
  QCoreApplication::processEvents();
  PaintCounter counter;
  window_->installEventFilter(&counter);
  window_->update();  // as when the window is uncovered in the middle of a play

  // Only while tones remain: not in the moment after the last one.
  counter.counting = [this] { return recorder_->tones().size() < 4u + 3u; };
  window_->Button2Click();

  EXPECT_GT(counter.paints, 0);
}

TEST_F(Play, InputDuringPlayIsDiscardedNotReplayedAfterwards) {
  notes(1)->setText("c-e-");
  notes(2)->setText("typed");
  window_->show();
  QCoreApplication::processEvents();
  // Arrives while the play holds the thread: a click on "make" and typing.
  postClick(button(1));
  postTyping(notes(2), "xyz");
  QTimer::singleShot(0, [this] { postClick(button(2)); });

  window_->Button2Click();
  QCoreApplication::processEvents();

  EXPECT_EQ(notes(1)->text(), "c-e-");  // make would have written 8 new characters
  EXPECT_EQ(notes(2)->text(), "typed");
  EXPECT_EQ(recorder_->tones().size(), 4u + 4u);  // "c-", "e-", "ty", "pe": one play
  EXPECT_EQ(recorder_->begins(), 1);
}

TEST_F(Play, CloseRequestEndsAPlayPromptlyAndClosesTheWindow) {
  useOutput(std::make_unique<playback::SilentClockOutput>());
  for (int bar = 1; bar <= 16; ++bar) {
    notes(bar)->setText("c-e-g-bb");
  }
  choose("ComboBox20", 4);  // ten passes of 1000 ms tones: more than ten minutes
  window_->show();
  QCoreApplication::processEvents();

  QElapsedTimer timer;
  qint64 closeAskedAtMs = -1;
  QTimer::singleShot(300, [&] {
    closeAskedAtMs = timer.elapsed();
    QCoreApplication::postEvent(window_.get(), new QCloseEvent);
  });
  timer.start();
  window_->Button2Click();
  const qint64 returnedAtMs = timer.elapsed();

  ASSERT_GE(closeAskedAtMs, 0);
  // About 50 ms on an idle machine; the bound is generous for a shared one.
  EXPECT_LT(returnedAtMs - closeAskedAtMs, 1000);
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(Play, ClosingDuringPlayEndsTheEventLoopWithStatusZero) {
  useOutput(std::make_unique<playback::SilentClockOutput>());
  notes(1)->setText("c-e-g-bb");
  choose("ComboBox20", 4);
  window_->show();

  QTimer::singleShot(0, button(2), &QPushButton::click);
  QTimer::singleShot(300, [this] { QCoreApplication::postEvent(window_.get(), new QCloseEvent); });
  QElapsedTimer timer;
  timer.start();
  const int status = QApplication::exec();

  EXPECT_EQ(status, 0);
  EXPECT_LT(timer.elapsed(), 300 + 1000);
  EXPECT_FALSE(window_->isVisible());
}

}  // namespace
}  // namespace quavern
