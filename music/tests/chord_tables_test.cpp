#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "music/chords.h"
#include "music/note_tokens.h"

namespace quavern::music {
namespace {

struct ChordRow {
  int index;
  std::string_view name;
  std::array<std::string_view, 4> flat;
  std::array<std::string_view, 4> sharp;
};

// Written out by hand from music theory, independently of the rule in the code.
constexpr ChordRow kExpected[] = {
    {0, "C", {"c-", "e-", "g-", "bb"}, {"c-", "e-", "g-", "a#"}},
    {1, "Cm", {"c-", "eb", "g-", "bb"}, {"c-", "d#", "g-", "a#"}},
    {2, "Db C#", {"db", "f-", "ab", "b-"}, {"c#", "f-", "g#", "b-"}},
    {3, "Dbm C#m", {"db", "e-", "ab", "b-"}, {"c#", "e-", "g#", "b-"}},
    {4, "D", {"d-", "gb", "a-", "c-"}, {"d-", "f#", "a-", "c-"}},
    {5, "Dm", {"d-", "f-", "a-", "c-"}, {"d-", "f-", "a-", "c-"}},
    {6, "Eb D#", {"eb", "g-", "bb", "db"}, {"d#", "g-", "a#", "c#"}},
    {7, "Ebm D#m", {"eb", "gb", "bb", "db"}, {"d#", "f#", "a#", "c#"}},
    {8, "E", {"e-", "ab", "b-", "d-"}, {"e-", "g#", "b-", "d-"}},
    {9, "Em", {"e-", "g-", "b-", "d-"}, {"e-", "g-", "b-", "d-"}},
    {10, "F", {"f-", "a-", "c-", "eb"}, {"f-", "a-", "c-", "d#"}},
    {11, "Fm", {"f-", "ab", "c-", "eb"}, {"f-", "g#", "c-", "d#"}},
    {12, "Gb F#", {"gb", "bb", "db", "e-"}, {"f#", "a#", "c#", "e-"}},
    {13, "Gbm F#m", {"gb", "a-", "db", "e-"}, {"f#", "a-", "c#", "e-"}},
    {14, "G", {"g-", "b-", "d-", "f-"}, {"g-", "b-", "d-", "f-"}},
    {15, "Gm", {"g-", "bb", "d-", "f-"}, {"g-", "a#", "d-", "f-"}},
    {16, "Ab G#", {"ab", "c-", "eb", "gb"}, {"g#", "c-", "d#", "f#"}},
    {17, "Abm G#m", {"ab", "b-", "eb", "gb"}, {"g#", "b-", "d#", "f#"}},
    {18, "A", {"a-", "db", "e-", "g-"}, {"a-", "c#", "e-", "g-"}},
    {19, "Am", {"a-", "c-", "e-", "g-"}, {"a-", "c-", "e-", "g-"}},
    {20, "Bb A#", {"bb", "d-", "f-", "ab"}, {"a#", "d-", "f-", "g#"}},
    {21, "Bbm A#m", {"bb", "db", "f-", "ab"}, {"a#", "c#", "f-", "g#"}},
    {22, "B", {"b-", "eb", "gb", "a-"}, {"b-", "d#", "f#", "a-"}},
    {23, "Bm", {"b-", "d-", "gb", "a-"}, {"b-", "d-", "f#", "a-"}},
};

class ChordTables : public ::testing::Test {
 protected:
  void SetUp() override { fillChordToneTables(); }
};

int pitchOf(std::string_view token) {
  const auto found = std::find_if(kNoteTokens.begin(), kNoteTokens.end(),
                                  [&](const NoteToken& known) { return known.text == token; });
  return found == kNoteTokens.end() ? -1 : found->semitonesAboveC;
}

TEST_F(ChordTables, EveryCellMatchesTheChordChart) {
  for (const auto& row : kExpected) {
    SCOPED_TRACE(row.name);
    const auto r = static_cast<std::size_t>(row.index);
    EXPECT_EQ(kChordNames[r], row.name);
    for (std::size_t column = 0; column < 4; ++column) {
      EXPECT_EQ(cdf[r][column], row.flat[column]) << "column " << column;
      EXPECT_EQ(cds[r][column], row.sharp[column]) << "column " << column;
    }
  }
}

TEST_F(ChordTables, RowsPastTheChordsStayEmpty) {
  for (std::size_t r = kChordCount; r < kChordToneRows; ++r) {
    for (std::size_t column = 0; column < kTonesPerChord; ++column) {
      EXPECT_TRUE(cdf[r][column].empty());
      EXPECT_TRUE(cds[r][column].empty());
    }
  }
}

TEST_F(ChordTables, SharpTableIsTheFlatTableRespelt) {
  const std::map<std::string, std::string> respell{
      {"db", "c#"}, {"eb", "d#"}, {"gb", "f#"}, {"ab", "g#"}, {"bb", "a#"}};
  for (std::size_t r = 0; r < kChordCount; ++r) {
    for (std::size_t column = 0; column < kTonesPerChord; ++column) {
      const auto& flat = cdf[r][column];
      const auto respelt = respell.count(flat) ? respell.at(flat) : flat;
      EXPECT_EQ(cds[r][column], respelt) << kChordNames[r];
      EXPECT_EQ(pitchOf(cds[r][column]), pitchOf(flat));
    }
  }
}

TEST_F(ChordTables, EveryChordHasFourDistinctKnownPitchesAndNoHighC) {
  for (std::size_t r = 0; r < kChordCount; ++r) {
    for (const auto* table : {&cdf, &cds}) {
      std::set<int> pitches;
      for (const auto& token : (*table)[r]) {
        EXPECT_NE(token, "C-");
        const int pitch = pitchOf(token);
        EXPECT_GE(pitch, 0) << token;
        pitches.insert(pitch);
      }
      EXPECT_EQ(pitches.size(), 4u) << kChordNames[r];
    }
  }
}

TEST_F(ChordTables, ExactlyDmEmGAndAmAreAllNaturals) {
  std::vector<std::size_t> allNatural;
  for (std::size_t r = 0; r < kChordCount; ++r) {
    const bool natural = std::all_of(cdf[r].begin(), cdf[r].end(),
                                     [](const std::string& token) { return token[1] == '-'; });
    if (natural) {
      allNatural.push_back(r);
      EXPECT_EQ(cdf[r], cds[r]);
    }
  }
  EXPECT_EQ(allNatural, (std::vector<std::size_t>{5, 9, 14, 19}));
}

}  // namespace
}  // namespace quavern::music
