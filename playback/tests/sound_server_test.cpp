// Plays through a real sound server, PulseAudio or PipeWire (started by the
// test fixture with a null sink as the default sink), and judges what its
// monitor recorded.
#include <gtest/gtest.h>

#include <QDir>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "playback/audio_sink_output.h"
#include "playback/play.h"
#include "playback/testing/monitor_recorder.h"
#include "playback/testing/recording_analysis.h"
#include "playback/testing/signal_analysis.h"
#include "playback/tone_synth.h"
#include "sound_server_fixture.h"

namespace quavern::playback {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr int kRate = AudioSinkOutput::kSampleRate;

void checkTones(const testing::RecordingReport& report, const std::vector<Tone>& tones) {
  ASSERT_GE(report.origin, 0) << "the play was not found in the recording";
  ASSERT_EQ(report.tones.size(), tones.size());
  const double steadyRms = ToneSynth::kLevel * 32767.0 / std::sqrt(2.0);
  for (std::size_t k = 0; k < tones.size(); ++k) {
    const testing::ToneReport& tone = report.tones[k];
    if (tones[k].isRest()) {
      EXPECT_LT(tone.rms, testing::kSilenceThreshold) << "rest " << k;
      continue;
    }
    EXPECT_NEAR(tone.measuredHz, tone.expectedHz, 1.0) << "tone " << k;
    EXPECT_NEAR(tone.rms, steadyRms, 0.05 * steadyRms) << "tone " << k;
    EXPECT_EQ(tone.shift, 0) << "tone " << k << " is off its sample position";
  }
  for (const testing::QuietRun& gap : report.gaps) {
    ADD_FAILURE() << "gap of " << gap.length << " samples at stream sample " << gap.start;
  }
}

TEST_F(SoundServerTest, PlayedSongIsRecordedWithItsPitchesInPlaceAndNoGap) {
  testing::MonitorRecorder recorder(QDir::temp().filePath("quavern-play-test.raw"));
  ASSERT_TRUE(recorder.start()) << "parec recorded nothing from the default sink's monitor";

  music::NotesTexts notes;
  notes[0] = u"c-e-a-a-";
  notes[1] = u"xyC-";
  PlayState state{.t = 60, .loop = 1, .loop_ = 0};
  AudioSinkOutput output;
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(play(notes, 3, state, output), PlayOutcome::Finished);
  const auto took = Clock::now() - start;
  std::this_thread::sleep_for(milliseconds(300));
  const std::vector<std::int16_t> recording = recorder.stop();

  ASSERT_EQ(output.fallback(), AudioSinkOutput::Fallback::None);
  EXPECT_GE(output.grantedBufferMs(), 50);
  // Ten tones of 500 ms; the play returns once the last has been heard.
  EXPECT_GE(took, milliseconds(5000 - AudioSinkOutput::kRequestedBufferMs));
  EXPECT_LT(took, milliseconds(5000 + 1500));
  const std::vector<Tone> tones = playSchedule(notes, 3, 1);
  checkTones(testing::analyseRecording(recording, tones, kRate), tones);
}

TEST_F(SoundServerTest, ShortTonesFollowEachOtherOnTheirSamplePositions) {
  testing::MonitorRecorder recorder(QDir::temp().filePath("quavern-tones-test.raw"));
  ASSERT_TRUE(recorder.start()) << "parec recorded nothing from the default sink's monitor";

  std::vector<Tone> tones;
  for (const int frequency : {349, 349, 523, 1047, 1047, 0, 659, 988, 587, 587, 587, 880}) {
    tones.push_back({frequency, 83});
  }
  AudioSinkOutput output;
  output.begin({});
  for (const Tone& tone : tones) {
    output.sound(tone);
  }
  output.end();
  std::this_thread::sleep_for(milliseconds(300));
  const std::vector<std::int16_t> recording = recorder.stop();

  ASSERT_EQ(output.fallback(), AudioSinkOutput::Fallback::None);
  checkTones(testing::analyseRecording(recording, tones, kRate), tones);
}

// Plays that end at different points of the server's period (1024 samples on
// PipeWire): the last tone must come out whole, release included, with nothing
// after it.
TEST_F(SoundServerTest, PlayEndsWithItsLastToneWholeAndNothingAfterIt) {
  const std::vector<std::vector<Tone>> plays = {
      {{523, 250}, {659, 500}},
      {{880, 83}, {988, 83}, {1047, 117}},
      {{784, 67}},  // shorter than the sink's buffer
      {{784, 30}},  // shorter than the trailing silence too
  };
  for (const std::vector<Tone>& tones : plays) {
    SCOPED_TRACE(::testing::Message() << "play of " << tones.size() << " tones ending in "
                                      << tones.back().durationMs << " ms");
    testing::MonitorRecorder recorder(QDir::temp().filePath("quavern-end-test.raw"));
    ASSERT_TRUE(recorder.start()) << "parec recorded nothing from the default sink's monitor";
    AudioSinkOutput output;
    output.begin({});
    for (const Tone& tone : tones) {
      output.sound(tone);
    }
    output.end();
    std::this_thread::sleep_for(milliseconds(testing::kAfterEndMs + 100));
    const std::vector<std::int16_t> recording = recorder.stop();

    ASSERT_EQ(output.fallback(), AudioSinkOutput::Fallback::None);
    const testing::RecordingReport report = testing::analyseRecording(recording, tones, kRate);
    checkTones(report, tones);
    // PipeWire mixes in floating point: allow a sample to round one step away.
    EXPECT_LE(report.lastToneWorstDifference, 1) << "the last tone did not come out whole";
    EXPECT_LE(report.peakAfterEnd, testing::kSilenceThreshold) << "sound after the last tone";
  }
}

TEST_F(SoundServerTest, StalledSinkHandsOverToTheSilentClockAndThePlayEndsInTime) {
  AudioSinkOutput output;
  const Clock::time_point start = Clock::now();
  bool hung = false;
  output.begin([&] {
    if (!hung && Clock::now() - start > milliseconds(600)) {
      hung = hangServer();
    }
    return true;
  });
  for (int k = 0; k < 8; ++k) {
    EXPECT_TRUE(output.sound({659, 250}));
  }
  output.end();
  const auto took = Clock::now() - start;
  resumeServer();

  ASSERT_TRUE(hung);
  EXPECT_EQ(output.fallback(), AudioSinkOutput::Fallback::SinkStalled);
  EXPECT_GE(took, milliseconds(2000 - AudioSinkOutput::kRequestedBufferMs));
  EXPECT_LT(took, milliseconds(2000 + 1000));
}

}  // namespace
}  // namespace quavern::playback
