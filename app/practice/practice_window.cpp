#include "app/practice/practice_window.h"

#include <QCloseEvent>
#include <QListWidget>
#include <QTimer>
#include <chrono>
#include <thread>

#include "app/play_guard.h"
#include "app/practice/history_panel.h"
#include "app/practice_tints.h"
#include "history/history_messages.h"
#include "history/judged_pass.h"
#include "music/practice_plan.h"
#include "playback/follow_along.h"
#include "playback/practice_stream.h"
#include "practice/calibration_run.h"
#include "practice/pass_judge.h"
#include "practice/sound_input.h"
#include "ui_practice_window.h"

namespace quavern {
namespace {

using practice::SteadyClock;

// What the player played at the end of the last pass arrives after the pass
// has been heard, by the input's own buffering, and is decided only once the
// analysis has heard about 320 ms past it: the wait ends as soon as it is.
constexpr std::chrono::milliseconds kInputCatchUp{1000};
// How often the level meter and "Heard" follow the input between practices.
constexpr std::chrono::milliseconds kIdlePoll{40};
// Between practices only the latest analysis matters: older frames are let go.
constexpr std::size_t kIdleFramesKept = 64;

QString text(const std::string& ascii) {
  return QString::fromStdString(ascii);
}

QString inputName(const practice::InputEntry& entry) {
  return QString::fromStdString(entry.name);
}

}  // namespace

// What one practice holds while it runs: the core's run, the performance heard
// so far, and the mark on the main window.
struct PracticeWindow::Take {
  practice::PracticeRun run;
  practice::Performance performance;
  PlayGuard& guard;
  PlayFollower& follower;
  int delayMs = 0;
  std::optional<QString> trouble;
};

PracticeWindow::PracticeWindow(PracticeHost host, PracticeInputs inputs, QWidget* parent)
    : QWidget(parent, Qt::Window),
      ui_(std::make_unique<Ui::PracticeWindow>()),
      host_(std::move(host)),
      inputs_(std::move(inputs)),
      idleTimer_(new QTimer(this)),
      historyFollower_(new QTimer(this)) {
  ui_->setupUi(this);
  historyPanel_ = new HistoryPanel(host_.history, ui_->historyBox);
  ui_->historyLayout->addWidget(historyPanel_);
  connect(historyPanel_, &HistoryPanel::practiseRange, this, [this](int from, int to) {
    ui_->fromBar->setMaximum(16);
    ui_->toBar->setMinimum(1);
    ui_->fromBar->setValue(from);
    ui_->toBar->setValue(to);
    keepPassageInOrder();
  });
  connect(historyPanel_, &HistoryPanel::problem, this, &PracticeWindow::setStatus);
  historyFollower_->setSingleShot(true);
  historyFollower_->setInterval(300);
  connect(historyFollower_, &QTimer::timeout, this, &PracticeWindow::showHistory);
  showChoices(loadPracticeChoices(host_.preferencesFile, host_.tempoBpm ? host_.tempoBpm() : 60));
  ui_->heard->setText(QStringLiteral("-"));
  ui_->heard->setAccessibleDescription(ui_->heard->text());

  for (QSpinBox* box :
       {ui_->fromBar, ui_->toBar, ui_->tempo, ui_->passes, ui_->raiseTempo, ui_->upTo}) {
    connect(box, &QSpinBox::valueChanged, this, [this] {
      keepPassageInOrder();
      saveChoices();
      historyFollower_->start();
    });
  }
  for (QComboBox* box : {ui_->melody, ui_->instrument, ui_->pitchWithin, ui_->onTimeWithin}) {
    connect(box, &QComboBox::currentIndexChanged, this, &PracticeWindow::saveChoices);
  }
  connect(ui_->input, &QComboBox::activated, this, [this] {
    saveChoices();
    openChosenInput();
  });
  connect(ui_->inputDelay, &QSpinBox::valueChanged, this, &PracticeWindow::inputDelayChanged);
  connect(ui_->start, &QPushButton::clicked, this, &PracticeWindow::start);
  connect(ui_->stop, &QPushButton::clicked, this, &PracticeWindow::stop);
  connect(ui_->calibrate, &QPushButton::clicked, this, &PracticeWindow::calibrate);
  connect(ui_->results, &QListWidget::currentRowChanged, this, &PracticeWindow::showDetails);
  connect(idleTimer_, &QTimer::timeout, this, &PracticeWindow::listenWhileIdle);
  idleTimer_->setInterval(kIdlePoll);
  keepPassageInOrder();
}

PracticeWindow::~PracticeWindow() {
  closeInput();
}

void PracticeWindow::showChoices(const PracticeChoices& choices) {
  showingChoices_ = true;
  const music::PracticeSettings& passage = choices.passage;
  ui_->toBar->setValue(passage.toBar);
  ui_->fromBar->setValue(passage.fromBar);
  ui_->tempo->setValue(passage.tempoBpm);
  ui_->passes->setValue(passage.passes);
  ui_->raiseTempo->setValue(passage.raiseBpm);
  ui_->upTo->setValue(passage.upToBpm);
  ui_->melody->setCurrentIndex(passage.listenFirst ? 1 : 0);
  ui_->instrument->setCurrentIndex(static_cast<int>(choices.transposition));
  ui_->pitchWithin->setCurrentIndex(choices.pitchWithinChoice);
  ui_->onTimeWithin->setCurrentIndex(choices.onTimeWithinChoice);
  ui_->input->setProperty("remembered", choices.inputName);
  showingChoices_ = false;
}

PracticeChoices PracticeWindow::readChoices() const {
  PracticeChoices choices;
  music::PracticeSettings& passage = choices.passage;
  passage.fromBar = ui_->fromBar->value();
  passage.toBar = ui_->toBar->value();
  passage.tempoBpm = ui_->tempo->value();
  passage.passes = ui_->passes->value();
  passage.raiseBpm = ui_->raiseTempo->value();
  passage.upToBpm = ui_->upTo->value();
  passage.listenFirst = ui_->melody->currentIndex() == 1;
  choices.transposition = static_cast<practice::Transposition>(ui_->instrument->currentIndex());
  choices.pitchWithinChoice = ui_->pitchWithin->currentIndex();
  choices.onTimeWithinChoice = ui_->onTimeWithin->currentIndex();
  const auto input = chosenInput();
  choices.inputName = input ? inputName(*input) : ui_->input->property("remembered").toString();
  return choices;
}

practice::JudgeSettings PracticeWindow::readJudgeSettings() const {
  const PracticeChoices choices = readChoices();
  practice::JudgeSettings settings;
  settings.transposition = choices.transposition;
  settings.pitchWithinCents =
      practice::kPitchWithinChoices.at(static_cast<std::size_t>(choices.pitchWithinChoice));
  settings.onTimeWithinMs =
      practice::kOnTimeWithinChoices.at(static_cast<std::size_t>(choices.onTimeWithinChoice));
  return settings;
}

void PracticeWindow::saveChoices() {
  if (!showingChoices_) {
    savePracticeChoices(host_.preferencesFile, readChoices());
  }
}

// From cannot pass To, nor To come before From: each bounds the other.
void PracticeWindow::keepPassageInOrder() {
  ui_->fromBar->setMaximum(ui_->toBar->value());
  ui_->toBar->setMinimum(ui_->fromBar->value());
}

void PracticeWindow::songChanged() {
  if (!running_) {
    historyFollower_->start();
  }
}

void PracticeWindow::showHistory() {
  if (host_.notes && host_.chords) {
    historyPanel_->showSong(host_.notes(), host_.chords(), ui_->fromBar->value(),
                            ui_->toBar->value());
  }
}

void PracticeWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  showHistory();
  if (!input_) {
    listInputs();
    openChosenInput();
  }
}

void PracticeWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!running_) {
    closeInput();
  }
}

// Closing the window ends the practice running in it; the window goes once
// the practice has let go of the sound.
void PracticeWindow::closeEvent(QCloseEvent* event) {
  if (running_) {
    closeAsked_ = true;
    stopAsked_ = true;
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

void PracticeWindow::listInputs() {
  entries_ = inputs_.list ? inputs_.list() : std::vector<practice::InputEntry>{};
  const QString remembered = ui_->input->property("remembered").toString();
  const practice::InputChoice choice = practice::chooseInput(entries_, remembered.toStdString());
  ui_->input->clear();
  for (const practice::InputEntry& entry : entries_) {
    ui_->input->addItem(text(practice::inputLabel(entry)));
  }
  if (choice.choice) {
    const auto at = std::find_if(entries_.begin(), entries_.end(), [&](const auto& entry) {
      return entry.name == choice.choice->name;
    });
    ui_->input->setCurrentIndex(static_cast<int>(at - entries_.begin()));
  }
  if (choice.fellBack && choice.choice) {
    setStatus(
        tr("%1 is not connected: using %2 instead.").arg(remembered, inputName(*choice.choice)));
  } else if (!choice.choice) {
    setStatus(tr("No sound input was found."));
  }
}

std::optional<practice::InputEntry> PracticeWindow::chosenInput() const {
  const int index = ui_->input->currentIndex();
  if (index < 0 || index >= static_cast<int>(entries_.size())) {
    return std::nullopt;
  }
  return entries_[static_cast<std::size_t>(index)];
}

void PracticeWindow::openChosenInput() {
  closeInput();
  const auto entry = chosenInput();
  showInputDelay();
  if (!entry || !inputs_.open) {
    return;
  }
  input_ = inputs_.open(*entry);
  if (!input_ || input_->start()) {
    input_.reset();
    setStatus(tr("%1 could not be opened.").arg(inputName(*entry)));
    return;
  }
  ui_->inputLevel->setEnabled(entry->kind == practice::InputKind::Sound);
  ui_->calibrate->setEnabled(canCalibrate());
  idle_ = {};
  idleTimer_->start();
}

// Only a sound input can hear the speakers.
bool PracticeWindow::canCalibrate() const {
  const auto entry = chosenInput();
  return entry && entry->kind == practice::InputKind::Sound && inputs_.openSound &&
         host_.draws != nullptr && host_.output != nullptr;
}

void PracticeWindow::closeInput() {
  idleTimer_->stop();
  if (input_) {
    input_->stop();
    input_.reset();
  }
}

void PracticeWindow::showInputDelay() {
  const auto entry = chosenInput();
  const InputDelay delay =
      entry ? loadInputDelay(host_.preferencesFile, inputName(*entry)) : InputDelay{};
  const QSignalBlocker quiet(ui_->inputDelay);
  ui_->inputDelay->setValue(delay.ms);
  const QString how = delay.measured ? tr("measured") : tr("set by hand");
  ui_->inputDelay->setAccessibleDescription(tr("Input delay: %1 ms (%2)").arg(delay.ms).arg(how));
}

void PracticeWindow::inputDelayChanged(int ms) {
  if (const auto entry = chosenInput()) {
    saveInputDelay(host_.preferencesFile, inputName(*entry), {ms, false});
  }
  showInputDelay();
}

// Between practices the meter and "Heard" still follow the input, so the
// player can check the microphone before starting.
void PracticeWindow::listenWhileIdle() {
  if (!input_ || running_) {
    return;
  }
  input_->poll(idle_);
  showLevel();
  const auto latest = idle_.frames.empty() ? std::optional<double>{} : idle_.frames.back().hz;
  const QString heard = text(practice::heardText(latest, readJudgeSettings().transposition));
  if (ui_->heard->text() != heard) {
    ui_->heard->setText(heard);
    ui_->heard->setAccessibleDescription(heard);
  }
  if (idle_.frames.size() > kIdleFramesKept) {
    idle_.frames.erase(idle_.frames.begin(), idle_.frames.end() - kIdleFramesKept / 2);
    idle_.onsets.clear();
  }
  if (const auto trouble = inputTrouble()) {
    setStatus(*trouble);
    closeInput();
  }
}

void PracticeWindow::showLevel() {
  const std::optional<double> level = input_ ? input_->levelDbfs() : std::nullopt;
  if (level) {
    ui_->inputLevel->setValue(static_cast<int>(std::lround(*level)));
  }
}

std::optional<QString> PracticeWindow::inputTrouble() const {
  const auto entry = chosenInput();
  const QString name = entry ? inputName(*entry) : tr("The input");
  if (!input_) {
    return tr("No sound input was found.");
  }
  if (input_->deviceLost()) {
    return tr("%1 is gone: the practice has stopped.").arg(name);
  }
  if (input_->hasStalled(SteadyClock::now())) {
    return tr("%1 delivers no sound: the practice has stopped.").arg(name);
  }
  return std::nullopt;
}

void PracticeWindow::start() {
  if (running_ || host_.output == nullptr) {
    return;
  }
  if (!input_) {
    listInputs();
    openChosenInput();
  }
  if (!input_) {
    setStatus(tr("No sound input was found."));
    return;
  }
  const PracticeChoices choices = readChoices();
  const music::PracticeSettings settings = music::clamped(choices.passage);
  practisedSong_ = {host_.notes(), host_.chords ? host_.chords() : music::ChordIndexes{}};
  const music::PracticePlan plan = music::planPractice(practisedSong_.notes, settings);
  const playback::PracticeStream stream =
      playback::practiceStream(plan, host_.chordsUnder ? host_.chordsUnder() : std::nullopt);

  results_.clear();
  ui_->results->clear();
  ui_->details->clear();
  setStatus({});
  if (host_.tints != nullptr) {
    host_.tints->clear();
  }
  setRunning(true);
  bool closeMain = false;
  {
    PlayGuard guard(*host_.mainWindow, this);
    PlayFollower follower(host_.fields, [&plan](std::int64_t heardMs) {
      return playback::markInPractice(heardMs, plan);
    });
    Take take{practice::PracticeRun(plan, readJudgeSettings()),
              {},
              guard,
              follower,
              ui_->inputDelay->value(),
              std::nullopt};
    const playback::PlayOutcome outcome = playback::playPracticeStream(
        stream, *host_.output, [&] { return whilePractising(take); },
        host_.sounds ? host_.sounds() : playback::StreamSounds{});
    const auto catchUpUntil = SteadyClock::now() + kInputCatchUp;
    while (outcome == playback::PlayOutcome::Finished && !take.run.finished() &&
           SteadyClock::now() < catchUpUntil && !guard.closeRequested() && !take.trouble) {
      std::this_thread::sleep_for(playback::kLongestWaitSlice / 2);
      whilePractising(take);
    }
    guard.finish();
    closeMain = guard.closeRequested();
    if (take.trouble) {
      setStatus(*take.trouble);
    }
  }
  setRunning(false);
  if (closeMain) {
    close();
    host_.mainWindow->close();
    return;
  }
  if (closeAsked_) {
    closeAsked_ = false;
    close();
  }
}

// Sounds eight tones and measures when the input hears them: the input's
// delay beyond what the sound server reports. The window stays as it is while
// the tones sound, and Stop or Escape end it with the delay unchanged.
void PracticeWindow::calibrate() {
  const auto entry = chosenInput();
  if (running_ || !entry || !inputs_.openSound || host_.draws == nullptr ||
      host_.output == nullptr) {
    return;
  }
  closeInput();
  std::unique_ptr<practice::SoundInput> sound = inputs_.openSound(*entry);
  setRunning(true);
  setStatus(tr("Calibrating: keep the microphone where it hears the speakers."));
  std::optional<practice::CalibrationResult> result;
  bool closeMain = false;
  if (sound) {
    PlayGuard guard(*host_.mainWindow, this);
    const practice::CalibrationRun run =
        practice::calibrateInput(*host_.output, *sound, *host_.draws, [&] {
          const playback::PlayControl asked = guard.keepWindowAlive();
          return asked == playback::PlayControl::Continue && stopAsked_
                     ? playback::PlayControl::Stop
                     : asked;
        });
    guard.finish();
    closeMain = guard.closeRequested();
    if (!stopAsked_) {
      result = run.result;
    }
  }
  setRunning(false);
  if (closeMain) {
    close();
    host_.mainWindow->close();
    return;
  }
  if (!sound) {
    setStatus(tr("%1 could not be opened.").arg(inputName(*entry)));
  } else if (result) {
    showCalibration(*result);
  } else {
    setStatus({});
  }
  openChosenInput();
}

void PracticeWindow::showCalibration(const practice::CalibrationResult& result) {
  if (result.failure == practice::CalibrationFailure::InputDidNotStart) {
    setStatus(tr("No sound input was found."));
    return;
  }
  if (result.failure == practice::CalibrationFailure::InputLostSamples) {
    setStatus(tr("Calibration failed: the input lost some of the sound; try again"));
    return;
  }
  if (result.failure) {
    setStatus(tr("Calibration failed: the input did not hear the tones clearly"));
    return;
  }
  const auto entry = chosenInput();
  const int ms = static_cast<int>(std::clamp<std::int64_t>(
      result.delayMs, practice::kEarliestInputDelayMs, practice::kLatestInputDelayMs));
  if (entry) {
    saveInputDelay(host_.preferencesFile, inputName(*entry), {ms, true});
  }
  showInputDelay();
  setStatus(tr("Input delay: %1 ms (measured)").arg(ms));
}

void PracticeWindow::stop() {
  stopAsked_ = true;
}

// Runs every few milliseconds while the practice sounds: keeps both windows
// alive, reads the input into the performance, judges what it now covers and
// shows where the listener is.
playback::PlayControl PracticeWindow::whilePractising(Take& take) {
  const playback::PlayControl asked = take.guard.keepWindowAlive();
  const std::int64_t heardMs = host_.output->heardMs();
  take.follower.showHeard(heardMs);
  input_->poll(take.performance);
  alignInput(take, heardMs);
  for (const practice::FinishedPass& pass : take.run.update(take.performance)) {
    showFinishedPass(pass);
  }
  ui_->lane->setModel(take.run.lane(heardMs, take.performance));
  const auto& frames = take.performance.frames;
  const QString heard = text(practice::heardText(frames.empty() ? std::nullopt : frames.back().hz,
                                                 readJudgeSettings().transposition));
  if (ui_->heard->text() != heard) {
    ui_->heard->setText(heard);
    ui_->heard->setAccessibleDescription(heard);
  }
  showLevel();
  if (!take.trouble) {
    take.trouble = inputTrouble();
  }
  if (asked != playback::PlayControl::Continue) {
    return asked;
  }
  return stopAsked_ || take.trouble ? playback::PlayControl::Stop : asked;
}

// Lines the input up with the stream once the output has reported what was
// heard and the input has delivered, and again at every poll until the first
// note to judge is heard: the input's capture instant is a bound that its
// later deliveries can only tighten (a device's first ones often come late),
// and the output's first reports, in a stream's first tens of milliseconds,
// put its origin up to 40 ms off on PulseAudio before they settle.
void PracticeWindow::alignInput(Take& take, std::int64_t heardMs) {
  const std::optional<practice::SteadyClock::time_point> captureStart = input_->timelineStart();
  if (heardMs <= 0 || !captureStart || (take.run.aligned() && !take.run.takesAlignment(heardMs))) {
    return;
  }
  const std::int64_t origin = practice::inputIndexAt(host_.output->heardOrigin(), *captureStart,
                                                     practice::kPerformanceRate);
  take.run.align({origin + take.delayMs * practice::kPerformanceRate / 1000});
}

void PracticeWindow::showFinishedPass(const practice::FinishedPass& pass) {
  results_.push_back(pass);
  const QString line = text(practice::passResultLine(pass.number, pass.bpm, pass.verdicts));
  ui_->results->insertItem(0, line);
  ui_->results->setCurrentRow(0);
  if (host_.tints != nullptr) {
    host_.tints->clear();
    host_.tints->tint(practice::barsNotRight(pass.verdicts));
  }
  if (pass.loudestDbfs <= practice::kTooQuietDbfs) {
    setStatus(tr("Pass %1: Input too quiet").arg(pass.number));
  }
  keepInHistory(pass);
}

void PracticeWindow::keepInHistory(const practice::FinishedPass& pass) {
  if (host_.history == nullptr) {
    return;
  }
  const music::PracticeSettings settings = music::clamped(readChoices().passage);
  const history::PassRecord record =
      history::judgedPassRecord(pass, practisedSong_, {settings.fromBar, settings.toBar},
                                readJudgeSettings(), QDateTime::currentDateTimeUtc());
  const auto stored = host_.history->storePass(record);
  if (!stored) {
    setStatus(history::historyProblemText(stored.error()));
    return;
  }
  historyPanel_->showSong(practisedSong_.notes, practisedSong_.chords, settings.fromBar,
                          settings.toBar);
}

void PracticeWindow::showDetails() {
  const int row = ui_->results->currentRow();
  if (row < 0 || row >= static_cast<int>(results_.size())) {
    ui_->details->clear();
    return;
  }
  const practice::FinishedPass& pass =
      results_[results_.size() - 1 - static_cast<std::size_t>(row)];
  QStringList lines;
  for (const std::string& line : practice::passDetailLines(pass.verdicts)) {
    lines << text(line);
  }
  ui_->details->setPlainText(lines.join('\n'));
}

void PracticeWindow::setRunning(bool running) {
  running_ = running;
  stopAsked_ = false;
  for (QWidget* setting :
       std::initializer_list<QWidget*>{ui_->passageBox, ui_->inputBox, ui_->start}) {
    setting->setEnabled(!running);
  }
  ui_->stop->setEnabled(running);
  ui_->calibrate->setEnabled(!running && canCalibrate());
  (running ? ui_->stop : ui_->start)->setFocus(Qt::OtherFocusReason);
  if (!running && input_) {
    idle_ = {};
    idleTimer_->start();
  } else {
    idleTimer_->stop();
  }
}

// The status line is a read-only field: a screen reader reads its text.
void PracticeWindow::setStatus(const QString& status) {
  ui_->status->setText(status);
  ui_->status->setAccessibleDescription(status);
}

}  // namespace quavern
