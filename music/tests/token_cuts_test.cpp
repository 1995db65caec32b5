#include "music/token_cuts.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "music/tests/notes_texts.h"

namespace quavern::music {
namespace {

constexpr auto song = music::testing::notesOf;

TokenCut within(std::u16string text, std::size_t bar, std::size_t offset) {
  return {std::move(text), {bar, offset}, {bar, offset + 1}};
}

struct CutCase {
  const char* name;
  NotesTexts notes;
  std::vector<TokenCut> tokens;
};

TEST(TokenCuts, CutTheJoinedBarsTwoCharactersAtATime) {
  const CutCase cases[] = {
      {"empty song", song({}), {}},
      {"one character belongs to no token", song({u"c"}), {}},
      {"tokens inside one bar", song({u"c-eb"}), {within(u"c-", 0, 0), within(u"eb", 0, 2)}},
      {"empty bars are skipped",
       song({u"c-", u"", u"", u"g-"}),
       {within(u"c-", 0, 0), within(u"g-", 3, 0)}},
      {"an odd bar shifts the cut across two bars",
       song({u"c-e", u"-g-a"}),
       {within(u"c-", 0, 0), {u"e-", {0, 2}, {1, 0}}, within(u"g-", 1, 1)}},
      {"the odd last character is dropped",
       song({u"c-", u"e-g"}),
       {within(u"c-", 0, 0), within(u"e-", 1, 0)}},
      {"a cut reaches over empty bars", song({u"x", u"", u"y"}), {{u"xy", {0, 0}, {2, 0}}}},
      {"bar 16 is cut too",
       song({u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"C-"}),
       {within(u"C-", 15, 0)}},
  };
  for (const CutCase& test : cases) {
    EXPECT_EQ(cutTokens(test.notes), test.tokens) << test.name;
  }
}

}  // namespace
}  // namespace quavern::music
