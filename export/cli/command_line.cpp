#include "export/cli/command_line.h"

#include <algorithm>
#include <array>
#include <optional>

#include "export/export_messages.h"

namespace quavern::exporting::cli {
namespace {

constexpr std::int32_t kMostPasses = 100;

// The tempo selector's entries, in selector order.
constexpr std::array<const char*, 4> kTempoEntries{"60", "80", "100", "120"};

std::optional<int> tempoIndexOf(const QString& value) {
  for (std::size_t index = 0; index < kTempoEntries.size(); ++index) {
    if (value == QLatin1String(kTempoEntries[index])) {
      return static_cast<int>(index);
    }
  }
  return std::nullopt;
}

// Digits only: no sign, no spaces, no exponent.
std::optional<std::int32_t> passCountOf(const QString& value) {
  const bool digitsOnly = !value.isEmpty() && std::all_of(value.begin(), value.end(), [](QChar c) {
    return c >= u'0' && c <= u'9';
  });
  bool converted = false;
  const int passes = value.toInt(&converted);
  if (!digitsOnly || !converted || passes < 1 || passes > kMostPasses) {
    return std::nullopt;
  }
  return passes;
}

std::optional<playback::Sound> soundOf(const QString& value) {
  return playback::soundNamed(value.toStdString());
}

QString quoted(const QString& text) {
  return QStringLiteral("\"%1\"").arg(text);
}

// Reads the command line's options and file names one argument at a time.
class Parser {
 public:
  explicit Parser(const QStringList& arguments) : arguments_(arguments) {}

  Command parse() {
    while (next_ < arguments_.size()) {
      if (auto stop = take(arguments_[next_++])) {
        return *stop;
      }
    }
    return finish();
  }

 private:
  // Returns a command when this argument settles what to do (help, or a usage error).
  std::optional<Command> take(const QString& argument) {
    if (optionsEnded_ || argument == "-" || !argument.startsWith('-')) {
      return fileName(argument);
    }
    if (argument == "--") {
      optionsEnded_ = true;
      return std::nullopt;
    }
    const qsizetype equals = argument.startsWith("--") ? argument.indexOf('=') : -1;
    const QString name = equals < 0 ? argument : argument.left(equals);
    std::optional<QString> inlineValue;
    if (equals >= 0) {
      inlineValue = argument.mid(equals + 1);
    }
    return option(name, inlineValue);
  }

  std::optional<Command> option(const QString& name, const std::optional<QString>& inlineValue) {
    const bool takesValue = name == "--tempo" || name == "--loop" || name == "-o" ||
                            name == "--output" || name == "--melody-sound" ||
                            name == "--chord-sound";
    const bool isFlag = name == "--help" || name == "-h" || name == "--version" ||
                        name == "--chords" || name == "--list-sounds";
    if (!takesValue && !isFlag) {
      return UsageError{QStringLiteral("unknown option %1").arg(quoted(name))};
    }
    if (isFlag) {
      if (inlineValue) {
        return UsageError{QStringLiteral("option %1 takes no value").arg(quoted(name))};
      }
      return flag(name);
    }
    if (!inlineValue && next_ >= arguments_.size()) {
      return UsageError{QStringLiteral("option %1 needs a value").arg(quoted(name))};
    }
    return valued(name, inlineValue ? *inlineValue : arguments_[next_++]);
  }

  std::optional<Command> flag(const QString& name) {
    if (name == "--chords") {
      command_.withChords = true;
      return std::nullopt;
    }
    if (name == "--list-sounds") {
      return InfoRequest::kListSounds;
    }
    return name == "--version" ? InfoRequest::kVersion : InfoRequest::kHelp;
  }

  std::optional<Command> valued(const QString& name, const QString& value) {
    if (name == "--tempo") {
      const auto index = tempoIndexOf(value);
      if (!index) {
        return UsageError{
            QStringLiteral("tempo %1 is not one of 60, 80, 100 or 120").arg(quoted(value))};
      }
      command_.tempoIndex = *index;
    } else if (name == "--loop") {
      const auto passes = passCountOf(value);
      if (!passes) {
        return UsageError{QStringLiteral("loop %1 is not a whole number from 1 to %2")
                              .arg(quoted(value))
                              .arg(kMostPasses)};
      }
      command_.loop = *passes;
    } else if (name == "--melody-sound" || name == "--chord-sound") {
      const auto sound = soundOf(value);
      if (!sound) {
        return UsageError{
            QStringLiteral("sound %1 is not one of those --list-sounds lists").arg(quoted(value))};
      }
      (name == "--melody-sound" ? command_.melodySound : command_.chordSound) = *sound;
    } else {
      output_ = value;
    }
    return std::nullopt;
  }

  std::optional<Command> fileName(const QString& argument) {
    if (songFile_) {
      return UsageError{QStringLiteral("one song file at a time: %1 and %2 were given")
                            .arg(quoted(*songFile_), quoted(argument))};
    }
    songFile_ = argument;
    return std::nullopt;
  }

  Command finish() {
    if (!songFile_) {
      return UsageError{QStringLiteral("no song file was given")};
    }
    if (!output_) {
      return UsageError{QStringLiteral("no output file was given (-o OUTPUT)")};
    }
    const auto format = formatForFileName(output_->toStdU16String());
    if (!format) {
      return UsageError{unknownExportFormatText(*output_)};
    }
    command_.songFile = *songFile_;
    command_.output = *output_;
    command_.format = *format;
    return command_;
  }

  const QStringList& arguments_;
  qsizetype next_ = 0;
  bool optionsEnded_ = false;
  std::optional<QString> songFile_;
  std::optional<QString> output_;
  ExportCommand command_;
};

}  // namespace

bool ExportCommand::needsSoundFont() const {
  return isSoundFormat(format) && (playback::isInstrument(melodySound) ||
                                   (withChords && playback::isInstrument(chordSound)));
}

Command parseCommandLine(const QStringList& arguments) {
  return Parser(arguments).parse();
}

QString usageText() {
  return QStringLiteral(
      "Usage: quavern-export [--tempo 60|80|100|120] [--loop N] [--chords]\n"
      "                      [--melody-sound NAME] [--chord-sound NAME] SONGFILE -o OUTPUT\n"
      "Writes a Quavern song file as sound, as MIDI or as a MusicXML lead sheet.\n"
      "\n"
      "  SONGFILE             a song file as Quavern's \"save\" writes it\n"
      "  -o, --output OUTPUT  the file to write; its extension picks the format:\n"
      "                         .wav .flac .ogg .mp3  the play's sound, 48 kHz mono,\n"
      "                                               count-in included\n"
      "                         .mid .midi            a Standard MIDI File: count-in,\n"
      "                                               melody and chord tracks\n"
      "                         .musicxml             a lead sheet: the melody with\n"
      "                                               each bar's chord symbol\n"
      "      --tempo T        60, 80, 100 or 120 as in the window: 1000, 833, 667 or\n"
      "                       500 ms a note (default 60)\n"
      "      --loop N         the song N times over, 1 to 100 (default 1)\n"
      "      --chords         sound the chords under the melody (sound files only;\n"
      "                       MIDI and MusicXML always carry the chords)\n"
      "      --melody-sound NAME  the melody's sound, as --list-sounds names it\n"
      "                       (default \"Steady tone (as designed)\"); the count-in is\n"
      "                       always the steady tone\n"
      "      --chord-sound NAME   the chords' sound, likewise; heard with --chords\n"
      "      --list-sounds    list the sounds and exit\n"
      "  -h, --help           show this help and exit\n"
      "      --version        show the program's name and version and exit\n"
      "\n"
      "An instrument sounds from the General MIDI SoundFont of fluid-soundfont-gm (or\n"
      "timgm6mb-soundfont), or from the file QUAVERN_SOUNDFONT names; a MIDI file names\n"
      "each track's General MIDI program, the steady tone as Ocarina (GM 80).\n"
      "\n"
      "An output file is written completely or not at all. Exit status: 0 on success,\n"
      "1 when the song file cannot be read, the output cannot be written or an\n"
      "instrument has no SoundFont, 2 when the command line is wrong.\n");
}

QString soundListText() {
  QString text;
  for (const playback::SoundEntry& entry : playback::kSoundCatalogue) {
    text += QString::fromUtf8(entry.name.data(), static_cast<qsizetype>(entry.name.size())) + "\n";
  }
  return text;
}

}  // namespace quavern::exporting::cli
