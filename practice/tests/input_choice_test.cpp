// Choosing among sound inputs through a real sound server: two virtual
// microphones (see microphone_fixture.h), one of them the default, and the
// other unplugged while it is heard.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "microphone_fixture.h"
#include "practice/audio_source_input.h"
#include "practice/input_level.h"
#include "practice/testing/synthesised_player.h"

namespace quavern::practice {
namespace {

using std::chrono::milliseconds;

constexpr const char* kUsbSink = "quavern_usb_mic";
constexpr const char* kUsbSource = "quavern_usb_mic_input";
constexpr const char* kUsbDescription = "USB-microphone";

// The default microphone and a second one, not the default.
class InputChoiceTest : public MicrophoneTest {
 protected:
  void TearDown() override {
    unplugSecondMicrophone();
    MicrophoneTest::TearDown();
  }

  bool plugInSecondMicrophone() {
    return secondModules_.load({"module-null-sink", QStringLiteral("sink_name=") + kUsbSink,
                                "rate=48000", "channels=1"}) &&
           secondModules_.load(
               {"module-remap-source", QStringLiteral("master=") + kUsbSink + ".monitor",
                QStringLiteral("source_name=") + kUsbSource,
                QStringLiteral("source_properties=device.description=") + kUsbDescription}) &&
           startSilence();
  }

  // The second microphone's source goes, as a USB microphone pulled out does.
  bool unplugSecondMicrophoneSource() { return secondModules_.unloadNewest(); }

  void unplugSecondMicrophone() {
    if (silence_.state() != QProcess::NotRunning) {
      silence_.kill();
      silence_.waitForFinished();
    }
    secondModules_.unloadAll();
  }

  // The device list as Qt sees it, once the server's news has reached it.
  static std::vector<InputEntry> listedInputsOnceThere(std::size_t count) {
    std::vector<InputEntry> entries = listSoundInputs();
    for (int wait = 0; wait < 100 && entries.size() < count; ++wait) {
      QCoreApplication::processEvents();
      QThread::msleep(20);
      entries = listSoundInputs();
    }
    return entries;
  }

  // Plays 100 ms of 1 kHz at -6 dBFS into `sink` and waits for it to be played.
  static void burstInto(const char* sink) {
    const std::vector<std::int16_t> burst =
        testing::toSamples(testing::render({.hz = 1000.0, .peak = 0.5}, kRate / 10, kRate));
    QByteArray bytes(static_cast<qsizetype>(burst.size() * sizeof(std::int16_t)),
                     Qt::Uninitialized);
    std::memcpy(bytes.data(), burst.data(), burst.size() * sizeof(std::int16_t));
    QStringList arguments = playbackArguments();
    arguments.last() = QStringLiteral("--device=") + sink;
    QProcess pacat;
    pacat.start(QStringLiteral("pacat"), arguments);
    pacat.write(bytes);
    pacat.closeWriteChannel();
    pacat.waitForFinished();
  }

  void captureFor(AudioSourceInput& input, SteadyClock::duration duration) {
    const SteadyClock::time_point until = SteadyClock::now() + duration;
    while (SteadyClock::now() < until) {
      QCoreApplication::processEvents();
      input.readAvailable(captured_);
      QThread::msleep(10);
    }
  }

  // The loudest 10 ms of the capture from sample `from` on.
  double loudestLevelFrom(std::size_t from) const {
    double loudest = kQuietestLevelDbfs;
    for (std::size_t at = from; at + kRate / 100 <= captured_.size(); at += kRate / 100) {
      loudest = std::max(loudest, levelDbfs(std::span(captured_).subspan(at, kRate / 100)));
    }
    return loudest;
  }

  static constexpr int kRate = SoundInput::kSampleRate;
  std::vector<std::int16_t> captured_;

 private:
  bool startSilence() {
    QStringList arguments = playbackArguments();
    arguments.last() = QStringLiteral("--device=") + kUsbSink;
    silence_.start(QStringLiteral("pacat"), arguments << QStringLiteral("/dev/zero"));
    return silence_.waitForStarted();
  }

  QProcess silence_;
  playback::LoadedModules secondModules_;
};

TEST_F(InputChoiceTest, TheDefaultComesFirstAndAChosenMicrophoneIsHeardNotTheDefault) {
  ASSERT_TRUE(plugInMicrophone());
  ASSERT_TRUE(plugInSecondMicrophone());
  const std::vector<InputEntry> entries = listedInputsOnceThere(2);
  ASSERT_EQ(entries.size(), 2U);
  EXPECT_TRUE(entries[0].isDefault);
  EXPECT_EQ(entries[0].id, kMicrophoneSource);
  EXPECT_FALSE(entries[1].isDefault);
  EXPECT_EQ(entries[1].name, kUsbDescription);
  EXPECT_EQ(entries[1].kind, InputKind::Sound);

  AudioSourceInput input(entries[1].id);
  ASSERT_EQ(input.start(), std::nullopt);
  EXPECT_FALSE(input.fellBackToDefault());
  captureFor(input, milliseconds(300));
  std::size_t mark = captured_.size();
  burstInto(kMicrophoneSink);  // the default microphone hears it
  captureFor(input, milliseconds(300));
  const double defaultsBurst = loudestLevelFrom(mark);
  mark = captured_.size();
  burstInto(kUsbSink);
  captureFor(input, milliseconds(300));
  const double chosensBurst = loudestLevelFrom(mark);
  EXPECT_LT(defaultsBurst, -50.0);
  // A sine at half scale is -9 dBFS; PipeWire's remapping brings it up 3 dB.
  EXPECT_GT(chosensBurst, -12.0);
  EXPECT_FALSE(input.deviceLost());
}

TEST_F(InputChoiceTest, AMicrophoneGoneSinceItWasChosenGivesTheDefaultSaidSo) {
  ASSERT_TRUE(plugInMicrophone());
  AudioSourceInput input("quavern_unplugged_since");
  ASSERT_EQ(input.start(), std::nullopt);
  EXPECT_TRUE(input.fellBackToDefault());
  captureFor(input, milliseconds(200));
  const std::size_t mark = captured_.size();
  burstInto(kMicrophoneSink);
  captureFor(input, milliseconds(300));
  EXPECT_GT(loudestLevelFrom(mark), -12.0);
}

TEST_F(InputChoiceTest, AMicrophoneUnpluggedDuringACaptureIsNoticed) {
  ASSERT_TRUE(plugInMicrophone());
  ASSERT_TRUE(plugInSecondMicrophone());
  const std::vector<InputEntry> entries = listedInputsOnceThere(2);
  ASSERT_EQ(entries.size(), 2U);
  AudioSourceInput input(entries[1].id);
  ASSERT_EQ(input.start(), std::nullopt);
  captureFor(input, milliseconds(500));
  EXPECT_FALSE(input.deviceLost());

  ASSERT_TRUE(unplugSecondMicrophoneSource());
  const SteadyClock::time_point unplugged = SteadyClock::now();
  while (!input.deviceLost() && SteadyClock::now() - unplugged < milliseconds(3000)) {
    captureFor(input, milliseconds(10));
  }
  const auto noticedAfter =
      std::chrono::duration_cast<milliseconds>(SteadyClock::now() - unplugged);
  std::printf("unplugged microphone noticed after %lld ms\n",
              static_cast<long long>(noticedAfter.count()));
  EXPECT_TRUE(input.deviceLost());
  EXPECT_LE(noticedAfter, milliseconds(1000));
}

}  // namespace
}  // namespace quavern::practice
