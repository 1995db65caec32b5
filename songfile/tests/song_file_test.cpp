#include "song_file.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "song_samples.hpp"

namespace quavern::songfile {
namespace {

namespace fs = std::filesystem;

std::string read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const fs::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

const Song kPlainSong = samples::uniform_song(u"c-e-g-bb", 19);
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
class SongFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        fs::temp_directory_path() / ("quavern-songfile-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder_);
    previous_ = fs::current_path();
    fs::current_path(folder_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(folder_);
  }

  std::vector<std::string> folder_entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  fs::path folder_;
  fs::path previous_;
};

TEST_F(SongFileTest, RandomSongsSurviveSaveAndOpen) {
  std::mt19937 random(7);
  for (int number = 0; number < 48; ++number) {
    const Song song = samples::random_song(random, number);
    ASSERT_TRUE(save_song(u"data.txt", song)) << "song " << number;
    const std::string bytes = read_bytes("data.txt");
    EXPECT_EQ(bytes.size(), 178U) << "song " << number;
    EXPECT_TRUE(bytes.ends_with("\r\n")) << "song " << number;
    EXPECT_FALSE(bytes.starts_with("\xEF\xBB\xBF")) << "song " << number;
    const auto opened = open_song(u"data.txt");
    ASSERT_TRUE(opened) << "song " << number;
    EXPECT_EQ(opened.value(), song) << "song " << number;
  }
}

TEST_F(SongFileTest, SaveWritesTheExactBytes) {
  ASSERT_TRUE(save_song(u"data.txt", kPlainSong));
  EXPECT_EQ(read_bytes("data.txt"), kPlainFile);
}

TEST_F(SongFileTest, SavingOverAnExistingFileReplacesIt) {
  write_bytes("data.txt", std::string(1000, 'x'));
  ASSERT_TRUE(save_song(u"data.txt", kPlainSong));
  EXPECT_EQ(read_bytes("data.txt"), kPlainFile);
  EXPECT_EQ(folder_entries(), std::vector<std::string>{"data.txt"});
}

TEST_F(SongFileTest, NamesAreUsedExactlyAsTyped) {
  const Song song = samples::uniform_song(u"a-c-e-g-", 0);
  ASSERT_TRUE(save_song(u" data", song));
  ASSERT_TRUE(save_song(u"n\u00e4me.song", kPlainSong));
  EXPECT_EQ(folder_entries(), (std::vector<std::string>{" data", "n\xC3\xA4me.song"}));
  EXPECT_EQ(open_song(u" data").value(), song);
  EXPECT_EQ(open_song(u"n\u00e4me.song").value(), kPlainSong);
  EXPECT_FALSE(open_song(u"data"));
}

TEST_F(SongFileTest, OpensFilesThatOthersWrote) {
  write_bytes("marked.txt", "\xEF\xBB\xBF" + kPlainFile);
  write_bytes("longer.txt", kPlainFile + "second line\r\nthird line\r\n");
  EXPECT_EQ(open_song(u"marked.txt").value(), kPlainSong);
  EXPECT_EQ(open_song(u"longer.txt").value(), kPlainSong);
}

TEST_F(SongFileTest, RefusesBadFiles) {
  const std::string record = kPlainFile.substr(0, 176);
  auto with_code = [&](std::string_view code) {
    std::string bytes = kPlainFile;
    bytes.replace(129, 2, code);
    return bytes;
  };
  fs::create_directory("folder");
  struct Row {
    const char* name;
    std::string bytes;  // written to `name` unless empty
    OpenError expected;
  };
  using K = RecordErrorKind;
  const Row rows[] = {
      {"empty.txt", "", RecordError{.kind = K::first_line_too_short}},
      {"notes.txt", record.substr(0, 128),
       RecordError{.kind = K::first_line_too_short, .line_length = 128}},
      {"short.txt", "c-e-g-bb\r\n", RecordError{.kind = K::first_line_too_short, .line_length = 8}},
      {"4x.txt", with_code("4x"),
       RecordError{.kind = K::bad_chord_code, .bar = 1, .chord_code = u"4x"}},
      {"45.txt", with_code("45"),
       RecordError{.kind = K::bad_chord_code, .bar = 1, .chord_code = u"45"}},
      {"09.txt", with_code("09"),
       RecordError{.kind = K::bad_chord_code, .bar = 1, .chord_code = u"09"}},
      {"blank5.txt", with_code(" 5"),
       RecordError{.kind = K::bad_chord_code, .bar = 1, .chord_code = u" 5"}},
      {"minus1.txt", with_code("-1"),
       RecordError{.kind = K::bad_chord_code, .bar = 1, .chord_code = u"-1"}},
      {"latin1.txt", "\xE4" + record, RecordError{.kind = K::not_utf8}},
      {"missing.txt", "", FileError{FileErrorKind::cannot_open, u"No such file or directory"}},
      {"", "", FileError{FileErrorKind::empty_name, u""}},
      {"folder", "", FileError{FileErrorKind::cannot_open, u"file to open is a directory"}},
      // Opens like any file, but reading at offset 0 fails: nothing is mapped there.
      {"/proc/self/mem", "", FileError{FileErrorKind::cannot_read, u"Input/output error"}},
  };
  write_bytes("empty.txt", "");
  for (const Row& row : rows) {
    if (!row.bytes.empty())
      write_bytes(row.name, row.bytes);
    const std::string name = row.name;
    const auto song = open_song(std::u16string(name.begin(), name.end()));
    ASSERT_FALSE(song) << row.name;
    EXPECT_EQ(song.error(), row.expected) << row.name;
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
       {3, BarProblemKind::notes_wrong_length, 6}},
      {"9 characters",
       [](Song& s) { s.notes[10] = u"c-e-g-bb-"; },
       {11, BarProblemKind::notes_wrong_length, 9}},
      {"no chord", [](Song& s) { s.chords[8] = kNoChord; }, {9, BarProblemKind::no_chord}},
  };
  write_bytes("data.txt", kPlainFile);
  for (const Row& row : rows) {
    Song song = samples::uniform_song(u"a-c-e-g-", 3);
    row.spoil(song);
    const auto saved = save_song(u"data.txt", song);
    ASSERT_FALSE(saved) << row.what;
    EXPECT_EQ(saved.error(), SaveError{SaveRefusal{{row.expected}}}) << row.what;
    EXPECT_EQ(read_bytes("data.txt"), kPlainFile) << row.what;
    EXPECT_EQ(folder_entries(), std::vector<std::string>{"data.txt"}) << row.what;
  }
}

// Makes writing a file fail part way, as a full disk would: files may not grow beyond
// `bytes`, and the process survives the signal that exceeding the limit sends.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &previous_);
    previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limited{bytes, previous_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previous_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  void (*previous_handler_)(int) = nullptr;
};

TEST_F(SongFileTest, FailedSaveKeepsTheOldFile) {
  const std::string old_bytes = kPlainFile;
  const Song new_song = samples::uniform_song(u"b-d-f#a-", 23);
  struct Row {
    const char* what;
    std::u16string name;
    FileError expected;
    bool interrupt_writing = false;
  };
  const Row rows[] = {
      {"missing folder",
       u"missing/data.txt",
       {FileErrorKind::cannot_open, u"No such file or directory"}},
      {"file where a folder should be",
       u"data.txt/data.txt",
       {FileErrorKind::cannot_open, u"Not a directory"}},
      {"over-long name",
       std::u16string(300, u'n'),
       {FileErrorKind::cannot_replace, u"File name too long"}},
      {"writing interrupted", u"data.txt", {FileErrorKind::cannot_write, u"File too large"}, true},
  };
  for (const Row& row : rows) {
    write_bytes("data.txt", old_bytes);
    Result<Done, SaveError> saved = Done{};
    if (row.interrupt_writing) {
      FileSizeLimit limit(100);
      saved = save_song(row.name, new_song);
    } else {
      saved = save_song(row.name, new_song);
    }
    ASSERT_FALSE(saved) << row.what;
    EXPECT_EQ(saved.error(), SaveError{row.expected}) << row.what;
    EXPECT_EQ(read_bytes("data.txt"), old_bytes) << row.what;
    EXPECT_EQ(folder_entries(), std::vector<std::string>{"data.txt"}) << row.what;
  }
}

TEST_F(SongFileTest, SaveRefusesAnEmptyName) {
  const auto saved = save_song(u"", kPlainSong);
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.error(), (SaveError{FileError{FileErrorKind::empty_name, u""}}));
  EXPECT_TRUE(folder_entries().empty());
}

}  // namespace
}  // namespace quavern::songfile
