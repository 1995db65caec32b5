#include "playback/pitch.h"

#include <gtest/gtest.h>

#include <string>

#include "playback/tone.h"

namespace quavern::playback {
namespace {

struct PitchRow {
  std::u16string token;
  int frequencyHz;
};

TEST(PitchTable, EveryNoteTokenSoundsAtItsFrequency) {
  const PitchRow rows[] = {
      {u"c-", 523}, {u"c#", 554}, {u"db", 554}, {u"d-", 587}, {u"d#", 622}, {u"eb", 622},
      {u"e-", 659}, {u"f-", 698}, {u"f#", 740}, {u"gb", 740}, {u"g-", 784}, {u"g#", 831},
      {u"ab", 831}, {u"a-", 880}, {u"a#", 932}, {u"bb", 932}, {u"b-", 988}, {u"C-", 1047},
  };
  for (const PitchRow& row : rows) {
    EXPECT_EQ(frequencyOf(row.token), row.frequencyHz)
        << std::string(row.token.begin(), row.token.end());
  }
}

TEST(PitchTable, TextThatNamesNoNoteIsARest) {
  // Other upper-case letters, typed text, cuts across two names, and names that
  // match only after trimming or case folding.
  const std::u16string rests[] = {u"C#", u"Db", u"E-", u"A-",  u"x ", u"-e",      u"-c",     u"cb",
                                  u"e#", u"  ", u"c",  u"c- ", u"",   u"c\u2013", u"\u00e9b"};
  for (const std::u16string& text : rests) {
    EXPECT_EQ(frequencyOf(text), kRestHz) << std::string(text.begin(), text.end());
  }
}

}  // namespace
}  // namespace quavern::playback
