// A practice through a real sound server: the count-in goes to the default
// sink, a prepared performance is played into a virtual microphone in time
// with it, and the window judges what the microphone heard.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProcess>
#include <cstring>

#include "app/practice_tints.h"
#include "app/tform2.h"
#include "playback/audio_sink_output.h"
#include "practice/audio_source_input.h"
#include "practice/testing/synthesised_player.h"
#include "practice/tests/microphone_fixture.h"

namespace quavern {
namespace {

using practice::testing::hzOf;
using practice::testing::SungNote;
using practice::testing::Voice;

constexpr int kRate = practice::SoundInput::kSampleRate;
constexpr std::int64_t kNoteMs = 500;  // tempo "120"

SungNote sung(std::int64_t k, Voice voice) {
  const std::int64_t slotMs = (4 + k) * kNoteMs;
  return {slotMs + 40, slotMs + 460, std::move(voice)};
}

class PracticeThroughTheServer : public practice::MicrophoneTest {};

TEST_F(PracticeThroughTheServer, APerformanceIntoTheMicrophoneIsJudgedNoteByNote) {
  ASSERT_TRUE(plugInMicrophone());
  QStringList messages;
  TForm2Services services;
  services.sound = std::make_unique<playback::AudioSinkOutput>();
  services.microphone = [] { return std::make_unique<practice::AudioSourceInput>(); };
  services.showMessage = [&](const QString& text) { messages << text; };
  TForm2 window(std::move(services));
  window.show();
  window.findChild<QComboBox*>("ComboBox21")->setCurrentIndex(3);
  window.findChild<QLineEdit*>("Edit1")->setText("c-e-g-bb");
  window.findChild<QLineEdit*>("Edit2")->setText("a-f#");

  // Sung with overtones, and a note sung a fifth off; one left out.
  const Voice singer{.partials = practice::testing::sawtoothPartials(6)};
  const auto at = [&](double semitones) {
    Voice voice = singer;
    voice.hz = hzOf(semitones);
    return voice;
  };
  const std::vector<SungNote> take{sung(0, at(60)), sung(1, at(64)), sung(2, at(74)),
                                   sung(3, at(70)), sung(5, at(54))};
  const std::vector<std::int16_t> sound =
      practice::testing::toSamples(practice::testing::perform(take, (4 + 7) * kNoteMs, kRate));
  QByteArray bytes(static_cast<qsizetype>(sound.size() * 2), Qt::Uninitialized);
  std::memcpy(bytes.data(), sound.data(), sound.size() * 2);
  QProcess pacat;
  pacat.start(QStringLiteral("pacat"), playbackArguments());
  pacat.write(bytes);
  pacat.closeWriteChannel();
  window.Practise();
  pacat.waitForFinished();

  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages.front(),
            "Practice: 4 of 6 notes right.\n"
            "bar 1, note 3: heard d-, wanted g-\n"
            "bar 2, note 1: missed, wanted a-");
  const auto tinted = [&](const char* name) {
    return window.findChild<QLineEdit*>(name)->palette().color(QPalette::Base) ==
           practiceTintColour();
  };
  EXPECT_TRUE(tinted("Edit1"));
  EXPECT_TRUE(tinted("Edit2"));
  EXPECT_FALSE(tinted("Edit3"));
}

}  // namespace
}  // namespace quavern
