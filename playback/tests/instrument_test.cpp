#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "music/timeline.h"
#include "playback/accompaniment.h"
#include "playback/note_renderer.h"
#include "playback/sound_font.h"
#include "playback/sounds.h"
#include "playback/testing/rendered_stream.h"
#include "practice/pitch_detector.h"

namespace quavern::playback {
namespace {

using testing::renderedStream;
using testing::renderedStreamIn;

constexpr int kRate = 48000;

std::filesystem::path installedSoundFont() {
  return findSoundFont(soundFontPlaces()).soundFont;
}

// A stand-in for FluidSynth whose notes mark the samples where they are struck and let
// go, and nothing else; it notes what it was asked for.
struct MarkerNotes {
  std::vector<NoteRequest>* asked;
  NoteSamples operator()(const NoteRequest& note) const {
    asked->push_back(note);
    NoteSamples samples(static_cast<std::size_t>(note.heldSamples) + 1, 0.0f);
    samples.front() = 1.0f;
    samples.back() = 0.5f;
    return samples;
  }
};

std::set<std::int64_t> nonZeroSamples(const std::vector<std::int16_t>& stream) {
  std::set<std::int64_t> found;
  for (std::size_t i = 0; i < stream.size(); ++i) {
    if (stream[i] != 0) {
      found.insert(static_cast<std::int64_t>(i));
    }
  }
  return found;
}

// Where each sounding tone's note should be struck and let go, from the tones'
// cumulative milliseconds, on the stream's sample grid.
std::set<std::int64_t> melodyEdges(const std::vector<Tone>& tones) {
  std::set<std::int64_t> edges;
  std::int64_t ms = 0;
  for (const Tone& tone : tones) {
    if (!tone.isRest()) {
      edges.insert(music::sampleAtMs(ms, kRate));
      edges.insert(music::sampleAtMs(ms + tone.durationMs, kRate));
    }
    ms += tone.durationMs;
  }
  return edges;
}

std::vector<Tone> repeated(const std::vector<Tone>& pass, int times) {
  std::vector<Tone> tones;
  for (int k = 0; k < times; ++k) {
    tones.insert(tones.end(), pass.begin(), pass.end());
  }
  return tones;
}

TEST(InstrumentSchedule, MelodyNotesAreStruckAndLetGoOnTheSampleGrid) {
  const Tone c{523, 667};
  const Tone rest{kRestHz, 667};
  const struct {
    const char* name;
    std::vector<Tone> tones;
  } rows[] = {
      {"odd note length", {c, {659, 667}, {784, 667}}},
      {"rests sound nothing", {rest, c, rest, rest, {988, 667}}},
      {"lengths that do not divide the grid", {{523, 833}, {587, 833}, {523, 1}, {523, 833}}},
      {"a loop of passes", repeated({c, rest, {698, 667}}, 5)},
  };
  for (const auto& row : rows) {
    std::vector<NoteRequest> asked;
    const StreamSounds piano{Sound::kAcousticGrandPiano, Sound::kSteadyTone, "fake.sf2"};
    const auto stream = renderedStreamIn(piano, row.tones, {}, MarkerNotes{&asked});
    EXPECT_EQ(nonZeroSamples(stream), melodyEdges(row.tones)) << row.name;
    for (const NoteRequest& note : asked) {
      EXPECT_EQ(note.program, 0) << row.name;
      EXPECT_EQ(note.velocity, InstrumentLayer::kMelodyVelocity) << row.name;
    }
  }
}

TEST(InstrumentSchedule, ChordsAreHeldForTheirBarsThroughOddBarsAndLoops) {
  const std::int32_t t = 833;
  // Seven tokens a pass: the second bar is three notes long.
  const music::ChordIndexes chords{0, 19};  // C, then Am
  const Accompaniment accompaniment = chordSchedule(chords, 7, t, 2);
  const std::vector<Tone> tones(4 + 2 * 7, Tone{kRestHz, t});
  const struct {
    Sound sound;
    std::size_t keysPerChord;
    int octaveShift;
  } rows[] = {{Sound::kNylonGuitar, 4, 0}, {Sound::kAcousticBass, 1, -12}};
  for (const auto& row : rows) {
    std::vector<NoteRequest> asked;
    const StreamSounds sounds{Sound::kSteadyTone, row.sound, "fake.sf2"};
    const auto stream = renderedStreamIn(sounds, tones, accompaniment, MarkerNotes{&asked});
    std::set<std::int64_t> edges;
    std::set<NoteRequest> expected;
    for (const ChordSpan& span : accompaniment) {
      const std::int64_t start = music::sampleAtMs(span.startMs, kRate);
      const std::int64_t end = music::sampleAtMs(span.endMs, kRate);
      edges.insert({start, end});
      for (std::size_t k = 0; k < row.keysPerChord; ++k) {
        expected.insert({gmProgramOf(row.sound),
                         InstrumentLayer::keyOf(span.frequenciesHz[k]) + row.octaveShift,
                         InstrumentLayer::kChordVelocity, end - start});
      }
    }
    EXPECT_EQ(nonZeroSamples(stream), edges) << nameOf(row.sound);
    EXPECT_EQ(std::set<NoteRequest>(asked.begin(), asked.end()), expected) << nameOf(row.sound);
    // One rendering serves every bar where the same note sounds as long.
    EXPECT_EQ(asked.size(), expected.size()) << nameOf(row.sound);
  }
}

TEST(InstrumentSchedule, AChordsNotesAreRenderedOneATimeInTheTonesBeforeIt) {
  // The count-in's four tones, then Am on the guitar: four new notes.
  const std::int64_t tone = music::sampleAtMs(500, kRate);
  std::vector<NoteRequest> asked;
  InstrumentLayer layer(kRate, MarkerNotes{&asked});
  layer.reset({Sound::kSteadyTone, Sound::kNylonGuitar, "fake.sf2"},
              chordSchedule(music::ChordIndexes{19}, 4, 500, 1));
  for (std::int64_t k = 0; k < 4; ++k) {
    layer.readyChordsBefore((k + 1) * tone);
    EXPECT_EQ(asked.size(), static_cast<std::size_t>(k + 1)) << "tone " << k;
  }
  layer.readyChordsBefore(5 * tone);
  EXPECT_EQ(asked.size(), 4U) << "the chord's own tone renders nothing new";
}

TEST(InstrumentSchedule, CountInStaysTheSteadyTone) {
  const std::vector<Tone> countIn(4, countInTone(500));
  std::vector<NoteRequest> asked;
  const StreamSounds piano{Sound::kAcousticGrandPiano, Sound::kAcousticGrandPiano, "fake.sf2"};
  EXPECT_EQ(renderedStreamIn(piano, countIn, {}, MarkerNotes{&asked}), renderedStream(countIn));
  EXPECT_TRUE(asked.empty());
}

TEST(SteadyTones, AreUnchangedSampleForSampleWithoutAnInstrument) {
  const std::vector<Tone> tones{countInTone(667), {523, 667}, {kRestHz, 667}, {988, 667}};
  const Accompaniment chords = chordSchedule({0, 15}, 8, 667, 1);
  const std::vector<std::int16_t> designed = renderedStream(tones, chords);
  const struct {
    const char* name;
    StreamSounds sounds;
  } rows[] = {
      {"no sounds given", {}},
      {"steady tones with a SoundFont at hand",
       {Sound::kSteadyTone, Sound::kSteadyTone, "/usr/share/sounds/sf2/default-GM.sf2"}},
      {"instruments whose SoundFont is missing",
       {Sound::kAcousticGrandPiano, Sound::kStrings, "/nonexistent/GM.sf2"}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(renderedStreamIn(row.sounds, tones, chords), designed) << row.name;
  }
}

class ScratchFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("quavern-soundfont-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::filesystem::path write(const std::string& name, const std::string& bytes) {
    const auto path = folder_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::filesystem::path folder_;
};

TEST_F(ScratchFolder, SoundFontProblemsAreReportedNamingTheFile) {
  const auto garbage = write("garbage.sf2", std::string(4096, 'x'));
  // A RIFF header that claims to be a SoundFont, with nothing readable after it.
  const auto truncated =
      write("truncated.sf2", std::string("RIFF\xff\xff\x00\x00sfbkLIST", 16) + "junk");
  const auto folderInstead = folder_ / "folder.sf2";
  std::filesystem::create_directory(folderInstead);
  const auto missing = folder_ / "missing.sf2";
  const struct {
    const char* name;
    std::vector<std::filesystem::path> places;
    SoundFontFailure failure;
  } rows[] = {
      {"nothing installed", {missing, folder_ / "also-missing.sf2"}, {}},
      {"no places at all", {}, {}},
      {"not a SoundFont", {garbage}, {SoundFontProblem::kUnreadable, garbage}},
      {"a broken SoundFont", {truncated}, {SoundFontProblem::kUnreadable, truncated}},
      {"a folder of that name", {folderInstead}, {SoundFontProblem::kUnreadable, folderInstead}},
      {"the first found is the one reported",
       {missing, garbage, installedSoundFont()},
       {SoundFontProblem::kUnreadable, garbage}},
  };
  for (const auto& row : rows) {
    const SoundAvailability found = findSoundFont(row.places);
    EXPECT_EQ(found.soundFont, std::filesystem::path()) << row.name;
    EXPECT_EQ(found.failure, row.failure) << row.name;
    EXPECT_FALSE(found.usable(Sound::kFlute)) << row.name;
    EXPECT_TRUE(found.usable(Sound::kSteadyTone)) << row.name;
    EXPECT_EQ(found.streamSounds(Sound::kFlute, Sound::kStrings).melody, Sound::kSteadyTone);
  }
}

TEST_F(ScratchFolder, ChosenSoundFontIsTheOnlyPlace) {
  const auto chosen = write("mine.sf2", "x");
  ::setenv("QUAVERN_SOUNDFONT", chosen.c_str(), 1);
  EXPECT_EQ(soundFontPlaces(), std::vector<std::filesystem::path>{chosen});
  ::unsetenv("QUAVERN_SOUNDFONT");
  EXPECT_EQ(soundFontPlaces().front(), "/usr/share/sounds/sf2/default-GM.sf2");
}

TEST(SoundCatalogue, NamesReadBackToTheirSounds) {
  std::set<int> programs;
  for (const SoundEntry& entry : kSoundCatalogue) {
    EXPECT_EQ(soundNamed(entry.name), entry.sound) << entry.name;
    EXPECT_EQ(nameOf(entry.sound), entry.name);
    programs.insert(entry.gmProgram);
  }
  EXPECT_EQ(programs.size(), kSoundCatalogue.size());
  EXPECT_EQ(soundNamed("acoustic grand piano"), std::nullopt);
  EXPECT_EQ(soundNamed("Piano"), std::nullopt);
}

// The rest need the General MIDI SoundFont that the build installs.
class WithSoundFont : public ::testing::Test {
 protected:
  void SetUp() override {
    soundFont_ = installedSoundFont();
    ASSERT_FALSE(soundFont_.empty()) << "install fluid-soundfont-gm";
  }
  std::filesystem::path soundFont_;
};

double detectedHz(const std::vector<std::int16_t>& stream, std::int64_t from) {
  practice::PitchDetector detector(kRate);
  const auto frame = std::span(stream).subspan(static_cast<std::size_t>(from));
  return detector.detect(frame).value_or(0.0);
}

TEST_F(WithSoundFont, EveryInstrumentStartsOnTimeAtItsNotesPitch) {
  const Tone rest{kRestHz, 500};
  const std::vector<Tone> tones{rest, {523, 1000}, rest, {880, 1000}, rest, {659, 500}};
  const std::int64_t starts[] = {24000, 96000, 168000};
  const double pitches[] = {523.25, 880.0, 659.26};
  for (const SoundEntry& entry : kSoundCatalogue) {
    if (!isInstrument(entry.sound)) {
      continue;
    }
    const auto stream = renderedStreamIn({entry.sound, Sound::kSteadyTone, soundFont_}, tones);
    // Nothing before the first note is struck, and its attack within a millisecond.
    const auto first = std::find_if(stream.begin(), stream.end(),
                                    [](std::int16_t value) { return std::abs(value) > 16; });
    EXPECT_GE(first - stream.begin(), starts[0]) << entry.name;
    EXPECT_LT(first - stream.begin(), starts[0] + 48 * 20) << entry.name;
    for (std::size_t note = 0; note < std::size(starts); ++note) {
      // Through the middle of the note, past the attack.
      const double heard = detectedHz(stream, starts[note] + 9600);
      EXPECT_NEAR(heard, pitches[note], pitches[note] * 0.01) << entry.name << " note " << note;
    }
  }
}

TEST_F(WithSoundFont, ABassPlaysTheChordsRootAnOctaveLower) {
  const Accompaniment chords = chordSchedule({14, 18}, 8, 1000, 1);  // G, then A
  const std::vector<Tone> tones(12, Tone{kRestHz, 1000});
  const auto stream =
      renderedStreamIn({Sound::kSteadyTone, Sound::kAcousticBass, soundFont_}, tones, chords);
  EXPECT_NEAR(detectedHz(stream, 4 * kRate + 9600), 196.0, 2.0);
  EXPECT_NEAR(detectedHz(stream, 8 * kRate + 9600), 220.0, 2.2);
}

TEST_F(WithSoundFont, TheMelodySitsWellAboveTheChords) {
  const Accompaniment chords = chordSchedule({0}, 4, 1000, 1);
  const std::vector<Tone> rests(8, Tone{kRestHz, 1000});
  std::vector<Tone> melody = rests;
  melody[5] = {880, 1000};
  const auto peakIn = [](const std::vector<std::int16_t>& stream) {
    int peak = 0;
    for (const std::int16_t value : stream) {
      peak = std::max(peak, std::abs(static_cast<int>(value)));
    }
    return 20.0 * std::log10(peak / 32767.0);
  };
  for (const Sound sound : {Sound::kAcousticGrandPiano, Sound::kStrings}) {
    const double melodyDb = peakIn(renderedStreamIn({sound, sound, soundFont_}, melody));
    const double chordDb = peakIn(renderedStreamIn({sound, sound, soundFont_}, rests, chords));
    EXPECT_NEAR(melodyDb, -12.0, 0.1) << nameOf(sound);
    // Four notes peak together no higher than four times one, and not far below.
    EXPECT_LT(chordDb, melodyDb - 3.0) << nameOf(sound);
    EXPECT_GT(chordDb, melodyDb - 15.0) << nameOf(sound);
  }
}

TEST_F(WithSoundFont, ANoteRendersTheSameEveryTime) {
  auto opened = NoteRenderer::open(soundFont_, kRate);
  auto& renderer = *std::get<std::unique_ptr<NoteRenderer>>(opened);
  const NoteRequest piano{0, 72, 100, 48000};
  const NoteRequest strings{48, 60, 80, 96011};
  const NoteSamples first = renderer.render(piano);
  renderer.render(strings);
  EXPECT_EQ(renderer.render(piano), first);
  EXPECT_GT(first.size(), static_cast<std::size_t>(piano.heldSamples));
}

TEST_F(WithSoundFont, TheLastNoteDiesAwayAfterTheStream) {
  const std::vector<Tone> tones{{523, 500}};
  const auto stream =
      renderedStreamIn({Sound::kAcousticGrandPiano, Sound::kSteadyTone, soundFont_}, tones);
  EXPECT_GT(stream.size(), 24000u);
  EXPECT_LE(stream.size(), 24000u + 48000u);
  EXPECT_LE(std::abs(stream.back()), 1);
}

}  // namespace
}  // namespace quavern::playback
