#include "songfile/utf8.h"

namespace quavern::songfile::utf8 {
namespace {

bool isContinuation(unsigned char byte) {
  return (byte & 0xC0U) == 0x80U;
}
bool isHighSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

std::size_t sequenceLength(unsigned char lead) {
  if (lead < 0x80U)
    return 1;
  if (lead >= 0xC2U && lead <= 0xDFU)
    return 2;
  if (lead >= 0xE0U && lead <= 0xEFU)
    return 3;
  if (lead >= 0xF0U && lead <= 0xF4U)
    return 4;
  return 0;  // a stray continuation byte, or a lead that only overlong forms use
}

// Smallest code point that needs a sequence of this length; anything below is overlong.
char32_t smallestForLength(std::size_t length) {
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  return kSmallest[length];
}

void putByte(std::string& out, char32_t value) {
  out.push_back(static_cast<char>(static_cast<unsigned char>(value)));
}

void appendCodePointUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    putByte(out, cp);
  } else if (cp < 0x800) {
    putByte(out, 0xC0 | (cp >> 6));
    putByte(out, 0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    putByte(out, 0xE0 | (cp >> 12));
    putByte(out, 0x80 | ((cp >> 6) & 0x3F));
    putByte(out, 0x80 | (cp & 0x3F));
  } else {
    putByte(out, 0xF0 | (cp >> 18));
    putByte(out, 0x80 | ((cp >> 12) & 0x3F));
    putByte(out, 0x80 | ((cp >> 6) & 0x3F));
    putByte(out, 0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::optional<CodePoint> decodeFirst(std::string_view bytes) {
  if (bytes.empty())
    return std::nullopt;
  const auto lead = static_cast<unsigned char>(bytes[0]);
  const std::size_t length = sequenceLength(lead);
  if (length == 0 || bytes.size() < length)
    return std::nullopt;
  if (length == 1)
    return CodePoint{lead, 1};

  constexpr unsigned char kLeadPayloadMask[] = {0, 0, 0x1F, 0x0F, 0x07};
  char32_t value = lead & kLeadPayloadMask[length];
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (!isContinuation(byte))
      return std::nullopt;
    value = (value << 6) | (byte & 0x3FU);
  }
  const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
  if (value < smallestForLength(length) || surrogate || value > 0x10FFFF)
    return std::nullopt;
  return CodePoint{value, length};
}

void appendUtf16(char32_t codePoint, std::u16string& text) {
  if (codePoint < 0x10000) {
    text.push_back(static_cast<char16_t>(codePoint));
    return;
  }
  const char32_t offset = codePoint - 0x10000;
  text.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
  text.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
}

bool appendUtf8(std::u16string_view text, std::string& out) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t unit = text[i];
    if (isLowSurrogate(unit))
      return false;
    if (isHighSurrogate(unit)) {
      if (i + 1 == text.size() || !isLowSurrogate(text[i + 1]))
        return false;
      unit = 0x10000 + ((unit - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00);
      ++i;
    }
    appendCodePointUtf8(unit, out);
  }
  return true;
}

bool hasUnpairedSurrogate(std::u16string_view text) {
  std::string ignored;
  return !appendUtf8(text, ignored);
}

}  // namespace quavern::songfile::utf8
