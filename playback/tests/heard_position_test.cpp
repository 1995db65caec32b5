#include "playback/heard_position.h"

#include <gtest/gtest.h>

#include <vector>

namespace quavern::playback {
namespace {

using Clock = HeardPosition::Clock;
using std::chrono::milliseconds;

struct Reading {
  std::int64_t atMs;      // since the play started
  std::int64_t playedUs;  // the device's count; -1: the device is lost
};

struct HeardCase {
  const char* name;
  std::vector<Reading> readings;
  std::int64_t askedAtMs;
  std::int64_t heardMs;
  std::int64_t originMs;  // when stream sample 0 was heard, since the play started
};

TEST(HeardPosition, FollowsTheDevicesPlayedCountThenTheSilentClock) {
  const HeardCase cases[] = {
      {"nothing played yet", {}, 120, 0, 0},
      {"the device's count, not the time", {{200, 150'000}}, 210, 150, 50},
      {"a later reading moves the origin", {{200, 150'000}, {400, 345'000}}, 400, 345, 55},
      {"a reading that goes back is ignored", {{300, 250'000}, {310, 240'000}}, 310, 250, 50},
      {"once lost, the clock from the start", {{300, 250'000}, {310, -1}}, 500, 500, 50},
      {"the clock never takes it back", {{900, 880'000}, {905, -1}}, 870, 880, 20},
      {"readings after the loss are ignored", {{100, -1}, {200, 10'000}}, 300, 300, 0},
  };
  for (const HeardCase& test : cases) {
    HeardPosition heard;
    const Clock::time_point start = Clock::now();
    heard.start(start);
    for (const Reading& reading : test.readings) {
      if (reading.playedUs < 0) {
        heard.deviceLost();
      } else {
        heard.devicePlayed(reading.playedUs, start + milliseconds(reading.atMs));
      }
    }
    EXPECT_EQ(heard.heardMs(start + milliseconds(test.askedAtMs)), test.heardMs) << test.name;
    EXPECT_EQ(heard.origin(), start + milliseconds(test.originMs)) << test.name;
  }
}

}  // namespace
}  // namespace quavern::playback
