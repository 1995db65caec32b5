#pragma once

#include <string_view>

namespace quavern::playback {

// Frequency in hertz of a two-character note token such as u"eb", or kRestHz
// when the text names no note. The match is exact and case-sensitive.
int frequencyOf(std::u16string_view token);

}  // namespace quavern::playback
