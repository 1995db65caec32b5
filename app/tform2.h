#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/export_choice.h"
#include "app/practice/practice_window.h"
#include "app/practice_tints.h"
#include "app/preferences.h"
#include "music/bar_generator.h"
#include "music/make_command.h"
#include "playback/play.h"
#include "playback/silent_clock_output.h"
#include "playback/sound_font.h"
#include "playback/sound_output.h"
#include "practice/sound_input.h"
#include "ui_tform2.h"

class QCheckBox;
class QContextMenuEvent;
class QComboBox;
class QLineEdit;

namespace quavern {

class WindowMenu;

// Spelling of the notes that "make" writes: 1 flat names, 2 sharp names.
extern int bs;
// The loop count as it was when the running play started; play restores it.
extern int loop_;

// Shows one text to the user and returns when it has been read.
using ShowMessage = std::function<void(const QString& text)>;

// What the window is handed instead of reaching for globals, so that tests can
// script the draws and catch the messages.
struct TForm2Services {
  std::unique_ptr<music::DrawSource> draws = std::make_unique<music::SeededDraws>();
  ShowMessage showMessage;  // empty: a modal message box
  // Where play sounds; the program hands in the sound device.
  std::unique_ptr<playback::SoundOutput> sound = std::make_unique<playback::SilentClockOutput>();
  // Where the window's remembered choices are kept; empty: the user's
  // configuration folder.
  QString preferencesFile;
  // Asks where to export the song, offering these filters; empty: the
  // standard save dialog.
  std::function<std::optional<ExportTarget>(const QString& suggested, const QStringList& filters)>
      askExportFile;
  // Which sounds can be heard; empty: looked up in the places Debian installs a
  // General MIDI SoundFont.
  std::optional<playback::SoundAvailability> sounds;
  // Opens the microphone for a practice; empty: there is none.
  std::function<std::unique_ptr<practice::SoundInput>()> microphone;
  // The inputs a practice can choose from; empty: the microphone above alone.
  PracticeInputs practiceInputs;
  // Where the practice history is kept; empty: the user's data folder.
  QString historyFile;
};

// The three controls that make up one bar of the song.
struct BarControls {
  QCheckBox* regenerate;
  QComboBox* chord;
  QLineEdit* notes;
};

using music::ChordIndexes;

// The main window: 16 bars in a 4 x 4 grid, the file row above them and the
// settings row below. Each handler reads the controls into plain values, calls
// one function of the core and writes the result back.
class TForm2 : public QWidget, private Ui::TForm2 {
  Q_OBJECT

 public:
  explicit TForm2(TForm2Services services = {}, QWidget* owner = nullptr);
  ~TForm2() override;

  // Note duration in milliseconds, set by each play from the tempo selector.
  int t = 60;
  // How many passes play makes over the song.
  int loop = 1;

 public slots:
  void Button1Click();      // make
  void Button2Click();      // play
  void Button3Click();      // save
  void Button4Click();      // open
  void Button5Click();      // stop
  void ComboBox20Select();  // loop count chosen
  void ComboBox22Select();  // spelling chosen
  void Practise();          // open the practice window
  PracticeWindow* practiceWindow() const;
  void Export();  // write the song as sound, MIDI or a lead sheet

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void setUpMenu();
  void followSongChanges();
  playback::ChordsUnder chordsToPlayUnder() const;
  // The sounds chosen in the menu, as they can sound.
  playback::StreamSounds soundsToPlay() const;
  const playback::SoundAvailability& soundAvailability() const;
  void showSoundChoices();
  void chooseSound(QAction* entry, bool forMelody);
  std::optional<ExportTarget> askExportFile(const QString& suggested);
  void fillSelectors();
  void fitLabelsToText();
  void showMessage(const QString& text);

  music::NotesTexts readNotes() const;
  std::array<QLineEdit*, music::kBarCount> notesFields() const;
  ChordIndexes readChordIndexes() const;
  music::BarChoices readBarChoices() const;

  std::array<BarControls, music::kBarCount> bars_;
  TForm2Services services_;
  Preferences preferences_;
  mutable std::optional<playback::SoundAvailability> sounds_;  // looked up when first needed
  std::unique_ptr<PracticeTints> tints_;
  WindowMenu* menu_ = nullptr;
  std::unique_ptr<history::HistoryStore> history_;
  std::unique_ptr<PracticeWindow> practiceWindow_;
};

}  // namespace quavern
