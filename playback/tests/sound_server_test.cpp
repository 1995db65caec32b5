// Plays through a real PulseAudio server (started by the test fixture with a
// null sink as the default sink) and judges what its monitor recorded.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "music/chords.h"
#include "playback/audio_sink_output.h"
#include "playback/chord_layer.h"
#include "playback/play.h"
#include "playback/sample_writer_output.h"
#include "playback/testing/monitor_recorder.h"
#include "playback/testing/recording_analysis.h"
#include "playback/testing/signal_analysis.h"
#include "playback/tone_synth.h"
#include "sound_server_fixture.h"

namespace quavern::playback {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;
using testing::Samples;

constexpr int kRate = AudioSinkOutput::kSampleRate;

void checkRecording(Samples recording, const std::vector<Tone>& tones) {
  const testing::RecordingReport report = testing::analyseRecording(recording, tones, kRate);
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
  checkRecording(recording, playSchedule(notes, 3, 1));
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
  checkRecording(recording, tones);
}

TEST_F(SoundServerTest, StalledSinkHandsOverToTheSilentClockAndThePlayEndsInTime) {
  AudioSinkOutput output;
  const Clock::time_point start = Clock::now();
  bool suspended = false;
  output.begin([&] {
    if (!suspended && Clock::now() - start > milliseconds(600)) {
      // The server stops taking data, as a sound server that hangs would.
      suspended = pactl({"suspend-sink", "@DEFAULT_SINK@", "1"});
    }
    return PlayControl::Continue;
  });
  for (int k = 0; k < 8; ++k) {
    EXPECT_TRUE(output.sound({659, 250}));
  }
  output.end();
  const auto took = Clock::now() - start;
  pactl({"suspend-sink", "@DEFAULT_SINK@", "0"});

  ASSERT_TRUE(suspended);
  EXPECT_EQ(output.fallback(), AudioSinkOutput::Fallback::SinkStalled);
  EXPECT_GE(took, milliseconds(2000 - AudioSinkOutput::kRequestedBufferMs));
  EXPECT_LT(took, milliseconds(2000 + 1000));
}

}  // namespace
}  // namespace quavern::playback

namespace quavern::playback {
namespace {

// The samples play hands to the sound device, rendered offline.
std::vector<std::int16_t> renderedPlay(const music::NotesTexts& notes, int tempoIndex,
                                       const ChordsUnder& chords) {
  std::vector<std::int16_t> samples;
  SampleWriterOutput writer(kRate, [&](std::span<const std::int16_t> chunk) {
    samples.insert(samples.end(), chunk.begin(), chunk.end());
    return true;
  });
  PlayState state;
  play(notes, tempoIndex, state, writer, {}, chords);
  return samples;
}

TEST_F(SoundServerTest, ChordsUnderTheMelodyAreHeardExactlyAsRendered) {
  testing::MonitorRecorder recorder(QDir::temp().filePath("quavern-chords-test.raw"));
  ASSERT_TRUE(recorder.start()) << "parec recorded nothing from the default sink's monitor";

  music::NotesTexts notes;
  notes[0] = u"c-e-g-bb";
  notes[1] = u"a-xyC-";
  music::ChordIndexes chords;
  chords.fill(music::kNoChord);
  chords[0] = 0;   // "C"
  chords[1] = 19;  // "Am"
  PlayState state;
  AudioSinkOutput output;
  EXPECT_EQ(play(notes, 3, state, output, {}, chords), PlayOutcome::Finished);
  std::this_thread::sleep_for(milliseconds(300));
  const std::vector<std::int16_t> recording = recorder.stop();
  ASSERT_EQ(output.fallback(), AudioSinkOutput::Fallback::None);

  const std::vector<std::int16_t> expected = renderedPlay(notes, 3, chords);
  const std::int64_t coarse = testing::firstLoudSample(recording, testing::kSilenceThreshold) -
                              testing::firstLoudSample(expected, testing::kSilenceThreshold);
  const std::int64_t origin = coarse + testing::bestShift(recording, expected, coarse, kRate / 100);
  ASSERT_GE(origin, 0);
  ASSERT_LE(origin + std::ssize(expected), std::ssize(recording));
  int worst = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    worst =
        std::max(worst, std::abs(recording[static_cast<std::size_t>(origin) + i] - expected[i]));
  }
  EXPECT_LE(worst, 2) << "the recording differs from the rendered play";
  // Bar 2's chord is there, at its level, under a rest and a note.
  const Samples underRest =
      Samples(recording).subspan(static_cast<std::size_t>(origin + sampleAtMs(4500, kRate)), kRate);
  for (const int frequency : chordFrequencies(19)) {
    EXPECT_NEAR(testing::amplitudeAt(underRest, frequency, kRate), ChordLayer::kToneLevel * 32767.0,
                0.1 * ChordLayer::kToneLevel * 32767.0)
        << frequency << " Hz";
  }
}

}  // namespace
}  // namespace quavern::playback
