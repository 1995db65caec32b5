#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QScreen>
#include <memory>

#include "app/controls.h"
#include "app/practice/practice_window.h"
#include "app/tform2.h"
#include "playback/play_settings.h"
#include "practice/sound_performance_input.h"

namespace quavern {
namespace {

// Without a list of the system's inputs, the microphone handed in is the one
// input there is.
PracticeInputs defaultMicrophoneOnly(
    const std::function<std::unique_ptr<practice::SoundInput>()>& microphone) {
  PracticeInputs inputs;
  inputs.list = [available = static_cast<bool>(microphone)] {
    std::vector<practice::InputEntry> entries;
    if (available) {
      entries.push_back({practice::InputKind::Sound, "Default sound input", "", true});
    }
    return entries;
  };
  inputs.open =
      [microphone](const practice::InputEntry&) -> std::unique_ptr<practice::PerformanceInput> {
    auto input = microphone ? microphone() : nullptr;
    if (!input) {
      return nullptr;
    }
    return std::make_unique<practice::SoundPerformanceInput>(std::move(input));
  };
  inputs.openSound = [microphone](const practice::InputEntry&) {
    return microphone ? microphone() : nullptr;
  };
  return inputs;
}

// The main window's tempo as beats a minute: 60000 / t, rounded.
int tempoBpmOf(int tempoIndex) {
  const int noteMs = playback::noteDurationMs(tempoIndex);
  return (60000 + noteMs / 2) / noteMs;
}

}  // namespace

// Opens the practice window beside this one, or brings it to the front.
void TForm2::Practise() {
  if (!practiceWindow_) {
    // The SoundFont is looked for now, while the window opens, rather than
    // between the player's cue and the count-in.
    soundAvailability();
    PracticeHost host;
    host.mainWindow = this;
    host.notes = [this] { return readNotes(); };
    host.chords = [this] { return readChordIndexes(); };
    host.chordsUnder = [this] { return chordsToPlayUnder(); };
    host.sounds = [this] { return soundsToPlay(); };
    host.tempoBpm = [this] { return tempoBpmOf(itemIndex(*ComboBox21)); };
    host.fields = notesFields();
    host.tints = tints_.get();
    host.output = services_.sound.get();
    host.draws = services_.draws.get();
    history_ = std::make_unique<history::HistoryStore>(services_.historyFile.isEmpty()
                                                           ? history::HistoryStore::defaultPath()
                                                           : services_.historyFile);
    host.history = history_.get();
    host.preferencesFile = services_.preferencesFile;
    PracticeInputs inputs = services_.practiceInputs.list
                                ? services_.practiceInputs
                                : defaultMicrophoneOnly(services_.microphone);
    practiceWindow_ = std::make_unique<PracticeWindow>(std::move(host), std::move(inputs), this);
    practiceWindow_->move(frameGeometry().topRight() + QPoint(8, 0));
    followSongChanges();
  }
  practiceWindow_->show();
  practiceWindow_->raise();
  practiceWindow_->activateWindow();
}

// The practice window's history shows the song as it stands now.
void TForm2::followSongChanges() {
  for (const BarControls& bar : bars_) {
    connect(bar.notes, &QLineEdit::textChanged, practiceWindow_.get(),
            &PracticeWindow::songChanged);
    connect(bar.chord, &QComboBox::currentIndexChanged, practiceWindow_.get(),
            &PracticeWindow::songChanged);
    connect(bar.chord, &QComboBox::editTextChanged, practiceWindow_.get(),
            &PracticeWindow::songChanged);
  }
}

PracticeWindow* TForm2::practiceWindow() const {
  return practiceWindow_.get();
}

// The practice window belongs to this one: it closes with it, so the program
// ends as it always has when its window is closed.
void TForm2::closeEvent(QCloseEvent* event) {
  if (practiceWindow_) {
    practiceWindow_->close();
  }
  QWidget::closeEvent(event);
}

}  // namespace quavern
