#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "songfile/result.h"
#include "songfile/song.h"

// The song record: one line of the 16 notes texts joined, then per bar "," and its chord
// code (chord index + 10, two digits), stored as UTF-8 and ended by CR LF.
namespace quavern::songfile {

// UTF-16 code units: 16 bars x 8 characters of notes, then 16 x ",dd".
inline constexpr std::size_t kRecordLength = kBarCount * kNotesLength + kBarCount * 3;
inline constexpr int kChordCodeOffset = 10;
// Every record fits in this many bytes: a byte-order mark, then at most 3 bytes of UTF-8
// per UTF-16 code unit (a 4-byte sequence stands for two units). Bytes beyond are ignored.
inline constexpr std::size_t kMaxRecordBytes = 3 + 3 * kRecordLength;

enum class BarProblemKind {
  kNotesWrongLength,      // detail: the notes' length in UTF-16 code units
  kNotesLineBreak,        // a CR or LF would end the one-line record early
  kNotesBrokenCharacter,  // an unpaired UTF-16 surrogate, which UTF-8 cannot hold
  kChordMissing,
  kUnknownChord,  // detail: the chord index, outside 0 to 23
};

struct BarProblem {
  int bar;  // 1 to 16
  BarProblemKind kind;
  int detail = 0;

  friend bool operator==(const BarProblem&, const BarProblem&) = default;
};

// Why a song cannot be saved so that it reads back unchanged; lists every bar at fault,
// in bar order.
struct SaveRefusal {
  std::vector<BarProblem> problems;

  friend bool operator==(const SaveRefusal&, const SaveRefusal&) = default;
};

enum class RecordErrorKind {
  kNotUtf8,            // byteOffset: where the first malformed sequence starts
  kFirstLineTooShort,  // lineLength: UTF-16 code units before the first CR, LF or the end
  kBrokenCharacter,    // bar: a character split between this bar's notes and its neighbour
  kBadChordCode,       // bar, chordCode: the two characters found at the bar's code
};

struct RecordError {
  RecordErrorKind kind{};
  int bar = 0;
  std::size_t byteOffset = 0;
  std::size_t lineLength = 0;
  std::u16string chordCode{};

  friend bool operator==(const RecordError&, const RecordError&) = default;
};

std::vector<BarProblem> findUnsavableBars(const Song& song);

// The whole file's bytes: the record in UTF-8 (no byte-order mark), then CR LF.
Result<std::string, SaveRefusal> encodeSongFile(const Song& song);

// Reads a record from the start of a file's bytes. A UTF-8 byte-order mark is skipped, the
// first line must hold at least kRecordLength code units, and everything after those is
// ignored; the commas between chord codes are not checked.
Result<Song, RecordError> decodeSongFile(std::string_view bytes);

}  // namespace quavern::songfile
