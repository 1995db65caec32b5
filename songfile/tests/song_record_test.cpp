#include "song_record.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "song_samples.hpp"

namespace quavern::songfile {
namespace {

using samples::uniform_song;

constexpr char kPlainRecord[] =
    "c-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bb"
    "c-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bbc-e-g-bb"
    ",10,10,10,10,10,10,10,10,10,10,10,10,10,10,10,10";

Song plain_song() {
  return uniform_song(u"c-e-g-bb", 0);
}

// Bars 1 and 2 hold characters beyond ASCII; bar k has chord index k + 7 (codes 18 to 33).
Song mixed_song() {
  Song song = uniform_song(u"a-c-e-g-", 0);
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

std::string with_chord_code(std::string record, int bar, std::string_view code) {
  record.replace(kBarCount * kNotesLength + 3 * static_cast<std::size_t>(bar - 1) + 1, 2, code);
  return record;
}

TEST(SongRecord, EncodesAPlainSongAsOneAsciiLine) {
  const auto bytes = encode_song_file(plain_song());
  ASSERT_TRUE(bytes);
  EXPECT_EQ(bytes.value(), std::string(kPlainRecord) + "\r\n");
  EXPECT_EQ(bytes.value().size(), 178U);
}

TEST(SongRecord, EncodesCharactersBeyondAsciiAsUtf8) {
  const auto bytes = encode_song_file(mixed_song());
  ASSERT_TRUE(bytes);
  EXPECT_EQ(bytes.value(), kMixedFile);
}

TEST(SongRecord, DecodesFixedBytes) {
  const auto plain = decode_song_file(std::string(kPlainRecord) + "\r\n");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain.value(), plain_song());
  const auto mixed = decode_song_file(kMixedFile);
  ASSERT_TRUE(mixed);
  EXPECT_EQ(mixed.value(), mixed_song());
}

TEST(SongRecord, RandomSongsSurviveEncodeAndDecode) {
  std::mt19937 random(20240611);
  for (int number = 0; number < 200; ++number) {
    const Song song = samples::random_song(random, number);
    const auto bytes = encode_song_file(song);
    ASSERT_TRUE(bytes) << "song " << number;
    const auto decoded = decode_song_file(bytes.value());
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
       {{3, BarProblemKind::notes_wrong_length, 6}}},
      {"9 characters",
       [](Song& s) { s.notes[8] = u"c-e-g-bb-"; },
       {{9, BarProblemKind::notes_wrong_length, 9}}},
      {"empty notes",
       [](Song& s) { s.notes[0].clear(); },
       {{1, BarProblemKind::notes_wrong_length, 0}}},
      {"no chord", [](Song& s) { s.chords[15] = kNoChord; }, {{16, BarProblemKind::no_chord}}},
      {"chord beyond the list",
       [](Song& s) { s.chords[1] = 24; },
       {{2, BarProblemKind::unknown_chord, 24}}},
      {"line break",
       [](Song& s) { s.notes[3] = u"c-e-\r\ng-"; },
       {{4, BarProblemKind::notes_line_break}}},
      {"lone surrogate",
       [](Song& s) { s.notes[4] = u"c-e-g-b\xD83C"; },
       {{5, BarProblemKind::notes_broken_character}}},
      {"several bars, in bar order",
       [](Song& s) {
         s.chords[8] = kNoChord;
         s.notes[2] = u"c-e-g-";
         s.notes[11] = u"c-e-g-bb\n";
       },
       {{3, BarProblemKind::notes_wrong_length, 6},
        {9, BarProblemKind::no_chord},
        {12, BarProblemKind::notes_wrong_length, 9},
        {12, BarProblemKind::notes_line_break}}},
  };
  for (const Row& row : rows) {
    Song song = plain_song();
    row.spoil(song);
    const auto bytes = encode_song_file(song);
    ASSERT_FALSE(bytes) << row.what;
    EXPECT_EQ(bytes.error().problems, row.expected) << row.what;
  }
}

TEST(SongRecord, RefusesBadRecords) {
  const std::string record = kPlainRecord;
  const std::string notes_only = record.substr(0, 128);
  struct Row {
    const char* what;
    std::string bytes;
    RecordError expected;
  };
  using K = RecordErrorKind;
  const Row rows[] = {
      {"empty", "", {.kind = K::first_line_too_short, .line_length = 0}},
      {"notes only", notes_only + "\r\n", {.kind = K::first_line_too_short, .line_length = 128}},
      {"short text", "c-e-g-bb\r\n", {.kind = K::first_line_too_short, .line_length = 8}},
      {"record without its last digit",
       record.substr(0, 175),
       {.kind = K::first_line_too_short, .line_length = 175}},
      {"line break inside the notes",
       "c-e-\n" + record,
       {.kind = K::first_line_too_short, .line_length = 4}},
      {"lone CR",
       record.substr(0, 100) + "\r" + record,
       {.kind = K::first_line_too_short, .line_length = 100}},
      {"code 4x",
       with_chord_code(record, 4, "4x"),
       {.kind = K::bad_chord_code, .bar = 4, .chord_code = u"4x"}},
      {"code 45",
       with_chord_code(record, 1, "45"),
       {.kind = K::bad_chord_code, .bar = 1, .chord_code = u"45"}},
      {"code 34",
       with_chord_code(record, 5, "34"),
       {.kind = K::bad_chord_code, .bar = 5, .chord_code = u"34"}},
      {"code 09",
       with_chord_code(record, 16, "09"),
       {.kind = K::bad_chord_code, .bar = 16, .chord_code = u"09"}},
      {"code blank 5",
       with_chord_code(record, 2, " 5"),
       {.kind = K::bad_chord_code, .bar = 2, .chord_code = u" 5"}},
      {"code -1",
       with_chord_code(record, 7, "-1"),
       {.kind = K::bad_chord_code, .bar = 7, .chord_code = u"-1"}},
      {"first bad code wins",
       with_chord_code(with_chord_code(record, 12, "xx"), 9, "99"),
       {.kind = K::bad_chord_code, .bar = 9, .chord_code = u"99"}},
      {"invalid byte",
       record.substr(0, 10) + "\xFF" + record,
       {.kind = K::not_utf8, .byte_offset = 10}},
      {"overlong slash after a mark",
       "\xEF\xBB\xBF"
       "abcde\xC0\xAF" +
           record,
       {.kind = K::not_utf8, .byte_offset = 8}},
      {"overlong three-byte slash",
       "c-\xE0\x80\xAF" + record,
       {.kind = K::not_utf8, .byte_offset = 2}},
      {"UTF-8 encoded surrogate", "\xED\xA0\x80" + record, {.kind = K::not_utf8}},
      {"truncated sequence", "c-e-\xE2\x82", {.kind = K::not_utf8, .byte_offset = 4}},
      {"character split across bars 1 and 2",
       "c-e-g-b\xF0\x9F\x8E\xB5" + record.substr(9),
       {.kind = K::broken_character, .bar = 1}},
      {"character split between bar 16 and the comma",
       notes_only.substr(0, 127) + "\xF0\x9F\x8E\xB5" + record.substr(129),
       {.kind = K::broken_character, .bar = 16}},
  };
  for (const Row& row : rows) {
    const auto song = decode_song_file(row.bytes);
    ASSERT_FALSE(song) << row.what;
    EXPECT_EQ(song.error(), row.expected) << row.what;
  }
}

TEST(SongRecord, AcceptsWhatSurroundsTheRecord) {
  const std::string record = kPlainRecord;
  const std::string other_separators = [&] {
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
      {"other separators", other_separators + "\r\n"},
  };
  for (const Row& row : rows) {
    const auto song = decode_song_file(row.bytes);
    ASSERT_TRUE(song) << row.what;
    EXPECT_EQ(song.value(), plain_song()) << row.what;
  }
}

TEST(SongRecord, EveryChordCodeMapsToItsIndex) {
  const std::string record = kPlainRecord;
  for (int chord = 0; chord < kChordCount; ++chord) {
    const std::string code = std::to_string(chord + kChordCodeOffset);
    const auto song = decode_song_file(with_chord_code(record, 6, code));
    ASSERT_TRUE(song) << code;
    EXPECT_EQ(song.value().chords[5], chord) << code;
  }
}

}  // namespace
}  // namespace quavern::songfile
