#include <gtest/gtest.h>

#include <optional>

#include "export/formats.h"
#include "export/song_export.h"
#include "export/tests/export_samples.h"
#include "songfile/tests/file_size_limit.h"
#include "songfile/tests/scratch_folder.h"

namespace quavern::exporting {
namespace {

using songfile::FileError;
using songfile::FileErrorKind;

TEST(ExportFormats, TheExtensionPicksTheFormat) {
  const std::pair<std::u16string, std::optional<Format>> rows[] = {
      {u"song.wav", Format::kWav},
      {u"SONG.WAV", Format::kWav},
      {u"take 2.Flac", Format::kFlac},
      {u"song.ogg", Format::kOgg},
      {u"song.mp3", Format::kMp3},
      {u"song.mid", Format::kMidi},
      {u"folder.x/song.midi", Format::kMidi},
      {u"song.musicxml", Format::kMusicXml},
      {u"song.xml", std::nullopt},  // could be any XML
      {u"song.wav.txt", std::nullopt},
      {u"song", std::nullopt},
      {u".wav", std::nullopt},  // a hidden file's whole name
      {u"folder/.mid", std::nullopt},
      {u"", std::nullopt},
  };
  for (const auto& [name, format] : rows) {
    EXPECT_EQ(formatForFileName(name), format) << std::string(name.begin(), name.end());
  }
}

using FailedExport = test_support::ScratchFolderTest;

TEST_F(FailedExport, KeepsTheOldFileAndLeavesNoPartialOne) {
  const std::string oldBytes = "an older export";
  const SongExport song = samples::uniformSong(u"c-e-g-bb", 0, 0, 2);
  struct Row {
    const char* what;
    std::u16string name;
    FileError expected;
    bool limitFileSize = false;
  };
  const Row rows[] = {
      {"missing folder",
       u"missing/out",
       {FileErrorKind::kCannotOpen, u"No such file or directory"}},
      {"file where a folder should be",
       u"out/out",
       {FileErrorKind::kCannotOpen, u"Not a directory"}},
      {"empty name", u"", {FileErrorKind::kEmptyName, u""}},
      // A full disk, as far as the export can tell: the file stops growing part way.
      {"writing interrupted", u"out", {FileErrorKind::kCannotWrite, u"File too large"}, true},
  };
  const std::pair<const char*, Format> formats[] = {
      {"WAV", Format::kWav}, {"FLAC", Format::kFlac}, {"Ogg", Format::kOgg},
      {"MP3", Format::kMp3}, {"MIDI", Format::kMidi}, {"MusicXML", Format::kMusicXml}};
  for (const auto& [formatName, format] : formats) {
    for (const Row& row : rows) {
      SCOPED_TRACE(testing::Message() << formatName << ", " << row.what);
      test_support::writeBytes("out", oldBytes);
      std::optional<test_support::FileSizeLimit> limit;
      if (row.limitFileSize) {
        limit.emplace(200);
      }
      const auto exported = exportSong(song, format, row.name);
      limit.reset();
      ASSERT_FALSE(exported);
      EXPECT_EQ(exported.error(), ExportError{row.expected});
      EXPECT_EQ(test_support::readBytes("out"), oldBytes);
      EXPECT_EQ(folderEntries(), std::vector<std::string>{"out"});
    }
  }
}

}  // namespace
}  // namespace quavern::exporting
