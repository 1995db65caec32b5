// Captures prepared performances through a real PulseAudio server: pacat plays
// them into a virtual microphone (see microphone_fixture.h), the capture on
// QAudioSource records them, and the judge gives its verdicts.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "microphone_fixture.h"
#include "music/token_cuts.h"
#include "practice/audio_source_input.h"
#include "practice/judge.h"
#include "practice/practice_result.h"
#include "practice/testing/synthesised_player.h"

namespace quavern::practice {
namespace {

using std::chrono::milliseconds;
using testing::SungNote;
using testing::Voice;

constexpr int kRate = SoundInput::kSampleRate;
constexpr int kLoud = 2000;  // well above the room's hiss, well below any note

double msBetween(SteadyClock::time_point later, SteadyClock::time_point earlier) {
  return std::chrono::duration<double, std::milli>(later - earlier).count();
}

double samplesToMs(std::int64_t samples) {
  return static_cast<double>(samples) * 1000.0 / kRate;
}

// First sample at or after `from` louder than kLoud, or -1.
std::int64_t firstLoudSample(const std::vector<std::int16_t>& samples, std::int64_t from) {
  const auto start = samples.begin() + std::clamp<std::int64_t>(from, 0, std::ssize(samples));
  const auto loud = std::find_if(start, samples.end(),
                                 [](std::int16_t value) { return std::abs(value) > kLoud; });
  return loud == samples.end() ? -1 : loud - samples.begin();
}

class CaptureTest : public MicrophoneTest {
 protected:
  // Reads the input every 10 ms for `duration`, as the window's event loop
  // does, and keeps the paced stream fed.
  void captureFor(SteadyClock::duration duration) {
    const SteadyClock::time_point until = SteadyClock::now() + duration;
    while (SteadyClock::now() < until) {
      QCoreApplication::processEvents();
      input_.readAvailable(captured_);
      if (paced_) {
        paced_->feed();
      }
      QThread::msleep(10);
    }
  }

  // Plays `sound` into the microphone, capturing all the while, through a
  // paced stream; returns the instant its first sample sounds.
  SteadyClock::time_point playPaced(PacedStream& stream, std::vector<std::int16_t> sound) {
    EXPECT_TRUE(stream.connect(playbackArguments(PacedStream::kLatencyMs),
                               [&] { captureFor(std::chrono::milliseconds(1)); }));
    paced_ = &stream;
    const SteadyClock::time_point heard = stream.firstUnwrittenSoundsAt();
    stream.play(std::move(sound), heard);
    return heard;
  }

  // Starts playing `sound` into the microphone and returns the instant just
  // before pacat started: nothing of it can be heard before then.
  SteadyClock::time_point playIntoMicrophone(QProcess& pacat,
                                             const std::vector<std::int16_t>& sound) {
    const SteadyClock::time_point launched = SteadyClock::now();
    pacat.start(QStringLiteral("pacat"), playbackArguments());
    writeSamples(pacat, sound);
    pacat.closeWriteChannel();
    return launched;
  }

  // The capture's index of the sample taken in at `instant`.
  std::int64_t capturedIndexAt(SteadyClock::time_point instant) const {
    return inputIndexAt(instant, *input_.firstSampleCapturedAt(), kRate);
  }

  AudioSourceInput input_;
  std::vector<std::int16_t> captured_;
  PacedStream* paced_ = nullptr;
};

TEST_F(CaptureTest, WithoutAnInputDeviceTheCaptureDoesNotStart) {
  // The server's only source is its null sink's monitor, which Qt does not list.
  EXPECT_EQ(input_.start(), InputFailure::NoDevice);
}

TEST_F(CaptureTest, AMicrophoneThatFallsSilentIsNoticedAfterHalfASecond) {
  ASSERT_TRUE(plugInMicrophone());
  ASSERT_EQ(input_.start(), std::nullopt);
  captureFor(milliseconds(300));
  ASSERT_GT(captured_.size(), 0U);
  EXPECT_FALSE(input_.hasStalled(SteadyClock::now()));

  // The server stops delivering, as one that hangs would; suspending the source
  // would not stop PipeWire from delivering silence.
  ASSERT_TRUE(hangServer());
  const SteadyClock::time_point suspended = SteadyClock::now();
  while (!input_.hasStalled(SteadyClock::now()) &&
         SteadyClock::now() - suspended < milliseconds(2000)) {
    captureFor(milliseconds(10));
  }
  const double noticedAfterMs = msBetween(SteadyClock::now(), suspended);
  resumeServer();
  EXPECT_TRUE(input_.hasStalled(SteadyClock::now()));
  // Lets the client catch up with the server before both go: libpulse asserts
  // now and then when a stream it is still answering for is torn down.
  captureFor(milliseconds(300));
  input_.stop();
  captureFor(milliseconds(100));
  EXPECT_GE(noticedAfterMs, 500.0 - 20.0);  // a delivery may have been on its way
  EXPECT_LE(noticedAfterMs, 700.0);
}

// Short bursts, each played by a pacat started at a known instant, land in the
// capture where the estimate of its first sample's instant puts them.
TEST_F(CaptureTest, OnsetsLandWhereTheCaptureOriginPutsThem) {
  ASSERT_TRUE(plugInMicrophone());
  ASSERT_EQ(input_.start(), std::nullopt);
  captureFor(milliseconds(300));
  // 20 ms of 1 kHz at -6 dBFS.
  const std::vector<std::int16_t> burst =
      testing::toSamples(testing::render({.hz = 1000.0, .peak = 0.5}, kRate / 50, kRate));
  std::vector<SteadyClock::time_point> launches;
  for (int k = 0; k < 6; ++k) {
    QProcess pacat;
    launches.push_back(playIntoMicrophone(pacat, burst));
    captureFor(milliseconds(400));
    pacat.waitForFinished();
  }
  captureFor(milliseconds(200));
  ASSERT_TRUE(input_.firstSampleCapturedAt().has_value());

  std::vector<double> lateness;
  for (const SteadyClock::time_point launched : launches) {
    const std::int64_t expected = capturedIndexAt(launched);
    const std::int64_t landed = firstLoudSample(captured_, expected - kRate / 10);
    ASSERT_GE(landed, 0) << "a burst is missing from the capture";
    lateness.push_back(samplesToMs(landed - expected));
  }
  for (const double ms : lateness) {
    std::printf("burst heard %+.1f ms after pacat was started\n", ms);
    // Includes pacat's own start and its buffer, which PipeWire rounds up to
    // its own period of about 21 ms.
    EXPECT_GE(ms, -15.0);
    EXPECT_LE(ms, 60.0);
  }
}

// Sung from 5% to 90% of note k's slot at 500 ms a note.
SungNote sungInSlot(std::int64_t k, Voice voice) {
  const std::int64_t slotMs = (kCountInNotes + k) * 500;
  return {slotMs + 25, slotMs + 450, std::move(voice)};
}

Voice note(double semitones, double vibratoCents = 0.0) {
  return {.hz = testing::hzOf(semitones),
          .partials = testing::sawtoothPartials(8),
          .vibratoCents = vibratoCents};
}

TEST_F(CaptureTest, APerformanceThroughTheMicrophoneIsJudged) {
  music::NotesTexts notes;
  notes[0] = u"c-e-g-a-";
  notes[1] = u"f-xyd-b-";
  constexpr std::int32_t kNoteMs = 500;
  const std::vector<SungNote> performance{
      sungInSlot(0, note(48)),                   // c- an octave below the written one
      sungInSlot(1, note(63)),                   // eb for e-
                                                 // g- left out
      sungInSlot(3, note(69, 40.0)),             // a- with vibrato
      sungInSlot(4, {.hz = testing::hzOf(77)}),  // f-, a pure whistle
      sungInSlot(5, note(62)),                   // anything in the rest
      sungInSlot(6, note(58)),                   // bb for d-
      sungInSlot(7, note(59)),                   // b-
  };
  const std::int64_t passMs = (kCountInNotes + 8) * kNoteMs;
  std::vector<double> signal = testing::perform(performance, passMs, kRate);
  const std::vector<double> hiss = testing::noise(std::ssize(signal), 0.001, 11);  // -60 dBFS
  std::ranges::transform(signal, hiss, signal.begin(), std::plus<>());

  ASSERT_TRUE(plugInMicrophone());
  ASSERT_EQ(input_.start(), std::nullopt);
  captureFor(milliseconds(300));
  PacedStream stream;
  const SteadyClock::time_point streamHeard = playPaced(stream, testing::toSamples(signal));
  captureFor(milliseconds(passMs + 500) + (streamHeard - SteadyClock::now()));
  paced_ = nullptr;
  stream.finish();
  input_.stop();
  SCOPED_TRACE(stream.report());
  ASSERT_TRUE(input_.firstSampleCapturedAt().has_value());
  const std::int64_t streamOrigin = capturedIndexAt(streamHeard);

  const std::int64_t firstOnset = streamOrigin + kRate * (kCountInNotes * kNoteMs + 25) / 1000;
  const std::int64_t heardOnset = firstLoudSample(captured_, streamOrigin);
  ASSERT_GE(heardOnset, 0) << "the performance is missing from the capture";
  const double alignmentMs = samplesToMs(heardOnset - firstOnset);
  std::printf("first note heard %+.1f ms from where the capture's origin puts it\n", alignmentMs);
  EXPECT_LE(std::abs(alignmentMs), 40.0);

  const std::vector<NoteJudgement> judgements =
      judgeTake(music::cutTokens(notes), kNoteMs, {captured_, kRate, streamOrigin});
  EXPECT_EQ(resultText(judgements),
            "Practice: 4 of 7 notes right.\n"
            "bar 1, note 2: heard eb, wanted e-\n"
            "bar 1, note 3: missed, wanted g-\n"
            "bar 2, note 3: heard bb, wanted d-");
}

}  // namespace
}  // namespace quavern::practice
