#pragma once

#include "history/pass_record.h"

namespace quavern::history {

// The bars to practise a weak bar in: the smallest range that holds the bar and one bar
// either side of it, cut to the passage. A bar outside the passage is first moved to its
// nearest end.
Passage practiseRange(Passage passage, int worstBar);

}  // namespace quavern::history
