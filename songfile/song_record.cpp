#include "songfile/song_record.h"

#include <algorithm>
#include <optional>

#include "songfile/utf8.h"

namespace quavern::songfile {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kNotesPartLength = kBarCount * kNotesLength;
constexpr int kLowestChordCode = kChordCodeOffset;
constexpr int kHighestChordCode = kChordCodeOffset + kChordCount - 1;

bool isLineBreak(char16_t unit) {
  return unit == u'\r' || unit == u'\n';
}
bool isHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}
bool isDigit(char16_t unit) {
  return unit >= u'0' && unit <= u'9';
}
int barNumber(std::size_t barIndex) {
  return static_cast<int>(barIndex) + 1;
}

void addNotesProblems(int bar, std::u16string_view notes, std::vector<BarProblem>& problems) {
  if (notes.size() != kNotesLength) {
    problems.push_back({bar, BarProblemKind::kNotesWrongLength, static_cast<int>(notes.size())});
  }
  if (std::any_of(notes.begin(), notes.end(), isLineBreak)) {
    problems.push_back({bar, BarProblemKind::kNotesLineBreak});
  }
  if (utf8::hasUnpairedSurrogate(notes)) {
    problems.push_back({bar, BarProblemKind::kNotesBrokenCharacter});
  }
}

void addChordProblem(int bar, int chord, std::vector<BarProblem>& problems) {
  if (chord == kNoChord) {
    problems.push_back({bar, BarProblemKind::kChordMissing});
  } else if (chord < 0 || chord >= kChordCount) {
    problems.push_back({bar, BarProblemKind::kUnknownChord, chord});
  }
}

// Assumes a chord index from 0 to 23, so the code always has two digits.
void appendChordCode(int chord, std::u16string& record) {
  const int code = chord + kChordCodeOffset;
  record.push_back(u',');
  record.push_back(static_cast<char16_t>(u'0' + code / 10));
  record.push_back(static_cast<char16_t>(u'0' + code % 10));
}

std::u16string recordText(const Song& song) {
  std::u16string record;
  record.reserve(kRecordLength);
  for (const auto& notes : song.notes)
    record += notes;
  for (const int chord : song.chords)
    appendChordCode(chord, record);
  return record;
}

std::size_t chordCodePosition(std::size_t barIndex) {
  return kNotesPartLength + 3 * barIndex + 1;  // 0-based, just after the bar's comma
}

// The first line's text, cut at kRecordLength code units (possibly one more when a
// 4-byte character straddles the end), or the offset of the first malformed byte.
Result<std::u16string, RecordError> decodeFirstLine(std::string_view bytes,
                                                    std::size_t bytesSkipped) {
  std::u16string line;
  std::size_t offset = 0;
  while (line.size() < kRecordLength && offset < bytes.size()) {
    const std::optional<utf8::CodePoint> codePoint = utf8::decodeFirst(bytes.substr(offset));
    if (!codePoint) {
      return RecordError{.kind = RecordErrorKind::kNotUtf8, .byteOffset = bytesSkipped + offset};
    }
    if (codePoint->value == U'\r' || codePoint->value == U'\n')
      break;
    utf8::appendUtf16(codePoint->value, line);
    offset += codePoint->byteCount;
  }
  return line;
}

std::optional<RecordError> findSplitCharacter(std::u16string_view line) {
  for (std::size_t bar = 0; bar < kBarCount; ++bar) {
    const std::u16string_view notes = line.substr(bar * kNotesLength, kNotesLength);
    if (isLowSurrogate(notes.front()) || isHighSurrogate(notes.back())) {
      return RecordError{.kind = RecordErrorKind::kBrokenCharacter, .bar = barNumber(bar)};
    }
  }
  return std::nullopt;
}

std::optional<int> parseChordCode(std::u16string_view code) {
  if (!isDigit(code[0]) || !isDigit(code[1]))
    return std::nullopt;
  const int value = (code[0] - u'0') * 10 + (code[1] - u'0');
  if (value < kLowestChordCode || value > kHighestChordCode)
    return std::nullopt;
  return value;
}

}  // namespace

std::vector<BarProblem> findUnsavableBars(const Song& song) {
  std::vector<BarProblem> problems;
  for (std::size_t bar = 0; bar < kBarCount; ++bar) {
    addNotesProblems(barNumber(bar), song.notes[bar], problems);
    addChordProblem(barNumber(bar), song.chords[bar], problems);
  }
  return problems;
}

Result<std::string, SaveRefusal> encodeSongFile(const Song& song) {
  std::vector<BarProblem> problems = findUnsavableBars(song);
  if (!problems.empty())
    return SaveRefusal{std::move(problems)};

  const std::u16string record = recordText(song);
  std::string bytes;
  // A record that starts with U+FEFF (typed into bar 1) would lose that character
  // to open, which skips a leading byte-order mark; a mark in front keeps it.
  if (record.starts_with(u'\uFEFF'))
    bytes = kByteOrderMark;
  utf8::appendUtf8(record, bytes);  // cannot fail: no unpaired surrogates
  bytes += "\r\n";
  return bytes;
}

Result<Song, RecordError> decodeSongFile(std::string_view bytes) {
  const std::size_t skipped = bytes.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
  auto line = decodeFirstLine(bytes.substr(skipped), skipped);
  if (!line)
    return std::move(line).error();
  const std::u16string& text = line.value();
  if (text.size() < kRecordLength) {
    return RecordError{.kind = RecordErrorKind::kFirstLineTooShort, .lineLength = text.size()};
  }
  if (auto split = findSplitCharacter(text))
    return *split;

  Song song;
  for (std::size_t bar = 0; bar < kBarCount; ++bar) {
    song.notes[bar] = text.substr(bar * kNotesLength, kNotesLength);
    const std::u16string code = text.substr(chordCodePosition(bar), 2);
    const std::optional<int> value = parseChordCode(code);
    if (!value) {
      return RecordError{
          .kind = RecordErrorKind::kBadChordCode, .bar = barNumber(bar), .chordCode = code};
    }
    song.chords[bar] = *value - kChordCodeOffset;
  }
  return song;
}

}  // namespace quavern::songfile
