// A MIDI keyboard through a private JACK server on its dummy backend (see
// jack_server.sh): a test client plays a prepared performance on a JACK MIDI
// port, and the input makes a Performance of what arrived. Machines without
// sound hardware have no ALSA sequencer, so the ALSA path is not run here.
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#include "practice/midi_keyboard_input.h"

namespace quavern::practice {
namespace {

using std::chrono::milliseconds;

constexpr const char* kKeyboardClient = "Test keyboard";
constexpr const char* kKeyboardPort = "keys";
const std::string kKeyboardEntry = "MIDI: Test keyboard:keys";

std::vector<InputEntry> jackEntries() {
  std::vector<InputEntry> entries = listMidiInputs();
  std::erase_if(entries, [](const InputEntry& entry) { return !entry.id.starts_with("jack:"); });
  return entries;
}

TEST(NoJackServer, NoMidiEntriesNoErrorNothingOnStderr) {
  ::testing::internal::CaptureStderr();
  const std::vector<InputEntry> entries = jackEntries();
  MidiKeyboardInput input("jack:Test keyboard:keys");
  const std::optional<InputFailure> failure = input.start();
  const std::string printed = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(entries.empty());
  EXPECT_EQ(failure, InputFailure::NoDevice);
  EXPECT_EQ(printed, "");
}

// A key of the prepared performance: pressed at `atMs` after the take's start,
// let go `heldMs` later.
struct Key {
  std::int64_t atMs;
  int note;
  std::int64_t heldMs;
};

class JackKeyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(qualifiedServer()) << "JACK_DEFAULT_SERVER is not set: run this through ctest";
    keyboard_.openVirtualPort(kKeyboardPort);
  }

  static bool qualifiedServer() { return std::getenv("JACK_DEFAULT_SERVER") != nullptr; }

  std::optional<InputEntry> keyboardEntry() const {
    const std::vector<InputEntry> entries = listMidiInputs();
    const auto found = std::ranges::find(entries, kKeyboardEntry, &InputEntry::name);
    return found == entries.end() ? std::nullopt : std::optional(*found);
  }

  void send(std::uint8_t status, int note, int velocity) {
    std::vector<unsigned char> message{status, static_cast<unsigned char>(note),
                                       static_cast<unsigned char>(velocity)};
    keyboard_.sendMessage(&message);
  }

  // Polls the input every 10 ms, as the window does, until `until` and no later,
  // so that what is sent next goes out when planned.
  void pollUntil(MidiKeyboardInput& input, SteadyClock::time_point until) {
    while (SteadyClock::now() < until) {
      input.poll(performance_);
      std::this_thread::sleep_until(std::min(until, SteadyClock::now() + milliseconds(10)));
    }
  }

  RtMidiOut keyboard_{RtMidi::UNIX_JACK, kKeyboardClient};
  Performance performance_;
};

// A message waits up to a period (128 frames, 2.7 ms) in the server, and the
// threads' wake-ups add a little.
constexpr double kArrivalToleranceMs = 5.0;

int noteOf(double hz) {
  return static_cast<int>(std::lround(69.0 + 12.0 * std::log2(hz / 440.0)));
}

TEST_F(JackKeyboard, APerformanceArrivesAsPlayed) {
  const std::optional<InputEntry> entry = keyboardEntry();
  ASSERT_TRUE(entry.has_value()) << "the keyboard's port is not listed";
  EXPECT_EQ(entry->kind, InputKind::Midi);

  MidiKeyboardInput input(entry->id);
  ASSERT_EQ(input.start(), std::nullopt);
  ASSERT_TRUE(input.timelineStart().has_value());
  const SteadyClock::time_point start = *input.timelineStart();
  // c e g, a repeated g, a chord whose last key sounds, and a key played by
  // note-on at velocity 0 for its release.
  const std::vector<Key> keys{{200, 60, 300},  {550, 64, 200},  {800, 67, 150},
                              {1000, 67, 150}, {1300, 48, 400}, {1310, 55, 390}};
  struct Sent {
    SteadyClock::time_point at;
    int note;
    bool pressed;
  };
  std::vector<Sent> sent;
  struct Due {
    std::int64_t ms;
    int note;
    bool pressed;
  };
  std::vector<Due> due;
  for (const Key& key : keys) {
    due.push_back({key.atMs, key.note, true});
    due.push_back({key.atMs + key.heldMs, key.note, false});
  }
  std::ranges::stable_sort(due, {}, &Due::ms);
  for (const Due& event : due) {
    pollUntil(input, start + milliseconds(event.ms));
    const bool runningStatusRelease = event.note == 55;
    send(event.pressed || runningStatusRelease ? 0x90 : 0x80, event.note, event.pressed ? 100 : 0);
    sent.push_back({SteadyClock::now(), event.note, event.pressed});
  }
  pollUntil(input, SteadyClock::now() + milliseconds(100));
  EXPECT_FALSE(input.deviceLost());
  EXPECT_FALSE(input.hasStalled(SteadyClock::now()));
  EXPECT_EQ(input.levelDbfs(), std::nullopt);
  input.stop();

  std::vector<Sent> pressed = sent;
  std::erase_if(pressed, [](const Sent& event) { return !event.pressed; });
  ASSERT_EQ(performance_.onsets.size(), pressed.size());
  double latestMs = 0.0;
  for (std::size_t k = 0; k < pressed.size(); ++k) {
    const Onset& onset = performance_.onsets[k];
    const double lateMs =
        static_cast<double>(onset.sample - inputIndexAt(pressed[k].at, start, kPerformanceRate)) /
        48.0;
    latestMs = std::max(latestMs, lateMs);
    EXPECT_GE(lateMs, -0.1) << "onset " << k;
    EXPECT_LE(lateMs, kArrivalToleranceMs) << "onset " << k;
    ASSERT_TRUE(onset.hz.has_value());
    EXPECT_EQ(noteOf(*onset.hz), pressed[k].note) << "onset " << k;
  }

  std::printf("onsets placed at most %.2f ms after the key was sent\n", latestMs);

  // Frames well inside a key's time carry its pitch exactly; between keys, none.
  const auto frameAtMs = [&](std::int64_t ms) {
    const auto index = static_cast<std::size_t>(ms * 48 / kFrameHopSamples);
    return performance_.frames.at(index);
  };
  const std::pair<std::int64_t, std::optional<double>> expected[] = {
      {100, std::nullopt},  {300, 261.6255653005986},   {600, 329.6275569128699},
      {775, std::nullopt},  {900, 391.99543598174927},  {1100, 391.99543598174927},
      {1225, std::nullopt}, {1500, 195.99771799087463},  // the chord's later key
      {1750, std::nullopt},
  };
  for (const auto& [ms, hz] : expected) {
    const std::optional<double> heard = frameAtMs(ms).hz;
    ASSERT_EQ(heard.has_value(), hz.has_value()) << ms << " ms";
    if (hz) {
      EXPECT_NEAR(*heard, *hz, 1e-9) << ms << " ms";
    }
  }
  EXPECT_GE(performance_.coveredUntil, 1780 * 48);  // the last poll, within 10 ms of the end
}

TEST_F(JackKeyboard, AKeyboardUnpluggedDuringATakeIsNoticed) {
  const std::optional<InputEntry> entry = keyboardEntry();
  ASSERT_TRUE(entry.has_value());
  MidiKeyboardInput input(entry->id);
  ASSERT_EQ(input.start(), std::nullopt);
  pollUntil(input, SteadyClock::now() + milliseconds(300));
  EXPECT_FALSE(input.deviceLost());

  keyboard_.closePort();
  const SteadyClock::time_point unplugged = SteadyClock::now();
  while (!input.deviceLost() && SteadyClock::now() - unplugged < milliseconds(2000)) {
    pollUntil(input, SteadyClock::now() + milliseconds(10));
  }
  EXPECT_TRUE(input.deviceLost());
  EXPECT_LE(SteadyClock::now() - unplugged,
            MidiKeyboardInput::kPortCheckInterval + milliseconds(50));
  EXPECT_FALSE(keyboardEntry().has_value());
  EXPECT_EQ(MidiKeyboardInput(entry->id).start(), InputFailure::NoDevice);
}

}  // namespace
}  // namespace quavern::practice
