// A sound server that dies in the middle of a play must neither hang nor
// crash the program: the play goes on silently in time.
#include <gtest/gtest.h>

#include <chrono>

#include "playback/audio_sink_output.h"
#include "sound_server_fixture.h"

namespace quavern::playback {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// Has a server of its own, which it ends.
TEST_F(SoundServerTest, ServerThatDiesMidPlayLeavesThePlayToEndSilentlyInTime) {
  AudioSinkOutput output;
  const Clock::time_point start = Clock::now();
  bool killed = false;
  output.begin([&] {
    if (!killed && Clock::now() - start > milliseconds(600)) {
      killed = killServer();
    }
    return PlayControl::Continue;
  });
  for (int k = 0; k < 8; ++k) {
    EXPECT_TRUE(output.sound({659, 250}));
  }
  output.end();
  const auto took = Clock::now() - start;

  ASSERT_TRUE(killed);
  EXPECT_NE(output.fallback(), AudioSinkOutput::Fallback::None);
  EXPECT_GE(took, milliseconds(2000 - AudioSinkOutput::kRequestedBufferMs));
  EXPECT_LT(took, milliseconds(2000 + 1000));

  // The next play finds no device and keeps time silently as well.
  const Clock::time_point again = Clock::now();
  output.begin({});
  EXPECT_TRUE(output.sound({659, 300}));
  output.end();
  EXPECT_NE(output.fallback(), AudioSinkOutput::Fallback::None);
  EXPECT_LT(Clock::now() - again, milliseconds(300 + 1000));
}

}  // namespace
}  // namespace quavern::playback
