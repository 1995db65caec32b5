#include <gtest/gtest.h>
#include <sndfile.h>

#include <vector>

#include "export/song_export.h"
#include "export/tests/export_samples.h"
#include "music/token_cuts.h"
#include "playback/accompaniment.h"
#include "playback/play.h"
#include "playback/play_settings.h"
#include "playback/tone_synth.h"
#include "songfile/tests/scratch_folder.h"

namespace quavern::exporting {
namespace {

constexpr int kRate = 48000;

// The play's tones through the synthesis, in one go, with the bars' chords
// under them when the song asks for them.
std::vector<std::int16_t> synthesisedPlay(const SongExport& song) {
  playback::ToneSynth synth(kRate);
  if (song.withChords) {
    synth.reset(playback::chordSchedule(song.chords, music::cutTokens(song.notes).size(),
                                        playback::noteDurationMs(song.tempoIndex), song.loop));
  }
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

SongExport withChordsUnder(SongExport song) {
  song.withChords = true;
  return song;
}

const SongExport kSongs[] = {
    samples::uniformSong(u"c-e-g-bb", 0, 3, 1),
    // Cuts across note names after bar 1, rests from text naming no note, two passes.
    samples::song({u"c-e", u"-g-", u"xx  C-"}, {}, 1, 2),
    samples::song({}, {}, 0, 1),  // the count-in alone
    // The chords keep to their bars whatever the cuts; bar 3 has none.
    withChordsUnder(samples::song({u"c-e", u"-g-a-", u"xx", u"C-"}, {19, 0, -1, 23}, 3, 2)),
};

TEST_F(SoundExport, FilesHoldThePlaysSamplesNothingBeforeOrAfter) {
  // 4 + 64 tones of 500 ms at 48 kHz.
  ASSERT_EQ(synthesisedPlay(kSongs[0]).size(), 1'632'000U);
  const struct {
    std::u16string name;
    Format format;
    int fileFormat;
    bool lossless;
  } formats[] = {{u"song.wav", Format::kWav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, true},
                 {u"song.flac", Format::kFlac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, true},
                 {u"song.ogg", Format::kOgg, SF_FORMAT_OGG | SF_FORMAT_VORBIS, false},
                 {u"song.mp3", Format::kMp3, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, false}};
  for (const auto& format : formats) {
    const std::string name(format.name.begin(), format.name.end());
    for (const SongExport& song : kSongs) {
      SCOPED_TRACE(testing::Message()
                   << name << ", bar 1 of " << song.notes[0].size() << " characters, loop "
                   << song.loop << (song.withChords ? ", chords under" : ""));
      ASSERT_TRUE(exportSong(song, format.format, format.name));
      const SoundFile file = readSoundFile(name.c_str());
      EXPECT_EQ(file.info.format, format.fileFormat);
      EXPECT_EQ(file.info.samplerate, kRate);
      EXPECT_EQ(file.info.channels, 1);
      const std::vector<std::int16_t> played = synthesisedPlay(song);
      if (format.lossless) {
        EXPECT_TRUE(file.samples == played);
      } else {
        // A lossy encoder may pad its last frame (1152 samples for MP3) with silence.
        EXPECT_GE(file.samples.size(), played.size());
        EXPECT_LE(file.samples.size(), played.size() + 1152);
      }
    }
  }
}

}  // namespace
}  // namespace quavern::exporting
