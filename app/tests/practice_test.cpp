// The practice window: its controls, a practice of several passes judged on a
// prepared take, the ways a practice ends, and what it remembers.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <utility>

#include "app/practice/history_panel.h"
#include "app/practice/practice_window.h"
#include "app/practice_tints.h"
#include "playback/recording_output.h"
#include "playback/silent_clock_output.h"
#include "practice/fake_sound_input.h"
#include "practice/testing/synthesised_player.h"
#include "window_fixture.h"

namespace quavern {
namespace {

using practice::FakeSoundInput;
using practice::testing::hzOf;
using practice::testing::SungNote;
using practice::testing::Voice;

constexpr int kRate = practice::SoundInput::kSampleRate;

class Practice : public WindowTest {
 protected:
  void openWindow(FakeSoundInput::Script script,
                  std::unique_ptr<playback::SoundOutput> output =
                      std::make_unique<playback::SilentClockOutput>()) {
    TForm2Services services;
    services.sound = std::move(output);
    services.showMessage = [this](const QString& text) { messages_ << text; };
    services.microphone = [script] { return std::make_unique<FakeSoundInput>(script); };
    services.preferencesFile = settingsFolder_.filePath("quavern.ini");
    services.historyFile = settingsFolder_.filePath("practice.sqlite");
    window_ = std::make_unique<TForm2>(std::move(services));
    window_->show();
    QApplication::setActiveWindow(window_.get());
  }

  PracticeWindow& practice() {
    window_->Practise();
    return *window_->practiceWindow();
  }

  // The prepared take starts with the input, and the input with the window:
  // after the settings are made, the window is opened afresh so that the take
  // starts as the practice does.
  void startAfresh() {
    practice().hide();
    practice().start();
  }

  template <typename Control>
  Control* practiceControl(const QString& accessibleName) {
    for (auto* candidate : practice().findChildren<Control*>()) {
      if (candidate->accessibleName() == accessibleName) {
        return candidate;
      }
    }
    ADD_FAILURE() << "no control named " << accessibleName.toStdString();
    return nullptr;
  }

  QStringList results() {
    QStringList lines;
    auto* list = practiceControl<QListWidget>("Results");
    for (int row = 0; row < list->count(); ++row) {
      lines << list->item(row)->text();
    }
    return lines;
  }

  QString details() { return practiceControl<QPlainTextEdit>("Details")->toPlainText(); }
  QString status() { return practiceControl<QLineEdit>("Status")->text(); }

  bool isTinted(int bar) const {
    return notes(bar)->palette().color(QPalette::Base) == practiceTintColour();
  }

  // A player who sings each of `hz` from `lateMs` into its slot to 90% of it.
  static std::vector<SungNote> singing(std::int64_t firstSlotMs, std::int64_t beatMs,
                                       const std::vector<double>& hz, std::int64_t lateMs = 20) {
    std::vector<SungNote> notes;
    for (std::size_t k = 0; k < hz.size(); ++k) {
      const std::int64_t slot = firstSlotMs + static_cast<std::int64_t>(k) * beatMs;
      if (hz[k] > 0) {
        notes.push_back({slot + lateMs, slot + beatMs * 9 / 10, Voice{.hz = hz[k]}});
      }
    }
    return notes;
  }

  static FakeSoundInput::Script performance(const std::vector<SungNote>& notes, std::int64_t ms) {
    return {.samples = practice::testing::toSamples(practice::testing::perform(notes, ms, kRate))};
  }

  QTemporaryDir settingsFolder_;
};

TEST_F(Practice, EveryControlHasItsAccessibleNameAndTabReachesIt) {
  openWindow({});
  PracticeWindow& window = practice();
  EXPECT_EQ(window.windowTitle(), "Quavern practice");
  EXPECT_TRUE(window.isVisible());
  const QStringList names{"From bar",       "To bar",         "Tempo",     "Passes",
                          "Raise tempo by", "Up to",          "Melody",    "Input",
                          "Input level",    "Input delay",    "Calibrate", "Instrument",
                          "Pitch within",   "On time within", "Start",     "Stop",
                          "Lane",           "Heard",          "Results",   "Details",
                          "Status",         "History"};
  QStringList focusable;
  for (auto* widget : window.findChildren<QWidget*>()) {
    if (widget->focusPolicy() & Qt::TabFocus) {
      focusable << widget->accessibleName();
    }
  }
  for (const QString& name : names) {
    bool found = false;
    for (auto* widget : window.findChildren<QWidget*>()) {
      found = found || widget->accessibleName() == name;
    }
    EXPECT_TRUE(found) << name.toStdString();
  }
  for (const QString& name :
       QStringList{"From bar", "Tempo", "Melody", "Input", "Start", "Results"}) {
    EXPECT_TRUE(focusable.contains(name)) << name.toStdString();
  }
}

TEST_F(Practice, FromCannotPassToAndTempoStartsAsTheMainWindows) {
  openWindow({});
  control<QComboBox>("ComboBox21")->setCurrentIndex(1);  // "80": 833 ms a note
  auto* from = practiceControl<QSpinBox>("From bar");
  auto* to = practiceControl<QSpinBox>("To bar");
  EXPECT_EQ(practiceControl<QSpinBox>("Tempo")->value(), 72);
  EXPECT_EQ(from->value(), 1);
  EXPECT_EQ(to->value(), 16);
  to->setValue(8);
  from->setValue(12);
  EXPECT_EQ(from->value(), 8);
  to->setValue(3);
  EXPECT_EQ(to->value(), 8);
}

TEST_F(Practice, ChoicesAreRememberedBetweenRuns) {
  openWindow({});
  practiceControl<QSpinBox>("To bar")->setValue(8);
  practiceControl<QSpinBox>("From bar")->setValue(5);
  practiceControl<QSpinBox>("Tempo")->setValue(66);
  practiceControl<QSpinBox>("Passes")->setValue(3);
  practiceControl<QSpinBox>("Raise tempo by")->setValue(7);
  practiceControl<QSpinBox>("Up to")->setValue(80);
  practiceControl<QComboBox>("Melody")->setCurrentIndex(1);
  practiceControl<QComboBox>("Instrument")->setCurrentIndex(1);
  practiceControl<QComboBox>("Pitch within")->setCurrentIndex(2);
  practiceControl<QComboBox>("On time within")->setCurrentIndex(0);
  practiceControl<QSpinBox>("Input delay")->setValue(37);

  openWindow({});
  EXPECT_EQ(practiceControl<QSpinBox>("From bar")->value(), 5);
  EXPECT_EQ(practiceControl<QSpinBox>("To bar")->value(), 8);
  EXPECT_EQ(practiceControl<QSpinBox>("Tempo")->value(), 66);
  EXPECT_EQ(practiceControl<QSpinBox>("Passes")->value(), 3);
  EXPECT_EQ(practiceControl<QSpinBox>("Raise tempo by")->value(), 7);
  EXPECT_EQ(practiceControl<QSpinBox>("Up to")->value(), 80);
  EXPECT_EQ(practiceControl<QComboBox>("Melody")->currentText(), "Listen first");
  EXPECT_EQ(practiceControl<QComboBox>("Instrument")->currentText(), "B flat");
  EXPECT_EQ(practiceControl<QComboBox>("Pitch within")->currentText(), "20 cents");
  EXPECT_EQ(practiceControl<QComboBox>("On time within")->currentText(), "150 ms");
  EXPECT_EQ(practiceControl<QSpinBox>("Input delay")->value(), 37);
}

// One pass of the whole song at the main window's tempo is 1.1's practice:
// the same verdicts, the same tints.
TEST_F(Practice, OnePassOfTheSongJudgesAsBeforeAndTintsTheBarsToPractiseAgain) {
  constexpr std::int64_t kBeat = 500;  // "120"
  openWindow(performance(singing(4 * kBeat, kBeat,
                                 {hzOf(60),      // c, an octave below the song's: right
                                  hzOf(77),      // f where e is due: wrong
                                  0,             // g: missed
                                  hzOf(82, 30),  // bb, 30 cents sharp: right
                                  hzOf(69)}),    // a: right
                         (4 + 6) * kBeat));
  notes(1)->setText("c-e-g-bb");
  notes(2)->setText("a-xy");
  control<QComboBox>("ComboBox21")->setCurrentIndex(3);  // "120"
  startAfresh();

  EXPECT_EQ(results(), QStringList{"Pass 1, 120 BPM: 3 of 5 notes right, 3 of 3 on time."});
  EXPECT_EQ(details(), "bar 1, note 2: heard f-, wanted e-\nbar 1, note 3: missed, wanted g-");
  EXPECT_TRUE(isTinted(1));
  EXPECT_FALSE(isTinted(2));
  EXPECT_TRUE(messages_.isEmpty());
  notes(1)->setText("c-f-g-bb");
  EXPECT_FALSE(isTinted(1));
}

// Bars 2 and 3 three times, 200 BPM rising by 20 to 240: the player is late in
// pass 2 and wrong in pass 3.
TEST_F(Practice, PassesRiseInTempoAndEachIsJudgedOnItsOwn) {
  const std::vector<int> tempos{200, 220, 240};
  const std::vector<double> wanted{hzOf(60), hzOf(64), hzOf(67), hzOf(71)};  // c- e- g- b-
  std::vector<SungNote> sung;
  std::int64_t at = 4 * 300;  // the count-in at 200 BPM
  for (int pass = 0; pass < 3; ++pass) {
    const std::int64_t beat = 60000 / tempos[static_cast<std::size_t>(pass)];
    std::vector<double> hz = wanted;
    if (pass == 2) {
      hz[1] = hzOf(65);  // f for e
    }
    const auto notes = singing(at, beat, hz, pass == 1 ? 120 : 10);
    sung.insert(sung.end(), notes.begin(), notes.end());
    at += 4 * beat;
  }
  openWindow(performance(sung, at + 500));
  notes(1)->setText("a-a-");
  notes(2)->setText("c-e-");
  notes(3)->setText("g-b-");
  practiceControl<QSpinBox>("To bar")->setValue(3);
  practiceControl<QSpinBox>("From bar")->setValue(2);
  practiceControl<QSpinBox>("Tempo")->setValue(200);
  practiceControl<QSpinBox>("Passes")->setValue(3);
  practiceControl<QSpinBox>("Raise tempo by")->setValue(20);
  practiceControl<QSpinBox>("Up to")->setValue(240);
  startAfresh();

  EXPECT_EQ(results(), (QStringList{"Pass 3, 240 BPM: 3 of 4 notes right, 3 of 3 on time.",
                                    "Pass 2, 220 BPM: 4 of 4 notes right, 0 of 4 on time.",
                                    "Pass 1, 200 BPM: 4 of 4 notes right, 4 of 4 on time."}));
  EXPECT_EQ(details(), "bar 2, note 2: heard f-, wanted e-");
  practiceControl<QListWidget>("Results")->setCurrentRow(1);
  EXPECT_TRUE(details().startsWith("bar 2, note 1: 1")) << details().toStdString();
  EXPECT_TRUE(details().contains("ms late")) << details().toStdString();
  EXPECT_TRUE(isTinted(2));
  EXPECT_FALSE(isTinted(3));
}

// Reports the silent clock's play, but puts its origin `offBy` early until
// 50 ms have been heard, as a stream's first reports can be before they settle.
class SettlingOutput final : public playback::SoundOutput {
 public:
  explicit SettlingOutput(std::chrono::milliseconds offBy) : offBy_(offBy) {}
  void begin(playback::WhileWaiting whileWaiting, playback::Accompaniment accompaniment,
             playback::StreamSounds sounds) override {
    clock_.begin(std::move(whileWaiting), std::move(accompaniment), sounds);
  }
  bool sound(playback::Tone tone) override { return clock_.sound(tone); }
  void end() override { clock_.end(); }
  std::int64_t heardMs() const override { return clock_.heardMs(); }
  Clock::time_point heardOrigin() const override {
    return clock_.heardOrigin() - (clock_.heardMs() < 50 ? offBy_ : Clock::duration{});
  }

 private:
  playback::SilentClockOutput clock_;
  std::chrono::milliseconds offBy_;
};

// The first deliveries and reports of a stream are the least exact: the
// practice lines its input up by the later ones. Off by 300 ms or 100 ms, the
// first would make every note late.
TEST_F(Practice, TheInputIsLinedUpByTheLaterDeliveriesAndReports) {
  using std::chrono::milliseconds;
  struct Row {
    const char* what;
    milliseconds inputLate;
    milliseconds outputOff;
  };
  for (const Row& row : {Row{"first delivery late", milliseconds(300), milliseconds(0)},
                         Row{"first reports early", milliseconds(0), milliseconds(100)}}) {
    // 240 BPM: the count-in to 1000 ms, then c- e- g- b- sung on time.
    FakeSoundInput::Script script =
        performance(singing(1000, 250, {hzOf(60), hzOf(64), hzOf(67), hzOf(71)}), 2500);
    script.firstDeliveryLate = row.inputLate;
    openWindow(script, std::make_unique<SettlingOutput>(row.outputOff));
    notes(2)->setText("c-e-g-b-");
    practiceControl<QSpinBox>("To bar")->setValue(2);
    practiceControl<QSpinBox>("From bar")->setValue(2);
    practiceControl<QSpinBox>("Tempo")->setValue(240);
    startAfresh();

    EXPECT_EQ(results(), QStringList{"Pass 1, 240 BPM: 4 of 4 notes right, 4 of 4 on time."})
        << row.what;
  }
}

// Three practices of bars 1 to 4, each of two passes: every pass is kept, the chart
// shows them, the bar missed every time is the weakest, and one click sets the
// passage around it.
TEST_F(Practice, EveryPassIsKeptChartedAndTheWeakestBarPractisedAgain) {
  const std::int64_t beat = 250;  // 240 BPM
  std::vector<SungNote> sung;
  for (int pass = 0; pass < 2; ++pass) {
    const auto notes = singing((4 + 4 * pass) * beat, beat, {hzOf(60), hzOf(64), 0, hzOf(70)});
    sung.insert(sung.end(), notes.begin(), notes.end());
  }
  openWindow(performance(sung, 13 * beat));
  notes(2)->setText("c-e-g-bb");  // bars 1, 3 and 4 have no notes
  practiceControl<QSpinBox>("To bar")->setValue(4);
  practiceControl<QSpinBox>("Tempo")->setValue(240);
  practiceControl<QSpinBox>("Passes")->setValue(2);
  for (int session = 0; session < 3; ++session) {
    startAfresh();
    ASSERT_EQ(results().size(), 2) << session;
  }
  auto* panel = practice().findChild<HistoryPanel*>();
  ASSERT_NE(panel, nullptr);
  ASSERT_EQ(panel->chartModel().points.size(), 6U);
  ASSERT_FALSE(panel->weakBars().empty());
  EXPECT_EQ(panel->weakBars().front().bar, 2);
  EXPECT_EQ(panel->weakBars().front().notRight, 6);
  EXPECT_TRUE(status().isEmpty()) << status().toStdString();

  practiceControl<QPushButton>("Practise these")->click();
  EXPECT_EQ(practiceControl<QSpinBox>("From bar")->value(), 1);
  EXPECT_EQ(practiceControl<QSpinBox>("To bar")->value(), 3);
}

TEST_F(Practice, NoInputDeviceSaysSoAndSoundsNothing) {
  auto output = std::make_unique<playback::RecordingOutput>();
  auto* recorder = output.get();
  openWindow({.failure = practice::InputFailure::NoDevice}, std::move(output));
  notes(1)->setText("c-e-");
  practice().start();
  EXPECT_FALSE(status().isEmpty());
  EXPECT_EQ(recorder->begins(), 0);
  EXPECT_TRUE(results().isEmpty());
}

TEST_F(Practice, AnInputThatDeliversNothingStopsThePracticeAndSaysSo) {
  openWindow({.deliversNothing = true});
  notes(1)->setText("c-e-g-bb");
  notes(2)->setText("c-e-g-bb");
  control<QComboBox>("ComboBox21")->setCurrentIndex(3);
  practice().start();
  EXPECT_TRUE(status().contains("delivers no sound")) << status().toStdString();
  EXPECT_TRUE(results().isEmpty());
  EXPECT_FALSE(practice().running());
}

TEST_F(Practice, StartsFromTheKeyboardAndStopAndEscapeEndItAndAPassCutShortIsNotJudged) {
  for (const bool escape : {false, true}) {
    openWindow(performance({}, 20000));
    notes(1)->setText("c-e-g-bb");
    practice();
    auto* stop = practiceControl<QPushButton>("Stop");
    auto* start = practiceControl<QPushButton>("Start");
    bool disabledWhileRunning = false;
    QTimer::singleShot(1500, [&] {
      disabledWhileRunning = !start->isEnabled() && stop->isEnabled() &&
                             !practiceControl<QSpinBox>("Tempo")->isEnabled();
      if (escape) {
        QCoreApplication::postEvent(
            notes(1), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
      } else {
        stop->click();
      }
    });
    const auto before = std::chrono::steady_clock::now();
    // Return on Start starts it, and so does Space, as on any button.
    start->setFocus();
    QTest::keyClick(start, escape ? Qt::Key_Return : Qt::Key_Space);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(3)) << escape;
    EXPECT_TRUE(disabledWhileRunning) << escape;
    EXPECT_TRUE(results().isEmpty()) << escape;
    EXPECT_TRUE(start->isEnabled());
    EXPECT_FALSE(stop->isEnabled());
  }
}

TEST_F(Practice, ClosingTheMainWindowClosesThePracticeWindow) {
  openWindow({});
  PracticeWindow& window = practice();
  ASSERT_TRUE(window.isVisible());
  window_->close();
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace quavern
