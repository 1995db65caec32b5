#include "songfile/song_record.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "songfile/tests/song_samples.h"

namespace quavern::songfile {
namespace {

using samples::uniformSong;

constexpr char kPlainRecord[] =
    "c-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bb"
    "c-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bb"
    ",10,10,10,10,10,10,10,10,10,10,10,10,10,10,10,10";

Song plainSong() {
  return uniformSong(u"c-e-g-bb", 0);
}

// Bars 1 and 2 hold characters beyond ASCII; bar k has chord index k + 7 (codes 18 to 33).
Song mixedSong() {
  Song song = uniformSong(u"a-c-e-g-", 0);
  song.notes[0] = u"\u00e4\u00f6\u00fc\u00df\u20ac\u266aab";
  song.notes[1] = u"\U0001F3B5\U0001F3B5c-d-";
  song.notes[15] = u"f#a#c#e-";
  for (std::size_t bar = 0; bar < kBarCount; ++bar)
    song.chords[bar] = static_cast<int>(bar) + 8;
  return song;
}

const std::string kMixedFile =
    "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xE2\x82\xAC\xE2\x99\xAA"
    "ab"
    "\xF0\x9F\x8E\xB5\xF0\x9F\x8E\xB5"
    "c-d-"
    "a-c-e-g-a-c-e-g-a-c-e-g-a-c-e-g-a-c-e-g-a-c-e-g-a-c-e-g-"
    "a-c-e-g-a-c-e-g-a-c-e-g-a-c-e-g-a-c-e-g-a-c-e-g-f#a#c#e-"
    ",18,19,20,21,22,23,24,25,26,27,28,29,30,31,32,33\r\n";

std::string withChordCode(std::string record, int bar, std::string_view code) {
  record.replace(kBarCount * kNotesLength + 3 * static_cast<std::size_t>(bar - 1) + 1, 2, code);
  return record;
}

TEST(SongRecord, EncodesAPlainSongAsOneAsciiLine) {
  const auto bytes = encodeSongFile(plainSong());
  ASSERT_TRUE(bytes);
  EXPECT_EQ(bytes.value(), std::string(kPlainRecord) + "\r\n");
  EXPECT_EQ(bytes.value().size(), 178U);
}

TEST(SongRecord, EncodesCharactersBeyondAsciiAsUtf8) {
  const auto bytes = encodeSongFile(mixedSong());
  ASSERT_TRUE(bytes);
  EXPECT_EQ(bytes.value(), kMixedFile);
}

TEST(SongRecord, DecodesFixedBytes) {
  const auto plain = decodeSongFile(std::string(kPlainRecord) + "\r\n");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain.value(), plainSong());
  const auto mixed = decodeSongFile(kMixedFile);
  ASSERT_TRUE(mixed);
  EXPECT_EQ(mixed.value(), mixedSong());
}

// Open skips a leading byte-order mark, so a record whose first character is U+FEFF is
// written behind one; otherwise that character would be lost on the way back.
TEST(SongRecord, ANotesTextStartingWithAByteOrderMarkSurvives) {
  Song song = plainSong();
  song.notes[0] = u"\uFEFFc-e-g-b";
  const auto bytes = encodeSongFile(song);
  ASSERT_TRUE(bytes);
  EXPECT_TRUE(
      bytes.value().starts_with("\xEF\xBB\xBF\xEF\xBB\xBF"
                                "c-e-g-b"));
  const auto decoded = decodeSongFile(bytes.value());
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded.value(), song);
}

TEST(SongRecord, RandomSongsSurviveEncodeAndDecode) {
  std::mt19937 random(20240611);
  for (int number = 0; number < 200; ++number) {
    const Song song = samples::randomSong(random, number);
    const auto bytes = encodeSongFile(song);
    ASSERT_TRUE(bytes) << "song " << number;
    const auto decoded = decodeSongFile(bytes.value());
    ASSERT_TRUE(decoded) << "song " << number;
    EXPECT_EQ(decoded.value(), song) << "song " << number;
  }
}

TEST(SongRecord, RefusesSongsThatWouldNotReadBack) {
  struct Row {
    const char* what;
    void (*spoil)(Song&);
    std::vector<BarProblem> expected;
  };
  const Row rows[] = {
      {"6 characters",
       [](Song& s) { s.notes[2] = u"c-e-g-"; },
       {{3, BarProblemKind::kNotesWrongLength, 6}}},
      {"9 characters",
       [](Song& s) { s.notes[8] = u"c-e-g-bb-"; },
       {{9, BarProblemKind::kNotesWrongLength, 9}}},
      {"empty notes",
       [](Song& s) { s.notes[0].clear(); },
       {{1, BarProblemKind::kNotesWrongLength, 0}}},
      {"no chord", [](Song& s) { s.chords[15] = kNoChord; }, {{16, BarProblemKind::kChordMissing}}},
      {"chord beyond the list",
       [](Song& s) { s.chords[1] = 24; },
       {{2, BarProblemKind::kUnknownChord, 24}}},
      {"line break",
       [](Song& s) { s.notes[3] = u"c-e-\r\ng-"; },
       {{4, BarProblemKind::kNotesLineBreak}}},
      {"lone surrogate",
       [](Song& s) { s.notes[4] = u"c-e-g-b\xD83C"; },
       {{5, BarProblemKind::kNotesBrokenCharacter}}},
      {"several bars, in bar order",
       [](Song& s) {
         s.chords[8] = kNoChord;
         s.notes[2] = u"c-e-g-";
         s.notes[11] = u"c-e-g-bb\n";
       },
       {{3, BarProblemKind::kNotesWrongLength, 6},
        {9, BarProblemKind::kChordMissing},
        {12, BarProblemKind::kNotesWrongLength, 9},
        {12, BarProblemKind::kNotesLineBreak}}},
  };
  for (const Row& row : rows) {
    Song song = plainSong();
    row.spoil(song);
    const auto bytes = encodeSongFile(song);
    ASSERT_FALSE(bytes) << row.what;
    EXPECT_EQ(bytes.error().problems, row.expected) << row.what;
  }
}

TEST(SongRecord, RefusesBadRecords) {
  const std::string record = kPlainRecord;
  const std::string notesOnly = record.substr(0, 128);
  struct Row {
    const char* what;
    std::string bytes;
    RecordError expected;
  };
  using K = RecordErrorKind;
  const Row rows[] = {
      {"empty", "", {.kind = K::kFirstLineTooShort, .lineLength = 0}},
      {"notes only", notesOnly + "\r\n", {.kind = K::kFirstLineTooShort, .lineLength = 128}},
      {"short text", "c-e-g-bb\r\n", {.kind = K::kFirstLineTooShort, .lineLength = 8}},
      {"record without its last digit",
       record.substr(0, 175),
       {.kind = K::kFirstLineTooShort, .lineLength = 175}},
      {"line break inside the notes",
       "c-e-\n" + record,
       {.kind = K::kFirstLineTooShort, .lineLength = 4}},
      {"lone CR",
       record.substr(0, 100) + "\r" + record,
       {.kind = K::kFirstLineTooShort, .lineLength = 100}},
      {"code 4x",
       withChordCode(record, 4, "4x"),
       {.kind = K::kBadChordCode, .bar = 4, .chordCode = u"4x"}},
      {"code 45",
       withChordCode(record, 1, "45"),
       {.kind = K::kBadChordCode, .bar = 1, .chordCode = u"45"}},
      {"code 34",
       withChordCode(record, 5, "34"),
       {.kind = K::kBadChordCode, .bar = 5, .chordCode = u"34"}},
      {"code 09",
       withChordCode(record, 16, "09"),
       {.kind = K::kBadChordCode, .bar = 16, .chordCode = u"09"}},
      {"code blank 5",
       withChordCode(record, 2, " 5"),
       {.kind = K::kBadChordCode, .bar = 2, .chordCode = u" 5"}},
      {"code -1",
       withChordCode(record, 7, "-1"),
       {.kind = K::kBadChordCode, .bar = 7, .chordCode = u"-1"}},
      {"first bad code wins",
       withChordCode(withChordCode(record, 12, "xx"), 9, "99"),
       {.kind = K::kBadChordCode, .bar = 9, .chordCode = u"99"}},
      {"invalid byte",
       record.substr(0, 10) + "\xFF" + record,
       {.kind = K::kNotUtf8, .byteOffset = 10}},
      {"overlong slash after a mark",
       "\xEF\xBB\xBF"
       "abcde\xC0\xAF" +
           record,
       {.kind = K::kNotUtf8, .byteOffset = 8}},
      {"overlong three-byte slash",
       "c-\xE0\x80\xAF" + record,
       {.kind = K::kNotUtf8, .byteOffset = 2}},
      {"UTF-8 encoded surrogate", "\xED\xA0\x80" + record, {.kind = K::kNotUtf8}},
      {"truncated sequence", "c-e-\xE2\x82", {.kind = K::kNotUtf8, .byteOffset = 4}},
      {"character split across bars 1 and 2",
       "c-e-g-b\xF0\x9F\x8E\xB5" + record.substr(9),
       {.kind = K::kBrokenCharacter, .bar = 1}},
      {"character split between bar 16 and the comma",
       notesOnly.substr(0, 127) + "\xF0\x9F\x8E\xB5" + record.substr(129),
       {.kind = K::kBrokenCharacter, .bar = 16}},
  };
  for (const Row& row : rows) {
    const auto song = decodeSongFile(row.bytes);
    ASSERT_FALSE(song) << row.what;
    EXPECT_EQ(song.error(), row.expected) << row.what;
  }
}

TEST(SongRecord, AcceptsWhatSurroundsTheRecord) {
  const std::string record = kPlainRecord;
  const std::string otherSeparators = [&] {
    std::string text = record;
    for (std::size_t comma = 128; comma < 176; comma += 3)
      text[comma] = ';';
    return text;
  }();
  struct Row {
    const char* what;
    std::string bytes;
  };
  const Row rows[] = {
      {"byte-order mark", "\xEF\xBB\xBF" + record + "\r\n"},
      {"more lines", record + "\r\nsecond line\r\n,99,xx\r\n"},
      {"no line break", record},
      {"LF only", record + "\n"},
      {"longer first line", record + ",55,garbage\r\n"},
      {"invalid bytes after the record", record + "\xFF\xFE\r\n"},
      {"other separators", otherSeparators + "\r\n"},
  };
  for (const Row& row : rows) {
    const auto song = decodeSongFile(row.bytes);
    ASSERT_TRUE(song) << row.what;
    EXPECT_EQ(song.value(), plainSong()) << row.what;
  }
}

TEST(SongRecord, EveryChordCodeMapsToItsIndex) {
  const std::string record = kPlainRecord;
  for (int chord = 0; chord < kChordCount; ++chord) {
    const std::string code = std::to_string(chord + kChordCodeOffset);
    const auto song = decodeSongFile(withChordCode(record, 6, code));
    ASSERT_TRUE(song) << code;
    EXPECT_EQ(song.value().chords[5], chord) << code;
  }
}

}  // namespace
}  // namespace quavern::songfile
