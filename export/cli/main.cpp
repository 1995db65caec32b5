// quavern-export: writes a song file as sound, MIDI or MusicXML from the command line.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <variant>

#include "export/cli/command_line.h"
#include "export/export_messages.h"
#include "export/song_export.h"
#include "playback/sound_font.h"
#include "songfile/song_file.h"
#include "songfile/song_file_messages.h"

namespace quavern::exporting::cli {
namespace {

template <class... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};

void printError(const QString& message) {
  const QByteArray line = (QString::fromLatin1(kProgramName) + ": " + message + "\n").toLocal8Bit();
  std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
}

int printOut(const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
  // "--help > /dev/full" must not pass for success.
  return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? kExitSuccess : kExitFailure;
}

int runExport(const ExportCommand& command) {
  const auto song = songfile::openSong(command.songFile.toStdU16String());
  if (!song) {
    printError(openErrorText(command.songFile, song.error()));
    return kExitFailure;
  }
  playback::StreamSounds sounds{command.melodySound, command.chordSound, {}};
  if (command.needsSoundFont()) {
    const playback::SoundAvailability found = playback::findSoundFont(playback::soundFontPlaces());
    if (found.failure) {
      printError(soundFontProblemText(*found.failure));
      return kExitFailure;
    }
    sounds.soundFont = found.soundFont;
  }
  const SongExport request{song.value().notes, song.value().chords, command.tempoIndex,
                           command.loop,       command.withChords,  sounds};
  const auto exported = exportSong(request, command.format, command.output.toStdU16String());
  if (!exported) {
    printError(exportErrorText(command.output, exported.error()));
    return kExitFailure;
  }
  return kExitSuccess;
}

int run(const Command& command) {
  return std::visit(
      Overloaded{
          [](const ExportCommand& exportCommand) { return runExport(exportCommand); },
          [](InfoRequest request) {
            switch (request) {
              case InfoRequest::kHelp:
                return printOut(usageText());
              case InfoRequest::kListSounds:
                return printOut(soundListText());
              default:
                return printOut(QStringLiteral("%1 %2\n").arg(kProgramName, QUAVERN_VERSION));
            }
          },
          [](const UsageError& error) {
            printError(QStringLiteral("%1; see %2 --help").arg(error.message, kProgramName));
            return kExitUsage;
          },
      },
      command);
}

}  // namespace
}  // namespace quavern::exporting::cli

int main(int argc, char** argv) {
  QStringList arguments;
  for (int k = 1; k < argc; ++k) {
    arguments << QString::fromLocal8Bit(argv[k]);
  }
  return quavern::exporting::cli::run(quavern::exporting::cli::parseCommandLine(arguments));
}
