#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "music/practice_plan.h"
#include "music/token_cuts.h"

namespace quavern::playback {

// Which token of the pass is heard `heardMs` into a play of `passes` passes
// over `tokensPerPass` tokens of `t` ms each, counted in the pass from 0; none
// during the count-in and once the last tone has ended.
std::optional<std::size_t> tokenHeardAt(std::int64_t heardMs, std::size_t tokensPerPass,
                                        std::int32_t t, std::int32_t passes);

// Characters of one notes field to select: bar 0 to 15, from `start`, `length`
// 16-bit characters.
struct FieldSelection {
  std::size_t bar = 0;
  std::size_t start = 0;
  std::size_t length = 0;

  friend bool operator==(const FieldSelection&, const FieldSelection&) = default;
};

// Where a token stands in the notes fields: its two characters in one field,
// or, for a token cut across two fields, the first in one and the second in
// the other.
std::vector<FieldSelection> selectionsOf(const music::TokenCut& token);

// What the window marks `heardMs` into a play of the song cut into `tokens`:
// the selections of the token being heard, nothing during the count-in and
// after the end.
std::vector<FieldSelection> markAt(std::int64_t heardMs, const std::vector<music::TokenCut>& tokens,
                                   std::int32_t t, std::int32_t passes);

// What the window marks `heardMs` into a practice: the token sounding, or
// due from the player, then; nothing during the count-in and after the end.
std::vector<FieldSelection> markInPractice(std::int64_t heardMs, const music::PracticePlan& plan);

}  // namespace quavern::playback
