// Plays through a real sound server, PulseAudio or PipeWire (started by the
// test fixture with a null sink as the default sink), and judges what its
// monitor recorded.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <chrono>
#include <cmath>
#include <iostream>
#include <numbers>
#include <optional>
#include <thread>
#include <vector>

#include "music/chords.h"
#include "playback/audio_sink_output.h"
#include "playback/chord_layer.h"
#include "playback/play.h"
#include "playback/sample_writer_output.h"
#include "playback/sound_font.h"
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

// The server itself may drop out for a period now and then (PipeWire 0.3 does:
// a period of silence, and the stream going on whole after it) while the play
// keeps well ahead of it. Such a take says nothing of the play, and the play is
// recorded again, up to kTakes times in all; a dropout while the play had let
// the stream run low, or any other difference, fails.
constexpr int kTakes = 3;
constexpr int kWellAheadMs = 20;

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
  EXPECT_GE(output.leastBufferedMs(), kWellAheadMs);
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
    return PlayControl::Continue;
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

// A caller that holds the play's thread longer than the buffer lasts lets the
// stream run dry, and the output says so.
TEST_F(SoundServerTest, AStreamLeftToRunDryIsToldFromOneKeptAhead) {
  for (const int heldMs : {0, 300}) {
    SCOPED_TRACE(::testing::Message() << "held for " << heldMs << " ms");
    AudioSinkOutput output;
    const Clock::time_point start = Clock::now();
    bool held = false;
    output.begin([&] {
      if (!held && Clock::now() - start > milliseconds(500)) {
        std::this_thread::sleep_for(milliseconds(heldMs));
        held = true;
      }
      return PlayControl::Continue;
    });
    for (int k = 0; k < 6; ++k) {
      output.sound({659, 250});
    }
    output.end();
    ASSERT_EQ(output.fallback(), AudioSinkOutput::Fallback::None);
    if (heldMs == 0) {
      EXPECT_GE(output.leastBufferedMs(), kWellAheadMs);
    } else {
      EXPECT_LT(output.leastBufferedMs(), kWellAheadMs);
    }
  }
}

// The samples play hands to the sound device, rendered offline.
std::vector<std::int16_t> renderedPlay(const music::NotesTexts& notes, int tempoIndex,
                                       const ChordsUnder& chords, const StreamSounds& sounds = {}) {
  std::vector<std::int16_t> samples;
  SampleWriterOutput writer(kRate, [&](std::span<const std::int16_t> chunk) {
    samples.insert(samples.end(), chunk.begin(), chunk.end());
    return true;
  });
  PlayState state;
  play(notes, tempoIndex, state, writer, {}, chords, sounds);
  return samples;
}

TEST_F(SoundServerTest, ChordsUnderTheMelodyAreHeardExactlyAsRendered) {
  music::NotesTexts notes;
  notes[0] = u"c-e-g-bb";
  notes[1] = u"a-xyC-";
  music::ChordIndexes chords;
  chords.fill(music::kNoChord);
  chords[0] = 0;   // "C"
  chords[1] = 19;  // "Am"
  const std::vector<std::int16_t> expected = renderedPlay(notes, 3, chords);

  std::vector<std::int16_t> recording;
  std::int64_t origin = -1;
  for (int take = 1; take <= kTakes; ++take) {
    testing::MonitorRecorder recorder(QDir::temp().filePath("quavern-chords-test.raw"));
    ASSERT_TRUE(recorder.start()) << "parec recorded nothing from the default sink's monitor";
    PlayState state;
    AudioSinkOutput output;
    EXPECT_EQ(play(notes, 3, state, output, {}, chords), PlayOutcome::Finished);
    std::this_thread::sleep_for(milliseconds(300));
    recording = recorder.stop();
    ASSERT_EQ(output.fallback(), AudioSinkOutput::Fallback::None);
    origin = testing::locateStream(recording, expected, kRate);
    ASSERT_GE(origin, 0) << "the play was not found in the recording";
    ASSERT_LE(origin + std::ssize(expected), std::ssize(recording));
    const std::optional<testing::Dropout> dropout =
        testing::soleDropout(recording, origin, expected, 2);
    if (!dropout) {
      break;
    }
    std::cout << "take " << take << ": the stream dropped out for " << dropout->length
              << " samples at stream sample " << dropout->at << ", " << output.leastBufferedMs()
              << " ms ahead at least\n";
    ASSERT_GE(output.leastBufferedMs(), kWellAheadMs) << "the play let the stream run dry";
    ASSERT_LT(take, kTakes) << "the server dropped out in every take";
  }
  const int worst = testing::worstDifferenceAt(recording, origin, expected);
  EXPECT_LE(worst, 2) << "the recording differs from the rendered play";
  // Bar 2's chord is there, at its level, under a rest and a note.
  const testing::Samples underRest = testing::Samples(recording).subspan(
      static_cast<std::size_t>(origin + sampleAtMs(4500, kRate)), kRate);
  for (const int frequency : chordFrequencies(19)) {
    EXPECT_NEAR(testing::amplitudeAt(underRest, frequency, kRate), ChordLayer::kToneLevel * 32767.0,
                0.1 * ChordLayer::kToneLevel * 32767.0)
        << frequency << " Hz";
  }
}

// Escape: the tone sounding fades out within a few milliseconds, the chords
// with it, and nothing sounds after; the sink plays out its end on its own.
TEST_F(SoundServerTest, StoppedPlayFadesOutWithoutAClickAndNothingAfter) {
  testing::MonitorRecorder recorder(QDir::temp().filePath("quavern-stop-test.raw"));
  ASSERT_TRUE(recorder.start()) << "parec recorded nothing from the default sink's monitor";

  music::NotesTexts notes;
  notes.fill(u"a-C-e-a-");
  music::ChordIndexes chords;
  chords.fill(19);  // "Am"
  PlayState state;
  AudioSinkOutput output;
  const Clock::time_point start = Clock::now();
  const PlayOutcome outcome = play(
      notes, 3, state, output,
      [&] {
        return Clock::now() - start < milliseconds(3270) ? PlayControl::Continue
                                                         : PlayControl::Stop;
      },
      chords);
  for (int waited = 0; waited < 800; waited += 10) {
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(milliseconds(10));
  }
  const std::vector<std::int16_t> recording = recorder.stop();
  ASSERT_EQ(outcome, PlayOutcome::EndedEarly);
  ASSERT_EQ(output.fallback(), AudioSinkOutput::Fallback::None);

  const std::vector<std::int16_t> expected = renderedPlay(notes, 3, chords);
  const std::int64_t origin = testing::locateStream(recording, expected, kRate);
  ASSERT_GE(origin, 0);
  // The play as rendered up to the fade, then the fade, then silence.
  std::int64_t fadeStart = 0;
  while (origin + fadeStart < std::ssize(recording) && fadeStart < std::ssize(expected) &&
         std::abs(recording[static_cast<std::size_t>(origin + fadeStart)] -
                  expected[static_cast<std::size_t>(fadeStart)]) <= 2) {
    ++fadeStart;
  }
  EXPECT_GT(fadeStart, sampleAtMs(3000, kRate)) << "the play was cut before it was stopped";
  EXPECT_LT(fadeStart, sampleAtMs(3800, kRate)) << "the play went on long after it was stopped";
  const testing::Samples heard(recording);
  const auto from = static_cast<std::size_t>(origin + fadeStart);
  const auto fade = static_cast<std::size_t>(sampleAtMs(AudioSinkOutput::kReleaseMs, kRate));
  ASSERT_LT(from + fade + kRate / 2, recording.size());
  EXPECT_LE(testing::peakMagnitude(heard.subspan(from + fade, kRate / 2)), 1)
      << "something sounded after the fade";
  const double steepest = (ToneSynth::kLevel + 4 * ChordLayer::kToneLevel) * 32767.0 * 2.0 *
                          std::numbers::pi * 1047.0 / kRate;
  EXPECT_LE(testing::largestStep(heard.subspan(from - fade, 3 * fade)), steepest)
      << "the end clicks";
  // The last millisecond before silence is far quieter than the play was: a
  // fade, not a cut.
  const std::size_t ms = kRate / 1000;
  const double steady = testing::rootMeanSquare(heard.subspan(from - 20 * ms, 10 * ms));
  EXPECT_LT(testing::rootMeanSquare(heard.subspan(from + fade - ms, ms)), 0.3 * steady)
      << "the play was cut off, not faded out";
}

// Instruments go the same way: the device hears what export writes, up to Escape,
// then a fade of what rings, then silence.
TEST_F(SoundServerTest, InstrumentsAreHeardAsRenderedAndAStoppedPlayFadesOut) {
  const SoundAvailability found = findSoundFont(soundFontPlaces());
  ASSERT_FALSE(found.soundFont.empty()) << "install fluid-soundfont-gm";
  const StreamSounds sounds = found.streamSounds(Sound::kAcousticGrandPiano, Sound::kNylonGuitar);
  testing::MonitorRecorder recorder(QDir::temp().filePath("quavern-instrument-test.raw"));
  ASSERT_TRUE(recorder.start()) << "parec recorded nothing from the default sink's monitor";

  music::NotesTexts notes;
  notes.fill(u"a-C-e-a-");
  music::ChordIndexes chords;
  chords.fill(19);  // "Am"
  PlayState state;
  AudioSinkOutput output;
  const Clock::time_point start = Clock::now();
  const PlayOutcome outcome = play(
      notes, 3, state, output,
      [&] {
        return Clock::now() - start < milliseconds(3270) ? PlayControl::Continue
                                                         : PlayControl::Stop;
      },
      chords, sounds);
  for (int waited = 0; waited < 800; waited += 10) {
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(milliseconds(10));
  }
  const std::vector<std::int16_t> recording = recorder.stop();
  ASSERT_EQ(outcome, PlayOutcome::EndedEarly);
  ASSERT_EQ(output.fallback(), AudioSinkOutput::Fallback::None);

  const std::vector<std::int16_t> expected = renderedPlay(notes, 3, chords, sounds);
  const std::int64_t origin = testing::locateStream(recording, expected, kRate);
  ASSERT_GE(origin, 0) << "the play was not found in the recording";
  std::int64_t fadeStart = 0;
  while (origin + fadeStart < std::ssize(recording) && fadeStart < std::ssize(expected) &&
         std::abs(recording[static_cast<std::size_t>(origin + fadeStart)] -
                  expected[static_cast<std::size_t>(fadeStart)]) <= 2) {
    ++fadeStart;
  }
  EXPECT_GT(fadeStart, sampleAtMs(3000, kRate)) << "the play was not heard as rendered";
  EXPECT_LT(fadeStart, sampleAtMs(3800, kRate)) << "the play went on long after it was stopped";
  const testing::Samples heard(recording);
  const auto from = static_cast<std::size_t>(origin + fadeStart);
  const auto fade = static_cast<std::size_t>(sampleAtMs(AudioSinkOutput::kReleaseMs, kRate));
  ASSERT_LT(from + fade + kRate / 2, recording.size());
  EXPECT_LE(testing::peakMagnitude(heard.subspan(from + fade, kRate / 2)), 1)
      << "the instruments rang on after the fade";
}

}  // namespace
}  // namespace quavern::playback
