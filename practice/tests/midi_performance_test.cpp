#include "practice/midi_performance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace quavern::practice {
namespace {

TEST(MidiNoteMessage, KeysPressedAndLetGoOnAnyChannel) {
  struct Row {
    std::vector<std::uint8_t> message;
    std::optional<MidiNoteEvent> event;
  };
  const Row rows[] = {
      {{0x90, 60, 100}, MidiNoteEvent{7, 60, 100}},
      {{0x9F, 127, 1}, MidiNoteEvent{7, 127, 1}},  // channel 16
      {{0x90, 64, 0}, MidiNoteEvent{7, 64, 0}},    // note-on at velocity 0 lets go
      {{0x80, 64, 64}, MidiNoteEvent{7, 64, 0}},   // note-off's velocity is the release
      {{0x8A, 21, 0}, MidiNoteEvent{7, 21, 0}},
      {{0xB0, 64, 127}, std::nullopt},  // sustain pedal
      {{0xE0, 0, 64}, std::nullopt},    // pitch bend
      {{0xA0, 60, 30}, std::nullopt},   // aftertouch
      {{0xF8}, std::nullopt},           // clock
      {{0x90, 60}, std::nullopt},       // cut short
  };
  for (const Row& row : rows) {
    EXPECT_EQ(decodeNoteMessage(row.message, 7), row.event) << int{row.message[0]};
  }
}

TEST(MidiNoteMessage, PitchAndLevel) {
  EXPECT_DOUBLE_EQ(hzOfMidiNote(69), 440.0);
  EXPECT_DOUBLE_EQ(hzOfMidiNote(81), 880.0);
  EXPECT_NEAR(hzOfMidiNote(60), 261.6256, 1e-4);
  EXPECT_NEAR(hzOfMidiNote(70), 466.1638, 1e-4);
  EXPECT_DOUBLE_EQ(levelOfVelocity(127), 0.0);
  EXPECT_NEAR(levelOfVelocity(64), -5.95, 0.01);
  EXPECT_NEAR(levelOfVelocity(1), -42.08, 0.01);
}

std::optional<int> noteOf(const PitchFrame& frame) {
  if (!frame.hz) {
    return std::nullopt;
  }
  return static_cast<int>(std::lround(69.0 + 12.0 * std::log2(*frame.hz / 440.0)));
}

// Every frame's note, the frames being 480 samples apart from sample 0.
std::vector<std::optional<int>> frameNotes(const Performance& performance) {
  std::vector<std::optional<int>> notes;
  for (std::size_t k = 0; k < performance.frames.size(); ++k) {
    EXPECT_EQ(performance.frames[k].sample, static_cast<std::int64_t>(k) * kFrameHopSamples);
    notes.push_back(noteOf(performance.frames[k]));
  }
  return notes;
}

TEST(MidiPerformance, OnsetsAtKeysPressedAndTheLatestHeldKeysPitchInEachFrame) {
  constexpr std::int64_t H = kFrameHopSamples;
  const std::vector<MidiNoteEvent> events{
      {H, 60, 100},                          // c pressed on a frame: that frame has it
      {2 * H + 1, 64, 90},                   // e pressed over c, just after a frame
      {4 * H, 64, 0},                        // e let go: c, still held, sounds again
      {5 * H - 1, 60, 0},                    // c let go just before a frame
      {6 * H + 10, 67, 50},                  // g
      {6 * H + 20, 67, 0},                   // let go before the next frame: an onset and no frame
      {7 * H, 62, 127},                      // d, its key pressed twice (two channels) ...
      {7 * H + 5, 62, 127}, {8 * H, 62, 0},  // ... and held until both let go
      {9 * H, 62, 0},       {9 * H, 50, 0},  // a key never pressed
  };
  MidiPerformance builder;
  Performance performance;
  for (const MidiNoteEvent& event : events) {
    builder.add(event, performance);
  }
  builder.coverUntil(10 * H + 1, performance);

  using N = std::optional<int>;
  const std::vector<N> expected{N{}, N{60}, N{60}, N{64}, N{60}, N{}, N{}, N{62}, N{62}, N{}, N{}};
  EXPECT_EQ(frameNotes(performance), expected);
  std::vector<std::pair<std::int64_t, int>> onsets;
  for (const Onset& onset : performance.onsets) {
    onsets.emplace_back(onset.sample, noteOf({0, onset.hz, 0.0}).value_or(-1));
  }
  const std::vector<std::pair<std::int64_t, int>> expectedOnsets{
      {H, 60}, {2 * H + 1, 64}, {6 * H + 10, 67}, {7 * H, 62}, {7 * H + 5, 62}};
  EXPECT_EQ(onsets, expectedOnsets);
  EXPECT_EQ(performance.coveredUntil, 10 * H + 1);
  EXPECT_NEAR(performance.frames[3].levelDbfs, levelOfVelocity(90), 1e-9);
  EXPECT_LE(performance.frames[0].levelDbfs, -100.0);
}

TEST(MidiPerformance, PollsInPiecesGiveTheSamePerformanceAsOne) {
  const std::vector<MidiNoteEvent> events{{100, 60, 80}, {2000, 60, 0}, {2500, 72, 80}};
  Performance whole;
  MidiPerformance wholeBuilder;
  for (const MidiNoteEvent& event : events) {
    wholeBuilder.add(event, whole);
  }
  wholeBuilder.coverUntil(4000, whole);

  Performance pieces;
  MidiPerformance piecesBuilder;
  std::size_t next = 0;
  for (std::int64_t polledAt = 0; polledAt <= 4000; polledAt += 333) {
    for (; next < events.size() && events[next].sample < polledAt; ++next) {
      piecesBuilder.add(events[next], pieces);
    }
    piecesBuilder.coverUntil(polledAt, pieces);
    EXPECT_EQ(pieces.coveredUntil, polledAt);
  }
  for (; next < events.size(); ++next) {
    piecesBuilder.add(events[next], pieces);
  }
  piecesBuilder.coverUntil(4000, pieces);
  EXPECT_EQ(frameNotes(pieces), frameNotes(whole));
  EXPECT_EQ(pieces.onsets.size(), whole.onsets.size());
  EXPECT_EQ(pieces.frames.size(), 9U);  // 0 to 3840
}

}  // namespace
}  // namespace quavern::practice
