#include "playback/pitch.h"

#include <array>

#include "playback/tone.h"

namespace quavern::playback {
namespace {

struct Pitch {
  std::u16string_view token;
  int frequencyHz;
};

// Equal-tempered, A = 880 Hz, rounded to whole hertz. Where a black key has two
// names the sharp name comes first, the order in which they are compared.
constexpr std::array<Pitch, 18> kPitches{{
    {u"c-", 523},
    {u"c#", 554},
    {u"db", 554},
    {u"d-", 587},
    {u"d#", 622},
    {u"eb", 622},
    {u"e-", 659},
    {u"f-", 698},
    {u"f#", 740},
    {u"gb", 740},
    {u"g-", 784},
    {u"g#", 831},
    {u"ab", 831},
    {u"a-", 880},
    {u"a#", 932},
    {u"bb", 932},
    {u"b-", 988},
    {u"C-", 1047},
}};

}  // namespace

int frequencyOf(std::u16string_view token) {
  for (const Pitch& pitch : kPitches) {
    if (pitch.token == token) {
      return pitch.frequencyHz;
    }
  }
  return kRestHz;
}

}  // namespace quavern::playback
