// Practice in the window: the result, the tints, and the ways a practice ends.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include "app/practice_tints.h"
#include "playback/recording_output.h"
#include "playback/silent_clock_output.h"
#include "practice/fake_sound_input.h"
#include "practice/testing/synthesised_player.h"
#include "window_fixture.h"

namespace quavern {
namespace {

using practice::FakeSoundInput;
using practice::testing::SungNote;
using practice::testing::Voice;

constexpr int kRate = practice::SoundInput::kSampleRate;
constexpr std::int64_t kNoteMs = 500;  // tempo "120"

// Sung through the middle of note k's slot, after the four count-in notes.
SungNote sung(std::int64_t k, double hz) {
  const std::int64_t slotMs = (4 + k) * kNoteMs;
  return {slotMs + 50, slotMs + 450, Voice{.hz = hz}};
}

class Practice : public WindowTest {
 protected:
  void openWindow(FakeSoundInput::Script script,
                  std::unique_ptr<playback::SoundOutput> output =
                      std::make_unique<playback::SilentClockOutput>()) {
    TForm2Services services;
    services.sound = std::move(output);
    services.showMessage = [this](const QString& text) { messages_ << text; };
    services.microphone = [script] { return std::make_unique<FakeSoundInput>(script); };
    window_ = std::make_unique<TForm2>(std::move(services));
    window_->show();
    QApplication::setActiveWindow(window_.get());
    control<QComboBox>("ComboBox21")->setCurrentIndex(3);  // "120"
  }

  bool isTinted(int bar) const {
    return notes(bar)->palette().color(QPalette::Base) == practiceTintColour();
  }

  static FakeSoundInput::Script performance(const std::vector<SungNote>& notes, std::int64_t ms) {
    return {.samples = practice::testing::toSamples(practice::testing::perform(notes, ms, kRate))};
  }
};

TEST_F(Practice, JudgesEveryNoteSaysTheResultAndTintsTheBarsToPractiseAgain) {
  using practice::testing::hzOf;
  openWindow(performance({sung(0, hzOf(60)),      // c, an octave below the song's: right
                          sung(1, hzOf(77)),      // f where e is due: wrong
                                                  // g: missed
                          sung(3, hzOf(82, 30)),  // bb, 30 cents sharp: right
                          sung(4, hzOf(69))},     // a: right
                         (4 + 6) * kNoteMs));
  notes(1)->setText("c-e-g-bb");
  notes(2)->setText("a-xy");
  window_->Practise();

  ASSERT_EQ(messages_.size(), 1);
  EXPECT_EQ(messages_.front(),
            "Practice: 3 of 5 notes right.\n"
            "bar 1, note 2: heard f-, wanted e-\n"
            "bar 1, note 3: missed, wanted g-");
  EXPECT_TRUE(isTinted(1));
  EXPECT_FALSE(isTinted(2));
  EXPECT_EQ(notes(1)->text(), "c-e-g-bb");

  notes(1)->setText("c-e-g-bb");  // the same text: no change
  EXPECT_TRUE(isTinted(1));
  notes(1)->setText("c-f-g-bb");
  EXPECT_FALSE(isTinted(1));
}

TEST_F(Practice, NoInputDeviceSaysSoAndSoundsNothing) {
  auto output = std::make_unique<playback::RecordingOutput>();
  auto* recorder = output.get();
  openWindow({.failure = practice::InputFailure::NoDevice}, std::move(output));
  notes(1)->setText("c-e-");
  notes(1)->setFocus();
  QTest::keyClick(notes(1), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);

  EXPECT_EQ(messages_, QStringList{"No sound input was found."});
  EXPECT_EQ(recorder->begins(), 0);
  EXPECT_EQ(notes(1)->text(), "c-e-");
}

TEST_F(Practice, AnInputThatDeliversNothingEndsThePracticeWithoutAResult) {
  openWindow({.deliversNothing = true});
  notes(1)->setText("c-e-g-bb");
  notes(2)->setText("c-e-g-bb");
  window_->Practise();

  EXPECT_EQ(messages_, QStringList{"No sound input was found."});
  for (int bar = 1; bar <= 16; ++bar) {
    EXPECT_FALSE(isTinted(bar)) << bar;
  }
}

TEST_F(Practice, EscapeEndsItWithoutAResultAndTheNextPlayClearsTints) {
  openWindow(performance({}, 1000));
  notes(1)->setText("c-");
  window_->Practise();  // nothing sung: missed
  ASSERT_EQ(messages_.size(), 1);
  ASSERT_TRUE(isTinted(1));

  QTimer::singleShot(600, [this] {
    QCoreApplication::postEvent(notes(1),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  });
  window_->Practise();
  EXPECT_EQ(messages_.size(), 1);
  EXPECT_FALSE(isTinted(1));  // a new practice clears the old tints

  window_->Practise();
  ASSERT_EQ(messages_.size(), 2);
  ASSERT_TRUE(isTinted(1));
  control<QComboBox>("ComboBox20")->setCurrentIndex(0);
  window_->Button5Click();  // loop 0: the play is the count-in only
  window_->Button2Click();
  EXPECT_FALSE(isTinted(1));
}

}  // namespace
}  // namespace quavern
