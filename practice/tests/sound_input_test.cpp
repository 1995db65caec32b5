#include "practice/sound_input.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "practice/audio_analyser.h"
#include "practice/fake_sound_input.h"
#include "practice/sound_performance_input.h"

namespace quavern::practice {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

TEST(InputIndex, InstantsBecomeTheNearestInputSample) {
  const SteadyClock::time_point origin{std::chrono::seconds(1000)};
  struct Row {
    SteadyClock::duration offset;
    std::int64_t index;
  };
  const Row rows[] = {
      {milliseconds(0), 0},  {milliseconds(1), 48},   {milliseconds(-1), -48},
      {microseconds(10), 0},  // 0.48 samples
      {microseconds(11), 1}, {microseconds(-11), -1}, {std::chrono::seconds(70), 3'360'000},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(inputIndexAt(origin + row.offset, origin, 48000), row.index)
        << std::chrono::duration_cast<microseconds>(row.offset).count() << " us";
  }
}

// A clock that a test moves by hand.
struct HandClock {
  SteadyClock::time_point now{std::chrono::seconds(50)};
  FakeSoundInput::Now reader() {
    return [this] { return now; };
  }
};

TEST(FakeSoundInput, DeliversTheTakeAsTimePassesThenSilence) {
  HandClock clock;
  FakeSoundInput input({.samples = {1, 2, 3, 4, 5}}, clock.reader());
  ASSERT_EQ(input.start(), std::nullopt);
  const SteadyClock::time_point started = clock.now;
  std::vector<std::int16_t> samples;
  EXPECT_EQ(input.readAvailable(samples), 0U);
  EXPECT_EQ(input.firstSampleCapturedAt(), std::nullopt);

  clock.now += microseconds(63);  // three samples have been taken in
  EXPECT_EQ(input.readAvailable(samples), 3U);
  clock.now += microseconds(84);
  EXPECT_EQ(input.readAvailable(samples), 4U);
  EXPECT_EQ(samples, (std::vector<std::int16_t>{1, 2, 3, 4, 5, 0, 0}));
  EXPECT_EQ(input.firstSampleCapturedAt(), started);
  EXPECT_FALSE(input.hasStalled(clock.now + milliseconds(499)));
  EXPECT_TRUE(input.hasStalled(clock.now + milliseconds(500)));
}

TEST(FakeSoundInput, FailsToStartOrStaysMuteAsScripted) {
  HandClock clock;
  FakeSoundInput missing({.failure = InputFailure::NoDevice}, clock.reader());
  EXPECT_EQ(missing.start(), InputFailure::NoDevice);

  FakeSoundInput mute({.samples = {1, 2, 3}, .deliversNothing = true}, clock.reader());
  ASSERT_EQ(mute.start(), std::nullopt);
  std::vector<std::int16_t> samples;
  clock.now += milliseconds(499);
  EXPECT_EQ(mute.readAvailable(samples), 0U);
  EXPECT_FALSE(mute.hasStalled(clock.now));
  clock.now += milliseconds(1);
  EXPECT_TRUE(mute.hasStalled(clock.now));
  mute.stop();
  EXPECT_FALSE(mute.hasStalled(clock.now));
}

TEST(FakeSoundInput, LosesItsDeviceAsScriptedAndKeepsDelivering) {
  HandClock clock;
  FakeSoundInput input({.samples = {1, 2, 3}, .lostAfter = milliseconds(300)}, clock.reader());
  ASSERT_EQ(input.start(), std::nullopt);
  std::vector<std::int16_t> samples;
  clock.now += milliseconds(299);
  input.readAvailable(samples);
  EXPECT_FALSE(input.deviceLost());
  clock.now += milliseconds(1);
  EXPECT_GT(input.readAvailable(samples), 0U);
  EXPECT_TRUE(input.deviceLost());
  ASSERT_EQ(input.start(), std::nullopt);  // a new capture starts with its device there
  EXPECT_FALSE(input.deviceLost());
}

// After a hold-up a second of sound waits: each poll analyses a little of it,
// and the polls that follow catch up to what one analysis of it all decides.
TEST(SoundPerformanceInput, AnalysesABacklogAFewMillisecondsAPoll) {
  HandClock clock;
  std::vector<std::int16_t> take(48000);
  for (std::size_t i = 0; i < take.size(); ++i) {
    take[i] = static_cast<std::int16_t>(i % 109 < 55 ? 8000 : -8000);  // 440 Hz
  }
  SoundPerformanceInput input(
      std::make_unique<FakeSoundInput>(FakeSoundInput::Script{.samples = take}, clock.reader()));
  ASSERT_EQ(input.start(), std::nullopt);
  clock.now += std::chrono::seconds(1);
  Performance polled;
  input.poll(polled);
  const std::int64_t most = SoundPerformanceInput::kMostAnalysedPerPollMs * 48;
  EXPECT_LE(polled.framesCoveredUntil, most);
  for (int poll = 0; poll < 1000 / SoundPerformanceInput::kMostAnalysedPerPollMs; ++poll) {
    input.poll(polled);
  }
  AudioAnalyser analyser(48000);
  Performance whole;
  analyser.feed(take, whole);
  EXPECT_EQ(polled.framesCoveredUntil, whole.framesCoveredUntil);
  EXPECT_EQ(polled.frames.size(), whole.frames.size());
}

}  // namespace
}  // namespace quavern::practice
