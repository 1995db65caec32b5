#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "music/tests/notes_texts.h"
#include "playback/play.h"

namespace quavern::playback {
namespace {

constexpr int C = 523;
constexpr int E = 659;
constexpr int G = 784;
constexpr int A = 880;
constexpr int Bb = 932;
constexpr int HighC = 1047;
constexpr int Rest = kRestHz;

constexpr auto song = music::testing::notesOf;

// The count-in, then each frequency at t, over and over for each pass.
std::vector<Tone> expected(int t, std::vector<int> frequencies, int passes = 1) {
  std::vector<Tone> tones(4, countInTone(t));
  for (int pass = 0; pass < passes; ++pass) {
    for (const int frequency : frequencies) {
      tones.push_back({frequency, t});
    }
  }
  return tones;
}

struct ScheduleCase {
  const char* name;
  music::NotesTexts notes;
  int tempoIndex;
  std::int32_t loop;
  std::vector<Tone> tones;
};

TEST(PlaySchedule, FollowsTheSongTokenByToken) {
  const ScheduleCase cases[] = {
      {"empty song: count-in only", song({}), 0, 1, expected(1000, {})},
      {"one character: count-in only", song({u"c"}), 0, 1, expected(1000, {})},
      {"odd final character is dropped", song({u"c-e-g"}), 3, 1, expected(500, {C, E})},
      {"bars are joined before cutting", song({u"c-", u"", u"e-g-"}), 3, 1,
       expected(500, {C, E, G})},
      {"odd bar shifts every later cut", song({u"c-e", u"g-a-"}), 3, 1,
       expected(500, {C, Rest, Rest})},
      {"equal neighbours stay two notes", song({u"a-a-"}), 3, 1, expected(500, {A, A})},
      {"typed text rests in rhythm", song({u"c-xyC-"}), 3, 1, expected(500, {C, Rest, HighC})},
      {"both spellings sound alike", song({u"bba#"}), 3, 1, expected(500, {Bb, Bb})},
      {"bar of six tokens plays in place", song({u"c-e-g-a-c-e-", u"C-"}), 3, 1,
       expected(500, {C, E, G, A, C, E, HighC})},
      {"loop 0: count-in only", song({u"c-e-"}), 0, 0, expected(1000, {})},
      {"negative loop: count-in only", song({u"c-e-"}), 0, -3, expected(1000, {})},
      {"three passes", song({u"c-e-"}), 3, 3, expected(500, {C, E}, 3)},
      {"tempo 80", song({u"c-"}), 1, 1, expected(833, {C})},
      {"tempo 100", song({u"c-"}), 2, 1, expected(667, {C})},
      {"no tempo chosen", song({u"c-"}), -1, 1, expected(1000, {C})},
      {"tempo index out of range", song({u"c-"}), 4, 1, expected(1000, {C})},
  };
  for (const ScheduleCase& c : cases) {
    EXPECT_EQ(playSchedule(c.notes, c.tempoIndex, c.loop), c.tones) << c.name;
  }
}

TEST(PlaySchedule, BarOneOfThreeCharactersCutsEveryLaterTokenAcrossNames) {
  music::NotesTexts notes;
  notes.fill(u"c-e-g-bb");
  notes[0] = u"c-e";
  const std::vector<Tone> tones = playSchedule(notes, 3, 1);

  // 3 + 15 * 8 = 123 characters: 61 tokens, the last character dropped.
  ASSERT_EQ(tones.size(), 4u + 61u);
  EXPECT_EQ(tones[4].frequencyHz, C);
  for (std::size_t i = 5; i < tones.size(); ++i) {
    EXPECT_EQ(tones[i].frequencyHz, Rest) << "token " << i - 4;
  }
}

TEST(PlaySchedule, TenPassesAtTempo120AreFourPlus640TonesOf500Ms) {
  music::NotesTexts notes;
  notes.fill(u"c-e-g-bb");
  const std::vector<Tone> tones = playSchedule(notes, 3, 10);

  ASSERT_EQ(tones.size(), 644u);
  for (const Tone& tone : tones) {
    EXPECT_EQ(tone.durationMs, 500);
  }
  const std::vector<int> bar{C, E, G, Bb};
  for (std::size_t i = 4; i < tones.size(); ++i) {
    EXPECT_EQ(tones[i].frequencyHz, bar[(i - 4) % 4]) << "tone " << i;
  }
}

}  // namespace
}  // namespace quavern::playback
