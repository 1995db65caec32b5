#include "song_record.hpp"

#include <algorithm>
#include <optional>

#include "utf8.hpp"

namespace quavern::songfile {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kNotesPartLength = kBarCount * kNotesLength;
constexpr int kLowestChordCode = kChordCodeOffset;
constexpr int kHighestChordCode = kChordCodeOffset + kChordCount - 1;

bool is_line_break(char16_t unit) {
  return unit == u'\r' || unit == u'\n';
}
bool is_high_surrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_low_surrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}
bool is_digit(char16_t unit) {
  return unit >= u'0' && unit <= u'9';
}
int bar_number(std::size_t bar_index) {
  return static_cast<int>(bar_index) + 1;
}

void add_notes_problems(int bar, std::u16string_view notes, std::vector<BarProblem>& problems) {
  if (notes.size() != kNotesLength) {
    problems.push_back({bar, BarProblemKind::notes_wrong_length, static_cast<int>(notes.size())});
  }
  if (std::any_of(notes.begin(), notes.end(), is_line_break)) {
    problems.push_back({bar, BarProblemKind::notes_line_break});
  }
  if (utf8::has_unpaired_surrogate(notes)) {
    problems.push_back({bar, BarProblemKind::notes_broken_character});
  }
}

void add_chord_problem(int bar, int chord, std::vector<BarProblem>& problems) {
  if (chord == kNoChord) {
    problems.push_back({bar, BarProblemKind::no_chord});
  } else if (chord < 0 || chord >= kChordCount) {
    problems.push_back({bar, BarProblemKind::unknown_chord, chord});
  }
}

// Assumes a chord index from 0 to 23, so the code always has two digits.
void append_chord_code(int chord, std::u16string& record) {
  const int code = chord + kChordCodeOffset;
  record.push_back(u',');
  record.push_back(static_cast<char16_t>(u'0' + code / 10));
  record.push_back(static_cast<char16_t>(u'0' + code % 10));
}

std::u16string record_text(const Song& song) {
  std::u16string record;
  record.reserve(kRecordLength);
  for (const auto& notes : song.notes)
    record += notes;
  for (const int chord : song.chords)
    append_chord_code(chord, record);
  return record;
}

std::size_t chord_code_position(std::size_t bar_index) {
  return kNotesPartLength + 3 * bar_index + 1;  // 0-based, just after the bar's comma
}

// The first line's text, cut at kRecordLength code units (possibly one more when a
// 4-byte character straddles the end), or the offset of the first malformed byte.
Result<std::u16string, RecordError> decode_first_line(std::string_view bytes,
                                                      std::size_t bytes_skipped) {
  std::u16string line;
  std::size_t offset = 0;
  while (line.size() < kRecordLength && offset < bytes.size()) {
    const std::optional<utf8::CodePoint> code_point = utf8::decode_first(bytes.substr(offset));
    if (!code_point) {
      return RecordError{.kind = RecordErrorKind::not_utf8, .byte_offset = bytes_skipped + offset};
    }
    if (code_point->value == U'\r' || code_point->value == U'\n')
      break;
    utf8::append_utf16(code_point->value, line);
    offset += code_point->byte_count;
  }
  return line;
}

std::optional<RecordError> find_split_character(std::u16string_view line) {
  for (std::size_t bar = 0; bar < kBarCount; ++bar) {
    const std::u16string_view notes = line.substr(bar * kNotesLength, kNotesLength);
    if (is_low_surrogate(notes.front()) || is_high_surrogate(notes.back())) {
      return RecordError{.kind = RecordErrorKind::broken_character, .bar = bar_number(bar)};
    }
  }
  return std::nullopt;
}

std::optional<int> parse_chord_code(std::u16string_view code) {
  if (!is_digit(code[0]) || !is_digit(code[1]))
    return std::nullopt;
  const int value = (code[0] - u'0') * 10 + (code[1] - u'0');
  if (value < kLowestChordCode || value > kHighestChordCode)
    return std::nullopt;
  return value;
}

}  // namespace

std::vector<BarProblem> find_unsavable_bars(const Song& song) {
  std::vector<BarProblem> problems;
  for (std::size_t bar = 0; bar < kBarCount; ++bar) {
    add_notes_problems(bar_number(bar), song.notes[bar], problems);
    add_chord_problem(bar_number(bar), song.chords[bar], problems);
  }
  return problems;
}

Result<std::string, SaveRefusal> encode_song_file(const Song& song) {
  std::vector<BarProblem> problems = find_unsavable_bars(song);
  if (!problems.empty())
    return SaveRefusal{std::move(problems)};

  std::string bytes;
  utf8::append_utf8(record_text(song), bytes);  // cannot fail: no unpaired surrogates
  bytes += "\r\n";
  return bytes;
}

Result<Song, RecordError> decode_song_file(std::string_view bytes) {
  const std::size_t skipped = bytes.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
  auto line = decode_first_line(bytes.substr(skipped), skipped);
  if (!line)
    return std::move(line).error();
  const std::u16string& text = line.value();
  if (text.size() < kRecordLength) {
    return RecordError{.kind = RecordErrorKind::first_line_too_short, .line_length = text.size()};
  }
  if (auto split = find_split_character(text))
    return *split;

  Song song;
  for (std::size_t bar = 0; bar < kBarCount; ++bar) {
    song.notes[bar] = text.substr(bar * kNotesLength, kNotesLength);
    const std::u16string code = text.substr(chord_code_position(bar), 2);
    const std::optional<int> value = parse_chord_code(code);
    if (!value) {
      return RecordError{
          .kind = RecordErrorKind::bad_chord_code, .bar = bar_number(bar), .chord_code = code};
    }
    song.chords[bar] = *value - kChordCodeOffset;
  }
  return song;
}

}  // namespace quavern::songfile
