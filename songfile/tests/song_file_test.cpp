#include "songfile/song_file.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "songfile/tests/file_size_limit.h"
#include "songfile/tests/scratch_folder.h"
#include "songfile/tests/song_samples.h"

namespace quavern::songfile {
namespace {

namespace fs = std::filesystem;
using test_support::readBytes;
using test_support::writeBytes;

const Song kPlainSong = samples::uniformSong(u"c-e-g-bb", 19);
const std::string kPlainFile = [] {
  std::string bytes;
  for (int bar = 0; bar < 16; ++bar)
    bytes += "c-e-g-bb";
  for (int bar = 0; bar < 16; ++bar)
    bytes += ",29";
  return bytes + "\r\n";
}();

// Every test runs in a fresh folder of its own and uses names relative to it, as the window
// does with "data.txt".
using SongFileTest = test_support::ScratchFolderTest;

TEST_F(SongFileTest, RandomSongsSurviveSaveAndOpen) {
  std::mt19937 random(7);
  for (int number = 0; number < 48; ++number) {
    const Song song = samples::randomSong(random, number);
    ASSERT_TRUE(saveSong(u"data.txt", song)) << "song " << number;
    const std::string bytes = readBytes("data.txt");
    EXPECT_EQ(bytes.size(), 178U) << "song " << number;
    EXPECT_TRUE(bytes.ends_with("\r\n")) << "song " << number;
    EXPECT_FALSE(bytes.starts_with("\xEF\xBB\xBF")) << "song " << number;
    const auto opened = openSong(u"data.txt");
    ASSERT_TRUE(opened) << "song " << number;
    EXPECT_EQ(opened.value(), song) << "song " << number;
  }
}

TEST_F(SongFileTest, SaveWritesTheExactBytes) {
  ASSERT_TRUE(saveSong(u"data.txt", kPlainSong));
  EXPECT_EQ(readBytes("data.txt"), kPlainFile);
}

TEST_F(SongFileTest, SavingOverAnExistingFileReplacesIt) {
  writeBytes("data.txt", std::string(1000, 'x'));
  ASSERT_TRUE(saveSong(u"data.txt", kPlainSong));
  EXPECT_EQ(readBytes("data.txt"), kPlainFile);
  EXPECT_EQ(folderEntries(), std::vector<std::string>{"data.txt"});
}

TEST_F(SongFileTest, NamesAreUsedExactlyAsTyped) {
  const Song song = samples::uniformSong(u"a-c-e-g-", 0);
  ASSERT_TRUE(saveSong(u" data", song));
  ASSERT_TRUE(saveSong(u"n\u00e4me.song", kPlainSong));
  EXPECT_EQ(folderEntries(), (std::vector<std::string>{" data", "n\xC3\xA4me.song"}));
  EXPECT_EQ(openSong(u" data").value(), song);
  EXPECT_EQ(openSong(u"n\u00e4me.song").value(), kPlainSong);
  EXPECT_FALSE(openSong(u"data"));
}

// What a file says is checked by the record tests; these are the ways the file itself fails.
TEST_F(SongFileTest, ReportsFilesThatCannotBeRead) {
  fs::create_directory("folder");
  struct Row {
    const char* name;
    FileError expected;
  };
  const Row rows[] = {
      {"missing.txt", {FileErrorKind::kCannotOpen, u"No such file or directory"}},
      {"", {FileErrorKind::kEmptyName, u""}},
      {"folder", {FileErrorKind::kCannotOpen, u"file to open is a directory"}},
      // Opens like any file, but reading at offset 0 fails: nothing is mapped there.
      {"/proc/self/mem", {FileErrorKind::kCannotRead, u"Input/output error"}},
  };
  for (const Row& row : rows) {
    const std::string name = row.name;
    const auto song = openSong(std::u16string(name.begin(), name.end()));
    ASSERT_FALSE(song) << row.name;
    EXPECT_EQ(song.error(), OpenError{row.expected}) << row.name;
  }
}

TEST_F(SongFileTest, RefusedSaveKeepsTheOldFile) {
  struct Row {
    const char* what;
    void (*spoil)(Song&);
    BarProblem expected;
  };
  const Row rows[] = {
      {"6 characters",
       [](Song& s) { s.notes[2] = u"c-e-g-"; },
       {3, BarProblemKind::kNotesWrongLength, 6}},
      {"9 characters",
       [](Song& s) { s.notes[10] = u"c-e-g-bb-"; },
       {11, BarProblemKind::kNotesWrongLength, 9}},
      {"no chord", [](Song& s) { s.chords[8] = kNoChord; }, {9, BarProblemKind::kChordMissing}},
  };
  writeBytes("data.txt", kPlainFile);
  for (const Row& row : rows) {
    Song song = samples::uniformSong(u"a-c-e-g-", 3);
    row.spoil(song);
    const auto saved = saveSong(u"data.txt", song);
    ASSERT_FALSE(saved) << row.what;
    EXPECT_EQ(saved.error(), SaveError{SaveRefusal{{row.expected}}}) << row.what;
    EXPECT_EQ(readBytes("data.txt"), kPlainFile) << row.what;
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"data.txt"}) << row.what;
  }
}

TEST_F(SongFileTest, FailedSaveKeepsTheOldFile) {
  const std::string oldBytes = kPlainFile;
  const Song newSong = samples::uniformSong(u"b-d-f#a-", 23);
  struct Row {
    const char* what;
    std::u16string name;
    FileError expected;
    bool interruptWriting = false;
  };
  const Row rows[] = {
      {"missing folder",
       u"missing/data.txt",
       {FileErrorKind::kCannotOpen, u"No such file or directory"}},
      {"file where a folder should be",
       u"data.txt/data.txt",
       {FileErrorKind::kCannotOpen, u"Not a directory"}},
      {"over-long name",
       std::u16string(300, u'n'),
       {FileErrorKind::kCannotReplace, u"File name too long"}},
      {"writing interrupted", u"data.txt", {FileErrorKind::kCannotWrite, u"File too large"}, true},
  };
  for (const Row& row : rows) {
    writeBytes("data.txt", oldBytes);
    Result<Done, SaveError> saved = Done{};
    if (row.interruptWriting) {
      test_support::FileSizeLimit limit(100);
      saved = saveSong(row.name, newSong);
    } else {
      saved = saveSong(row.name, newSong);
    }
    ASSERT_FALSE(saved) << row.what;
    EXPECT_EQ(saved.error(), SaveError{row.expected}) << row.what;
    EXPECT_EQ(readBytes("data.txt"), oldBytes) << row.what;
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"data.txt"}) << row.what;
  }
}

TEST_F(SongFileTest, SaveRefusesAnEmptyName) {
  const auto saved = saveSong(u"", kPlainSong);
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.error(), (SaveError{FileError{FileErrorKind::kEmptyName, u""}}));
  EXPECT_TRUE(folderEntries().empty());
}

}  // namespace
}  // namespace quavern::songfile
