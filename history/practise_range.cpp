#include "history/practise_range.h"

#include <algorithm>

namespace quavern::history {

Passage practiseRange(Passage passage, int worstBar) {
  const int bar = std::clamp(worstBar, passage.fromBar, passage.toBar);
  return Passage{std::max(passage.fromBar, bar - 1), std::min(passage.toBar, bar + 1)};
}

}  // namespace quavern::history
