#include "music/make_command.h"

namespace quavern::music {

void makeBars(const BarChoices& bars, int bs, DrawSource& draws, const WriteNotes& writeNotes) {
  for (std::size_t bar = 0; bar < bars.size(); ++bar) {
    if (bars[bar].regenerate) {
      writeNotes(bar, rndline(bars[bar].chordIndex, bs, draws));
    }
  }
}

}  // namespace quavern::music
