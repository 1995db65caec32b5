#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "playback/audio_sink_output.h"
#include "playback/silent_clock_output.h"

namespace quavern::playback {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// The machine is shared and noisy: upper bounds are generous on purpose. The
// precise figures come from the benchmark.
constexpr milliseconds kGenerousLateness{400};

milliseconds since(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

TEST(SilentClock, SequenceEndsAtTheSumOfItsDurations) {
  SilentClockOutput output;
  const Clock::time_point start = Clock::now();
  output.begin({});
  for (const int duration : {50, 33, 17, 100, 0, 67, 83, 150}) {
    EXPECT_TRUE(output.sound({523, duration}));
  }
  output.end();
  EXPECT_GE(since(start), milliseconds(500));
  EXPECT_LT(since(start), milliseconds(500) + kGenerousLateness);
}

TEST(SilentClock, LateCallsAreMadeGoodByTheNextDeadline) {
  SilentClockOutput output;
  const Clock::time_point start = Clock::now();
  output.begin({});
  output.sound({523, 100});
  std::this_thread::sleep_for(milliseconds(150));  // the caller was busy elsewhere
  output.sound({523, 100});
  output.sound({523, 100});
  EXPECT_LT(since(start), milliseconds(300) + kGenerousLateness);
  EXPECT_GE(since(start), milliseconds(300));
}

TEST(SilentClock, KeepsTheCallerAliveWhileWaiting) {
  SilentClockOutput output;
  int calls = 0;
  output.begin([&] {
    ++calls;
    return PlayControl::Continue;
  });
  output.sound({523, 500});
  output.end();
  EXPECT_GE(calls, 500 / 50);
}

// Escape and a closing window end a play the same way when nothing sounds.
TEST(SilentClock, EndsTheToneAsSoonAsTheCallerAsks) {
  for (const PlayControl asked : {PlayControl::Stop, PlayControl::Abandon}) {
    SilentClockOutput output;
    const Clock::time_point start = Clock::now();
    output.begin([asked] { return asked; });
    EXPECT_FALSE(output.sound({523, 5000}));
    EXPECT_FALSE(output.sound({523, 5000}));
    output.end();
    EXPECT_LT(since(start), milliseconds(50) + kGenerousLateness);
  }
}

TEST(SilentClock, HeardPositionRunsWithTheClockWithinTheTonesSoFar) {
  SilentClockOutput output;
  std::vector<std::int64_t> heard;
  output.begin([&] {
    heard.push_back(output.heardMs());
    return PlayControl::Continue;
  });
  output.sound({523, 200});
  output.sound({523, 100});
  ASSERT_FALSE(heard.empty());
  EXPECT_TRUE(std::is_sorted(heard.begin(), heard.end()));
  EXPECT_LE(heard.back(), 300);
  EXPECT_GE(heard.back(), 280);
  EXPECT_EQ(output.heardMs(), 300);
}

// The unit tests run with PULSE_SERVER naming a socket where nothing listens,
// like a machine without a sound server.
TEST(AudioSinkWithoutSoundServer, StopsAtOnceWhenAsked) {
  AudioSinkOutput output;
  const Clock::time_point start = Clock::now();
  int calls = 0;
  output.begin([&] { return ++calls < 10 ? PlayControl::Continue : PlayControl::Stop; });
  EXPECT_FALSE(output.sound({880, 5000}));
  output.end();
  EXPECT_GE(since(start), milliseconds(9 * 10));
  EXPECT_LT(since(start), milliseconds(200) + kGenerousLateness);
}

TEST(AudioSinkWithoutSoundServer, PlaysSilentlyInTime) {
  AudioSinkOutput output;
  const Clock::time_point start = Clock::now();
  output.begin({});
  for (int k = 0; k < 4; ++k) {
    EXPECT_TRUE(output.sound({880, 100}));
  }
  output.end();
  EXPECT_NE(output.fallback(), AudioSinkOutput::Fallback::None);
  EXPECT_GE(since(start), milliseconds(400));
  EXPECT_LT(since(start), milliseconds(400) + kGenerousLateness);
}

}  // namespace
}  // namespace quavern::playback
