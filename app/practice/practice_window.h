#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/play_follower.h"
#include "app/practice/practice_preferences.h"
#include "history/history_store.h"
#include "music/bar_generator.h"
#include "music/bars.h"
#include "music/practice_plan.h"
#include "playback/play.h"
#include "playback/sound_output.h"
#include "practice/calibration.h"
#include "practice/input_devices.h"
#include "practice/performance_input.h"
#include "practice/practice_run.h"
#include "practice/sound_input.h"

class QTimer;

namespace Ui {
class PracticeWindow;
}

namespace quavern {

class HistoryPanel;
class PracticeTints;

// What the practice window uses of the main window: the song as it stands, the
// fields its follow-along mark walks, the tints of the bars to practise again,
// and the sound output they share.
struct PracticeHost {
  QWidget* mainWindow = nullptr;  // takes no input while a practice runs
  std::function<music::NotesTexts()> notes;
  std::function<music::ChordIndexes()> chords;
  std::function<playback::ChordsUnder()> chordsUnder;
  std::function<playback::StreamSounds()> sounds;  // the melody's and the chords' sounds
  std::function<int()> tempoBpm;                   // the main window's tempo selector, as BPM
  NotesFields fields{};
  PracticeTints* tints = nullptr;
  playback::SoundOutput* output = nullptr;
  music::DrawSource* draws = nullptr;        // when a calibration's tones sound
  history::HistoryStore* history = nullptr;  // where every judged pass is kept; none: not kept
  QString preferencesFile;                   // empty: the user's configuration folder
};

// Where a practice can listen: the inputs the system lists now, and how to
// open one.
struct PracticeInputs {
  std::function<std::vector<practice::InputEntry>()> list;
  std::function<std::unique_ptr<practice::PerformanceInput>(const practice::InputEntry&)> open;
  // The sound input itself, for a calibration to record.
  std::function<std::unique_ptr<practice::SoundInput>(const practice::InputEntry&)> openSound;
};

// "Quavern practice": a passage practised pass after pass, with a tempo ramp,
// the heard pitch drawn live over the notes, and each pass judged for pitch
// and timing. A thin adapter: it reads its controls into settings, runs the
// practice core and shows what the core reports.
class PracticeWindow : public QWidget {
  Q_OBJECT

 public:
  PracticeWindow(PracticeHost host, PracticeInputs inputs, QWidget* parent = nullptr);
  ~PracticeWindow() override;

  bool running() const { return running_; }

 public slots:
  void start();
  void stop();
  void calibrate();
  // The main window's song has changed: the history shown follows it.
  void songChanged();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Take;

  void showChoices(const PracticeChoices& choices);
  PracticeChoices readChoices() const;
  practice::JudgeSettings readJudgeSettings() const;
  void saveChoices();
  void keepPassageInOrder();

  void listInputs();
  void openChosenInput();
  void closeInput();
  bool canCalibrate() const;
  std::optional<practice::InputEntry> chosenInput() const;
  void showInputDelay();
  void showCalibration(const practice::CalibrationResult& result);
  void inputDelayChanged(int ms);
  void listenWhileIdle();
  void showLevel();

  playback::PlayControl whilePractising(Take& take);
  void alignInput(Take& take, std::int64_t heardMs);
  void showFinishedPass(const practice::FinishedPass& pass);
  void keepInHistory(const practice::FinishedPass& pass);
  void showHistory();
  void showDetails();
  void setRunning(bool running);
  void setStatus(const QString& text);
  std::optional<QString> inputTrouble() const;

  std::unique_ptr<Ui::PracticeWindow> ui_;
  PracticeHost host_;
  PracticeInputs inputs_;
  std::vector<practice::InputEntry> entries_;
  std::unique_ptr<practice::PerformanceInput> input_;
  practice::Performance idle_;
  QTimer* idleTimer_;
  QTimer* historyFollower_;  // the song's history is read once typing pauses
  HistoryPanel* historyPanel_;
  history::SongKey practisedSong_;
  std::vector<practice::FinishedPass> results_;  // oldest first; the list shows newest first
  bool running_ = false;
  bool stopAsked_ = false;
  bool closeAsked_ = false;
  bool showingChoices_ = false;
};

}  // namespace quavern
