#include "export/formats.h"

#include <algorithm>

namespace quavern::exporting {
namespace {

char16_t asciiLower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool endsWithIgnoringCase(std::u16string_view text, std::string_view lowerSuffix) {
  if (text.size() < lowerSuffix.size()) {
    return false;
  }
  const std::u16string_view tail = text.substr(text.size() - lowerSuffix.size());
  return std::equal(tail.begin(), tail.end(), lowerSuffix.begin(), lowerSuffix.end(),
                    [](char16_t c, char lower) { return asciiLower(c) == lower; });
}

}  // namespace

std::optional<Format> formatForFileName(std::u16string_view fileName) {
  const std::size_t folderEnd = fileName.find_last_of(u'/');
  const std::u16string_view baseName =
      folderEnd == std::u16string_view::npos ? fileName : fileName.substr(folderEnd + 1);
  for (const FileType& type : kFileTypes) {
    // ".wav" alone is a hidden file's name, not a WAV file without one.
    if (baseName.size() > type.extension.size() && endsWithIgnoringCase(baseName, type.extension)) {
      return type.format;
    }
  }
  return std::nullopt;
}

}  // namespace quavern::exporting
