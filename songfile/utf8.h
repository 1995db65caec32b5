#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Strict UTF-8 <-> UTF-16 conversion for the song record, kept free of Qt so the record
// codec builds with any compiler (the fuzzer uses clang alone).
namespace quavern::songfile::utf8 {

struct CodePoint {
  char32_t value;
  std::size_t byteCount;  // 1 to 4
};

// The code point that starts `bytes`, or nothing when `bytes` does not start with a
// well-formed sequence (truncated, overlong, a surrogate, or beyond U+10FFFF).
std::optional<CodePoint> decodeFirst(std::string_view bytes);

void appendUtf16(char32_t codePoint, std::u16string& text);

// False, leaving `out` partly written, when `text` holds an unpaired surrogate.
bool appendUtf8(std::u16string_view text, std::string& out);

bool hasUnpairedSurrogate(std::u16string_view text);

}  // namespace quavern::songfile::utf8
