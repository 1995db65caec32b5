#include "playback/follow_along.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "music/tests/notes_texts.h"

namespace quavern::playback {
namespace {

constexpr auto song = music::testing::notesOf;

using Mark = std::vector<FieldSelection>;

struct MarkCase {
  const char* name;
  music::NotesTexts notes;
  std::int32_t passes;
  std::int64_t heardMs;  // at 500 ms a tone: the count-in is 0 to 1999
  Mark mark;
};

TEST(FollowAlong, MarksTheTokenHeardInItsFieldOrFields) {
  const auto bars = song({u"c-e-g-bb", u"a-xy"});
  const auto odd = song({u"c-e", u"g-a-"});  // c- eg -a, and a lone "-"
  const MarkCase cases[] = {
      {"nothing during the count-in", bars, 1, 1999, {}},
      {"nothing before the play", bars, 1, -5, {}},
      {"the first note as it starts", bars, 1, 2000, {{0, 0, 2}}},
      {"still the first note just before the second", bars, 1, 2499, {{0, 0, 2}}},
      {"the fourth note", bars, 1, 3500, {{0, 6, 2}}},
      {"a rest is marked like a note", bars, 1, 4500, {{1, 2, 2}}},
      {"nothing once the last tone has ended", bars, 1, 5000, {}},
      {"the second pass starts again at bar 1", bars, 2, 5000, {{0, 0, 2}}},
      {"the end of the second pass", bars, 2, 7999, {{1, 2, 2}}},
      {"a token cut across two fields is in both", odd, 1, 2500, {{0, 2, 1}, {1, 0, 1}}},
      {"the cut after it is shifted", odd, 1, 3000, {{1, 1, 2}}},
      {"the odd last character is never marked", odd, 1, 3500, {}},
      {"loop 0 marks nothing", bars, 0, 2000, {}},
  };
  for (const MarkCase& test : cases) {
    EXPECT_EQ(markAt(test.heardMs, music::cutTokens(test.notes), 500, test.passes), test.mark)
        << test.name;
  }
}

TEST(FollowAlong, TokenBoundariesFallOnWholeMultiplesOfTheNoteDuration) {
  for (const std::int32_t t : {1000, 833, 667, 500}) {
    EXPECT_FALSE(tokenHeardAt(4 * t - 1, 3, t, 1)) << t;
    EXPECT_EQ(tokenHeardAt(4 * t, 3, t, 1), 0u) << t;
    EXPECT_EQ(tokenHeardAt(6 * t - 1, 3, t, 1), 1u) << t;
    EXPECT_EQ(tokenHeardAt(6 * t, 3, t, 1), 2u) << t;
    EXPECT_FALSE(tokenHeardAt(7 * t, 3, t, 1)) << t;
  }
}

}  // namespace
}  // namespace quavern::playback
