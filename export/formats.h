#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace quavern::exporting {

enum class Format {
  kWav,       // RIFF/WAVE, signed 16-bit PCM
  kFlac,      // lossless, the same samples as the WAV
  kOgg,       // Ogg Vorbis
  kMp3,       // MPEG-1 layer III
  kMidi,      // Standard MIDI File, format 1
  kMusicXml,  // uncompressed score-partwise
};

// What a file name's extension says; matched without regard to case.
struct FileType {
  std::string_view extension;  // with its leading dot
  Format format;
  std::string_view description;  // for a save dialog's filter or a list of choices
};

inline constexpr std::array<FileType, 7> kFileTypes{{
    {".wav", Format::kWav, "WAV sound"},
    {".flac", Format::kFlac, "FLAC sound"},
    {".ogg", Format::kOgg, "Ogg Vorbis sound"},
    {".mp3", Format::kMp3, "MP3 sound"},
    {".mid", Format::kMidi, "MIDI file"},
    {".midi", Format::kMidi, "MIDI file"},
    {".musicxml", Format::kMusicXml, "MusicXML lead sheet"},
}};

// The format a file name asks for by its extension, or nothing when no format has it.
std::optional<Format> formatForFileName(std::u16string_view fileName);

// Whether the format holds the play's sound, rather than its notes.
constexpr bool isSoundFormat(Format format) {
  return format == Format::kWav || format == Format::kFlac || format == Format::kOgg ||
         format == Format::kMp3;
}

}  // namespace quavern::exporting
