// "Melody sound" and "Chords sound": the menu entries, what play is handed, their memory,
// and what is left when there is no SoundFont.
#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

#include "export/song_export.h"
#include "playback/pitch.h"
#include "playback/recording_output.h"
#include "playback/sound_font.h"
#include "practice/fake_sound_input.h"
#include "window_fixture.h"

namespace quavern {
namespace {

using playback::Sound;

const playback::SoundAvailability kInstalled{"/usr/share/sounds/sf2/default-GM.sf2", {}};
const playback::SoundAvailability kNone{
    {}, playback::SoundFontFailure{playback::SoundFontProblem::kNotInstalled, {}}};

class SoundsOption : public WindowTest {
 protected:
  void openWindow(const playback::SoundAvailability& sounds) {
    auto output = std::make_unique<playback::RecordingOutput>();
    recorder_ = output.get();
    TForm2Services services;
    services.sound = std::move(output);
    services.preferencesFile = folder_.filePath("quavern.ini");
    services.historyFile = folder_.filePath("practice.sqlite");
    services.microphone = [] {
      return std::make_unique<practice::FakeSoundInput>(practice::FakeSoundInput::Script{});
    };
    services.sounds = sounds;
    services.showMessage = [this](const QString& text) { messages_ << text; };
    services.askExportFile = [this](const QString&, const QStringList& filters) {
      return ExportTarget{folder_.filePath("song.mid"), filters.front()};
    };
    window_ = std::make_unique<TForm2>(std::move(services));
    notes(1)->setText("c-e-g-bb");
  }

  QMenu* submenu(const QString& title) const {
    for (QMenu* menu : window_->findChildren<QMenu*>()) {
      if (menu->title() == title) {
        return menu;
      }
    }
    ADD_FAILURE() << "no submenu " << title.toStdString();
    return nullptr;
  }

  QAction* entry(const QString& title, const QString& text) const {
    for (QAction* action : submenu(title)->actions()) {
      if (action->text() == text) {
        return action;
      }
    }
    ADD_FAILURE() << "no entry " << text.toStdString();
    return nullptr;
  }

  QStringList ticked(const QString& title) const {
    QStringList found;
    for (QAction* action : submenu(title)->actions()) {
      if (action->isChecked()) {
        found << action->text();
      }
    }
    return found;
  }

  playback::StreamSounds played() {
    window_->Button2Click();
    return recorder_->sounds();
  }

  QTemporaryDir folder_;
  playback::RecordingOutput* recorder_ = nullptr;
};

TEST_F(SoundsOption, OfferTheCatalogueWithTheSteadyToneAtFirst) {
  openWindow(kInstalled);
  const QStringList catalogue{"Steady tone (as designed)",
                              "Acoustic grand piano",
                              "Electric piano",
                              "Vibraphone",
                              "Nylon guitar",
                              "Jazz guitar",
                              "Acoustic bass",
                              "Flute",
                              "Alto sax",
                              "Trumpet",
                              "Strings"};
  for (const QString title : {"Melody sound", "Chords sound"}) {
    QStringList shown;
    for (const QAction* action : submenu(title)->actions()) {
      if (action->isVisible()) {
        shown << action->text();
        EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();
      }
    }
    EXPECT_EQ(shown, catalogue);
    EXPECT_EQ(ticked(title), QStringList{"Steady tone (as designed)"});
  }
  EXPECT_EQ(played(),
            (playback::StreamSounds{Sound::kSteadyTone, Sound::kSteadyTone, kInstalled.soundFont}));
}

TEST_F(SoundsOption, ChoicesReachPlayAndExportAndAreRememberedByTheNextWindow) {
  openWindow(kInstalled);
  entry("Melody sound", "Acoustic grand piano")->trigger();
  entry("Chords sound", "Jazz guitar")->trigger();
  const playback::StreamSounds chosen{Sound::kAcousticGrandPiano, Sound::kJazzGuitar,
                                      kInstalled.soundFont};
  EXPECT_EQ(played(), chosen);
  EXPECT_EQ(ticked("Melody sound"), QStringList{"Acoustic grand piano"});

  window_->Export();
  exporting::SongExport song;
  song.chords.fill(music::kNoChord);
  for (std::size_t bar = 0; bar < song.notes.size(); ++bar) {
    song.notes[bar] = notes(static_cast<int>(bar) + 1)->text().toStdU16String();
    song.chords[bar] = chord(static_cast<int>(bar) + 1)->currentIndex();
  }
  song.sounds = chosen;
  const QString reference = folder_.filePath("reference.mid");
  ASSERT_TRUE(exporting::exportSong(song, exporting::Format::kMidi, reference.toStdU16String()));
  QFile written(folder_.filePath("song.mid"));
  QFile expected(reference);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly) && expected.open(QIODevice::ReadOnly));
  EXPECT_EQ(written.readAll(), expected.readAll());

  openWindow(kInstalled);
  EXPECT_EQ(ticked("Chords sound"), QStringList{"Jazz guitar"});
  EXPECT_EQ(played(), chosen);
}

// The practice window listens first in the melody's sound, over the chords'.
TEST_F(SoundsOption, APracticeThatListensFirstSoundsTheChosenInstruments) {
  openWindow(kInstalled);
  entry("Melody sound", "Acoustic grand piano")->trigger();
  entry("Chords sound", "Nylon guitar")->trigger();
  window_->Practise();
  PracticeWindow& practice = *window_->practiceWindow();
  QComboBox* melody = nullptr;
  for (auto* box : practice.findChildren<QComboBox*>()) {
    melody = box->accessibleName() == "Melody" ? box : melody;
  }
  ASSERT_NE(melody, nullptr);
  melody->setCurrentIndex(1);  // "Listen first"
  practice.start();
  EXPECT_EQ(recorder_->sounds(),
            (playback::StreamSounds{Sound::kAcousticGrandPiano, Sound::kNylonGuitar,
                                    kInstalled.soundFont}));
  const auto& tones = recorder_->tones();
  ASSERT_GE(tones.size(), 6U);
  EXPECT_EQ(tones[4].frequencyHz, playback::frequencyOf(u"c-"))
      << "the passage is sounded after the count-in";
  EXPECT_EQ(tones[4].role, playback::Tone::Role::kMelody);
  EXPECT_EQ(tones[0].role, playback::Tone::Role::kCountIn);
}

TEST_F(SoundsOption, WithoutASoundFontInstrumentsAreDisabledWithTheReasonAndTonesSound) {
  openWindow(kInstalled);
  entry("Melody sound", "Flute")->trigger();
  openWindow(kNone);
  const QString reason = "No General MIDI SoundFont is installed: install fluid-soundfont-gm";
  for (const QString title : {"Melody sound", "Chords sound"}) {
    EXPECT_TRUE(entry(title, "Steady tone (as designed)")->isEnabled());
    EXPECT_FALSE(entry(title, "Flute")->isEnabled());
    EXPECT_EQ(entry(title, "Flute")->toolTip(), reason);
    const QAction* shown = entry(title, reason);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_FALSE(shown->isEnabled());
  }
  EXPECT_EQ(played().melody, Sound::kSteadyTone);
  EXPECT_TRUE(messages_.isEmpty());
}

}  // namespace
}  // namespace quavern
