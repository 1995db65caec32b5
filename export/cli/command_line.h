#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <variant>

#include "export/formats.h"
#include "playback/sounds.h"

namespace quavern::exporting::cli {

inline constexpr auto kProgramName = "quavern-export";

// Exit statuses.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // the song file or the output failed
inline constexpr int kExitUsage = 2;    // the command line was wrong

struct ExportCommand {
  QString songFile;
  QString output;
  Format format = Format::kWav;
  int tempoIndex = 0;  // the tempo selector's entry; 0 is "60", as the window starts
  std::int32_t loop = 1;
  bool withChords = false;
  playback::Sound melodySound = playback::Sound::kSteadyTone;
  playback::Sound chordSound = playback::Sound::kSteadyTone;

  // Whether writing the output takes a SoundFont: an instrument heard in a sound file.
  bool needsSoundFont() const;
};

enum class InfoRequest { kHelp, kVersion, kListSounds };

// What is wrong with the command line, in one line without the program's name.
struct UsageError {
  QString message;
};

using Command = std::variant<ExportCommand, InfoRequest, UsageError>;

// `arguments` leaves out the program's name. Options may come in any order and take their
// value as the next argument or after "=" ("--tempo 80", "--tempo=80"); "--" ends them.
Command parseCommandLine(const QStringList& arguments);

QString usageText();

// The sounds --melody-sound and --chord-sound take, one name a line.
QString soundListText();

}  // namespace quavern::exporting::cli
