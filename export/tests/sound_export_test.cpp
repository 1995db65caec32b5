#include <gtest/gtest.h>
#include <sndfile.h>

#include <vector>

#include "export/song_export.h"
#include "export/tests/export_samples.h"
#include "playback/play.h"
#include "playback/tone_synth.h"
#include "songfile/tests/scratch_folder.h"

namespace quavern::exporting {
namespace {

constexpr int kRate = 48000;

// The play's tones through the synthesis, in one go.
std::vector<std::int16_t> synthesisedPlay(const SongExport& song) {
  playback::ToneSynth synth(kRate);
  std::vector<std::int16_t> samples;
  for (const playback::Tone& tone :
       playback::playSchedule(song.notes, song.tempoIndex, song.loop)) {
    synth.startTone(tone);
    const std::size_t start = samples.size();
    samples.resize(start + static_cast<std::size_t>(synth.samplesLeft()));
    synth.render(std::span(samples).subspan(start));
  }
  return samples;
}

struct SoundFile {
  SF_INFO info{};
  std::vector<std::int16_t> samples;
};

SoundFile readSoundFile(const char* name) {
  SoundFile file;
  SNDFILE* sound = sf_open(name, SFM_READ, &file.info);
  if (sound == nullptr) {
    ADD_FAILURE() << name << ": " << sf_strerror(nullptr);
    return file;
  }
  file.samples.resize(static_cast<std::size_t>(file.info.frames));
  file.samples.resize(static_cast<std::size_t>(
      sf_read_short(sound, file.samples.data(), static_cast<sf_count_t>(file.samples.size()))));
  sf_close(sound);
  return file;
}

using SoundExport = test_support::ScratchFolderTest;

const SongExport kSongs[] = {
    samples::uniformSong(u"c-e-g-bb", 0, 3, 1),
    // Cuts across note names after bar 1, rests from text naming no note, two passes.
    samples::song({u"c-e", u"-g-", u"xx  C-"}, {}, 1, 2),
    samples::song({}, {}, 0, 1),  // the count-in alone
};

TEST_F(SoundExport, LosslessFilesHoldExactlyTheSamplesThePlaySends) {
  const struct {
    const char* name;
    std::u16string fileName;
    Format format;
    int fileFormat;
  } formats[] = {{"song.wav", u"song.wav", Format::kWav, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                 {"song.flac", u"song.flac", Format::kFlac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16}};
  for (const auto& format : formats) {
    for (const SongExport& song : kSongs) {
      SCOPED_TRACE(testing::Message() << format.name << ", bar 1 of " << song.notes[0].size()
                                      << " characters, loop " << song.loop);
      ASSERT_TRUE(exportSong(song, format.format, format.fileName));
      const SoundFile file = readSoundFile(format.name);
      EXPECT_EQ(file.info.format, format.fileFormat);
      EXPECT_EQ(file.info.samplerate, kRate);
      EXPECT_EQ(file.info.channels, 1);
      EXPECT_TRUE(file.samples == synthesisedPlay(song));
    }
  }
}

TEST_F(SoundExport, LengthIsTheSumOfTheToneDurations) {
  // 4 + 64 tones of 500 ms.
  ASSERT_TRUE(exportSong(kSongs[0], Format::kWav, u"song.wav"));
  EXPECT_EQ(readSoundFile("song.wav").samples.size(), 1'632'000U);
  EXPECT_EQ(test_support::readBytes("song.wav").substr(0, 4), "RIFF");
}

TEST_F(SoundExport, LossyFilesDecodeToThePlaysFormatAndLength) {
  const SongExport& song = kSongs[1];
  const std::size_t length = synthesisedPlay(song).size();
  const struct {
    const char* name;
    std::u16string fileName;
    Format format;
    int majorFormat;
  } formats[] = {{"song.ogg", u"song.ogg", Format::kOgg, SF_FORMAT_OGG},
                 {"song.mp3", u"song.mp3", Format::kMp3, SF_FORMAT_MPEG}};
  for (const auto& format : formats) {
    SCOPED_TRACE(format.name);
    ASSERT_TRUE(exportSong(song, format.format, format.fileName));
    const SoundFile file = readSoundFile(format.name);
    EXPECT_EQ(file.info.format & SF_FORMAT_TYPEMASK, format.majorFormat);
    EXPECT_EQ(file.info.samplerate, kRate);
    EXPECT_EQ(file.info.channels, 1);
    // An MP3 encoder pads its last frame (1152 samples) with silence.
    EXPECT_GE(file.samples.size(), length);
    EXPECT_LE(file.samples.size(), length + 1152);
  }
}

}  // namespace
}  // namespace quavern::exporting
