// libFuzzer target for the song record decoder. Any input must either be refused cleanly or
// decode to a song that encodes back to the input's record: the same characters at every
// position except the 16 unchecked separators before the chord codes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "songfile/song_record.h"

namespace {

using quavern::songfile::decodeSongFile;
using quavern::songfile::encodeSongFile;
using quavern::songfile::kBarCount;
using quavern::songfile::Song;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kChordCodesBytes = kBarCount * 3;  // ",dd" per bar, all ASCII

void require(bool condition) {
  if (!condition)
    std::abort();
}

// Bytes in the UTF-8 sequence that `lead` starts; the decoder has already checked the rest.
std::size_t sequenceLength(unsigned char lead) {
  if (lead < 0x80U)
    return 1;
  if (lead < 0xE0U)
    return 2;
  if (lead < 0xF0U)
    return 3;
  return 4;
}

void requireSameRecord(std::string_view input, std::string_view encoded) {
  const std::size_t notesBytes = encoded.size() - kChordCodesBytes;
  require(input.substr(0, notesBytes) == encoded.substr(0, notesBytes));
  std::size_t at = notesBytes;
  for (std::size_t bar = 0; bar < kBarCount; ++bar) {
    require(at < input.size());
    at += sequenceLength(static_cast<unsigned char>(input[at]));  // the separator
    const std::size_t codeAt = notesBytes + 3 * bar + 1;
    require(input.substr(at, 2) == encoded.substr(codeAt, 2));
    at += 2;
  }
}

void requireRoundTrip(std::string_view input, const Song& song) {
  const auto encoded = encodeSongFile(song);
  require(encoded.ok());
  const std::string& bytes = encoded.value();
  require(bytes.ends_with("\r\n"));
  std::string_view record = std::string_view(bytes).substr(0, bytes.size() - 2);
  for (auto* text : {&input, &record}) {
    if (text->starts_with(kByteOrderMark))
      text->remove_prefix(kByteOrderMark.size());
  }
  requireSameRecord(input, record);

  const auto decodedAgain = decodeSongFile(bytes);
  require(decodedAgain.ok() && decodedAgain.value() == song);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto song = decodeSongFile(input);
  if (song.ok())
    requireRoundTrip(input, song.value());
  return 0;
}
