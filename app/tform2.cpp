#include "app/tform2.h"

#include <QAction>
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMessageBox>
#include <QStringList>

#include "app/controls.h"
#include "app/window_font.h"
#include "app/window_menu.h"
#include "export/export_messages.h"
#include "music/chords.h"

namespace quavern {

int bs = music::kFlatSpelling;
int loop_ = 0;

namespace {

const QStringList kTempoEntries{"60", "80", "100", "120"};
const QStringList kLoopEntries{"1", "2", "3", "5", "10"};
const QStringList kSpellingEntries{"b", "#"};

QStringList chordEntries() {
  QStringList names;
  for (const auto name : music::kChordNames) {
    names << QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
  }
  return names;
}

void fill(QComboBox& selector, const QStringList& entries) {
  selector.clear();
  selector.addItems(entries);
  setItemIndex(selector, 0);
}

}  // namespace

TForm2::TForm2(TForm2Services services, QWidget* owner)
    : QWidget(owner), services_(std::move(services)), preferences_(services_.preferencesFile) {
  setFont(windowFont());
  setupUi(this);
  fitLabelsToText();
  bars_ = {{
      {CheckBox1, ComboBox1, Edit1},
      {CheckBox2, ComboBox2, Edit2},
      {CheckBox3, ComboBox3, Edit3},
      {CheckBox4, ComboBox4, Edit4},
      {CheckBox5, ComboBox5, Edit5},
      {CheckBox6, ComboBox6, Edit6},
      {CheckBox7, ComboBox7, Edit7},
      {CheckBox8, ComboBox8, Edit8},
      {CheckBox9, ComboBox9, Edit9},
      {CheckBox10, ComboBox10, Edit10},
      {CheckBox11, ComboBox11, Edit11},
      {CheckBox12, ComboBox12, Edit12},
      {CheckBox13, ComboBox13, Edit13},
      {CheckBox14, ComboBox14, Edit14},
      {CheckBox15, ComboBox15, Edit15},
      {CheckBox16, ComboBox16, Edit16},
  }};

  t = 60;
  loop = 1;
  bs = music::kFlatSpelling;
  fillSelectors();
  music::fillChordToneTables();
  tints_ = std::make_unique<PracticeTints>(notesFields());
  setUpMenu();
}

void TForm2::setUpMenu() {
  menu_ = new WindowMenu(*this);
  QAction& chords = menu_->chordsUnderMelody();
  chords.setChecked(preferences_.chordsUnderMelody());
  connect(&chords, &QAction::toggled, this,
          [this](bool on) { preferences_.setChordsUnderMelody(on); });
  sounds_ = services_.sounds;
  showSoundChoices();
  connect(&menu_->melodySounds(), &QActionGroup::triggered, this,
          [this](QAction* entry) { chooseSound(entry, true); });
  connect(&menu_->chordSounds(), &QActionGroup::triggered, this,
          [this](QAction* entry) { chooseSound(entry, false); });
  connect(&menu_->practise(), &QAction::triggered, this, &TForm2::Practise);
  connect(&menu_->exportSong(), &QAction::triggered, this, &TForm2::Export);
}

// The menu belongs to the window's background: the empty face and the captions.
void TForm2::contextMenuEvent(QContextMenuEvent* event) {
  QWidget* under = childAt(event->pos());
  if (under == nullptr || qobject_cast<QLabel*>(under) != nullptr) {
    soundAvailability();
    showSoundChoices();
    menu_->popUp(event->globalPos());
  }
}

void TForm2::chooseSound(QAction* entry, bool forMelody) {
  const auto sound = static_cast<playback::Sound>(entry->data().toInt());
  if (forMelody) {
    preferences_.setMelodySound(sound);
  } else {
    preferences_.setChordSound(sound);
  }
}

// Looking for the SoundFont reads its preset list, a moment's work for a large
// one: done when a sound is first asked for, not while the window is built.
const playback::SoundAvailability& TForm2::soundAvailability() const {
  if (!sounds_) {
    sounds_ = playback::findSoundFont(playback::soundFontPlaces());
  }
  return *sounds_;
}

// The menu's sound entries as chosen; the instruments off, with the reason, once
// the SoundFont is known to be missing or unreadable.
void TForm2::showSoundChoices() {
  const auto& failure = sounds_ ? sounds_->failure : std::nullopt;
  menu_->showSounds(preferences_.melodySound(), preferences_.chordSound(),
                    failure ? soundFontProblemText(*failure) : QString());
}

playback::StreamSounds TForm2::soundsToPlay() const {
  return soundAvailability().streamSounds(preferences_.melodySound(), preferences_.chordSound());
}

playback::ChordsUnder TForm2::chordsToPlayUnder() const {
  if (!preferences_.chordsUnderMelody()) {
    return std::nullopt;
  }
  return readChordIndexes();
}

TForm2::~TForm2() = default;

void TForm2::fillSelectors() {
  const auto chords = chordEntries();
  for (const auto& bar : bars_) {
    fill(*bar.chord, chords);
  }
  fill(*ComboBox21, kTempoEntries);
  fill(*ComboBox20, kLoopEntries);
  fill(*ComboBox22, kSpellingEntries);
}

// Captions size themselves to their text, so a face wider than Tahoma is never
// clipped; their left and top edges stay where the layout puts them.
void TForm2::fitLabelsToText() {
  for (auto* label : {Label1, Label2, Label3}) {
    const auto needed = label->sizeHint();
    label->resize(std::max(label->width(), needed.width()),
                  std::max(label->height(), needed.height()));
  }
}

void TForm2::showMessage(const QString& text) {
  if (services_.showMessage) {
    services_.showMessage(text);
  } else {
    QMessageBox::information(this, QStringLiteral("Quavern"), text);
  }
}

music::NotesTexts TForm2::readNotes() const {
  music::NotesTexts notes;
  for (std::size_t bar = 0; bar < bars_.size(); ++bar) {
    notes[bar] = bars_[bar].notes->text().toStdU16String();
  }
  return notes;
}

std::array<QLineEdit*, music::kBarCount> TForm2::notesFields() const {
  std::array<QLineEdit*, music::kBarCount> fields{};
  for (std::size_t bar = 0; bar < bars_.size(); ++bar) {
    fields[bar] = bars_[bar].notes;
  }
  return fields;
}

ChordIndexes TForm2::readChordIndexes() const {
  ChordIndexes chords;
  for (std::size_t bar = 0; bar < bars_.size(); ++bar) {
    chords[bar] = itemIndex(*bars_[bar].chord);
  }
  return chords;
}

music::BarChoices TForm2::readBarChoices() const {
  music::BarChoices choices;
  for (std::size_t bar = 0; bar < bars_.size(); ++bar) {
    // A partly checked box does not count as ticked.
    choices[bar] = {bars_[bar].regenerate->checkState() == Qt::Checked,
                    itemIndex(*bars_[bar].chord)};
  }
  return choices;
}

}  // namespace quavern
