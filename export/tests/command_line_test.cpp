// Runs the built quavern-export as a user would and checks what it says and leaves behind.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <csignal>
#include <functional>

#include "export/export_messages.h"
#include "export/song_export.h"
#include "playback/sound_font.h"
#include "songfile/song_file.h"
#include "songfile/song_file_messages.h"
#include "songfile/tests/scratch_folder.h"
#include "songfile/tests/song_samples.h"

namespace quavern::exporting {
namespace {

using test_support::readBytes;
using test_support::writeBytes;

struct ProgramRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// `soundFont`, when given, is the only place the program looks for a SoundFont.
ProgramRun runProgram(const QStringList& arguments, std::function<void()> inChild = {},
                      const QString& soundFont = {}) {
  QProcess program;
  if (inChild) {
    program.setChildProcessModifier(inChild);
  }
  if (!soundFont.isEmpty()) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QUAVERN_SOUNDFONT", soundFont);
    program.setProcessEnvironment(environment);
  }
  program.start(EXPORT_PROGRAM, arguments);
  EXPECT_TRUE(program.waitForFinished());
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  return {program.exitCode(), program.readAllStandardOutput().toStdString(),
          program.readAllStandardError().toStdString()};
}

std::string errorLine(const QString& message) {
  return ("quavern-export: " + message + "\n").toStdString();
}

class CommandLine : public test_support::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    writeBytes("song.txt",
               songfile::encodeSongFile(songfile::samples::uniformSong(u"c-e-g-bb", 19)).value());
  }
};

TEST_F(CommandLine, HelpAndVersionGoToStandardOutput) {
  const ProgramRun help = runProgram({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: quavern-export [--tempo 60|80|100|120] [--loop N]"));
  EXPECT_EQ(help.err, "");
  const ProgramRun version = runProgram({"song.txt", "--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "quavern-export " QUAVERN_VERSION "\n");
}

TEST_F(CommandLine, UsageErrorsExitWith2AndOneLinePointingToHelp) {
  const std::pair<QStringList, const char*> rows[] = {
      {{"--bogus", "song.txt", "-o", "a.wav"}, "unknown option \"--bogus\""},
      {{"song.txt"}, "no output file was given (-o OUTPUT)"},
      {{"-o", "a.wav"}, "no song file was given"},
      {{"song.txt", "-o"}, "option \"-o\" needs a value"},
      {{"song.txt", "other.txt", "-o", "a.wav"},
       "one song file at a time: \"song.txt\" and \"other.txt\" were given"},
      {{"--tempo", "90", "song.txt", "-o", "a.wav"},
       "tempo \"90\" is not one of 60, 80, 100 or 120"},
      {{"--loop", "0", "song.txt", "-o", "a.wav"},
       "loop \"0\" is not a whole number from 1 to 100"},
      {{"--loop=101", "song.txt", "-o", "a.wav"},
       "loop \"101\" is not a whole number from 1 to 100"},
      {{"--loop", "+2", "song.txt", "-o", "a.wav"},
       "loop \"+2\" is not a whole number from 1 to 100"},
      {{"--loop", "1.5", "song.txt", "-o", "a.wav"},
       "loop \"1.5\" is not a whole number from 1 to 100"},
      {{"--chords=yes", "song.txt", "-o", "a.wav"}, "option \"--chords\" takes no value"},
      {{"--melody-sound", "Piano", "song.txt", "-o", "a.wav"},
       "sound \"Piano\" is not one of those --list-sounds lists"},
      {{"--chord-sound=acoustic bass", "song.txt", "-o", "a.mid"},
       "sound \"acoustic bass\" is not one of those --list-sounds lists"},
      {{"song.txt", "-o", "a.wav", "--melody-sound"}, "option \"--melody-sound\" needs a value"},
      {{"song.txt", "-o", "a.txt"},
       "\"a.txt\" does not end in an export format's extension: "
       ".wav, .flac, .ogg, .mp3, .mid, .midi or .musicxml"},
  };
  for (const auto& [arguments, problem] : rows) {
    const ProgramRun run = runProgram(arguments);
    EXPECT_EQ(run.exitCode, 2) << problem;
    EXPECT_EQ(run.err, errorLine(QString(problem) + "; see quavern-export --help"));
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(folderEntries(), std::vector<std::string>{"song.txt"});
}

TEST_F(CommandLine, ListsTheSounds) {
  const ProgramRun run = runProgram({"--list-sounds"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out,
            "Steady tone (as designed)\nAcoustic grand piano\nElectric piano\nVibraphone\n"
            "Nylon guitar\nJazz guitar\nAcoustic bass\nFlute\nAlto sax\nTrumpet\nStrings\n");
}

TEST_F(CommandLine, InstrumentsWithoutASoundFontExitWith1GivingTheReason) {
  writeBytes("broken.sf2", "RIFF, but not much of a SoundFont");
  writeBytes("out.flac", "an older export");
  const QString piano = "--melody-sound=Acoustic grand piano";
  const struct {
    QStringList arguments;
    QString soundFont;
    int exitCode;
    std::string reason;
  } rows[] = {
      {{piano, "song.txt", "-o", "out.flac"},
       "missing.sf2",
       1,
       "No General MIDI SoundFont is installed: install fluid-soundfont-gm"},
      {{"--chords", "--chord-sound", "Strings", "song.txt", "-o", "out.flac"},
       "broken.sf2",
       1,
       "The SoundFont \"broken.sf2\" cannot be read: it is damaged or no SoundFont"},
      // Chords are heard only with --chords; a MIDI file only names the programs.
      {{"--chord-sound", "Strings", "song.txt", "-o", "out.wav"}, "missing.sf2", 0, ""},
      {{piano, "song.txt", "-o", "out.mid"}, "missing.sf2", 0, ""},
  };
  for (const auto& row : rows) {
    const ProgramRun run = runProgram(row.arguments, {}, row.soundFont);
    EXPECT_EQ(run.exitCode, row.exitCode) << row.reason;
    EXPECT_EQ(run.err, row.reason.empty() ? "" : "quavern-export: " + row.reason + "\n");
  }
  EXPECT_EQ(readBytes("out.flac"), "an older export");
}

TEST_F(CommandLine, WritesWhatTheCoreWritesWithOptionsInAnyOrder) {
  const songfile::Song song = songfile::openSong(u"song.txt").value();
  const auto soundFont = playback::findSoundFont(playback::soundFontPlaces()).soundFont;
  ASSERT_FALSE(soundFont.empty()) << "install fluid-soundfont-gm";
  using playback::Sound;
  const struct {
    QStringList arguments;
    SongExport expected;
    Format format;
  } rows[] = {
      {{"song.txt", "-o", "out.wav"}, {song.notes, song.chords, 0, 1, false, {}}, Format::kWav},
      {{"-o", "out.mid", "--loop", "3", "song.txt", "--tempo=100"},
       {song.notes, song.chords, 2, 3, false, {}},
       Format::kMidi},
      {{"--tempo", "80", "--output=out.musicxml", "--chords", "--", "song.txt"},
       {song.notes, song.chords, 1, 1, true, {}},
       Format::kMusicXml},
      {{"--melody-sound", "Acoustic grand piano", "song.txt", "--chord-sound=Jazz guitar",
        "--chords", "-o", "out.flac"},
       {song.notes,
        song.chords,
        0,
        1,
        true,
        {Sound::kAcousticGrandPiano, Sound::kJazzGuitar, soundFont}},
       Format::kFlac},
      {{"--chord-sound", "Acoustic bass", "song.txt", "-o", "out.mid"},
       {song.notes, song.chords, 0, 1, false, {Sound::kSteadyTone, Sound::kAcousticBass, {}}},
       Format::kMidi},
  };
  for (const auto& row : rows) {
    const QString output = row.arguments.filter("out.").first().section('=', -1);
    const ProgramRun run = runProgram(row.arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    ASSERT_TRUE(exportSong(row.expected, row.format, u"expected"));
    EXPECT_TRUE(readBytes(output.toStdString()) == readBytes("expected")) << output.toStdString();
  }
}

TEST_F(CommandLine, BadSongFilesExitWith1GivingTheReasonsOpenGives) {
  writeBytes("short.txt", "c-e-g-bb,29\r\n");
  writeBytes("out.wav", "an older export");
  for (const QString name : {"missing.txt", "short.txt", "."}) {
    const ProgramRun run = runProgram({name, "-o", "out.wav"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              errorLine(openErrorText(name, songfile::openSong(name.toStdU16String()).error())));
    EXPECT_EQ(readBytes("out.wav"), "an older export");
  }
  EXPECT_EQ(folderEntries(), (std::vector<std::string>{"out.wav", "short.txt", "song.txt"}));
}

TEST_F(CommandLine, UnwritableOutputsExitWith1AndKeepTheOldFile) {
  writeBytes("out.mid", "an older export");
  const struct {
    QString output;
    const char* reason;
    std::function<void()> inChild;
  } rows[] = {
      {"missing/out.wav", "No such file or directory", {}},
      {"out.mid/out.wav", "Not a directory", {}},
      {"out.mid", "File too large",
       [] {
         std::signal(SIGXFSZ, SIG_IGN);
         const rlimit limit{100, RLIM_INFINITY};
         setrlimit(RLIMIT_FSIZE, &limit);
       }},
  };
  for (const auto& row : rows) {
    const ProgramRun run = runProgram({"song.txt", "-o", row.output}, row.inChild);
    EXPECT_EQ(run.exitCode, 1) << row.reason;
    EXPECT_EQ(run.err, errorLine("Could not export to \"" + row.output + "\": " + row.reason));
    EXPECT_EQ(readBytes("out.mid"), "an older export");
  }
  EXPECT_EQ(folderEntries(), (std::vector<std::string>{"out.mid", "song.txt"}));
}

}  // namespace
}  // namespace quavern::exporting
