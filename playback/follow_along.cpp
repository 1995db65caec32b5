#include "playback/follow_along.h"

#include <algorithm>
#include <iterator>

#include "music/timeline.h"

namespace quavern::playback {
std::optional<std::size_t> tokenHeardAt(std::int64_t heardMs, std::size_t tokensPerPass,
                                        std::int32_t t, std::int32_t passes) {
  if (t <= 0 || tokensPerPass == 0 || heardMs < 0) {
    return std::nullopt;
  }
  const std::int64_t tone = heardMs / t - music::kCountInTones;
  const auto perPass = static_cast<std::int64_t>(tokensPerPass);
  if (tone < 0 || tone >= perPass * passes) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(tone % perPass);
}

std::vector<FieldSelection> selectionsOf(const music::TokenCut& token) {
  if (token.first.bar == token.second.bar) {
    return {{token.first.bar, token.first.offset, 2}};
  }
  return {{token.first.bar, token.first.offset, 1}, {token.second.bar, token.second.offset, 1}};
}

std::vector<FieldSelection> markAt(std::int64_t heardMs, const std::vector<music::TokenCut>& tokens,
                                   std::int32_t t, std::int32_t passes) {
  const std::optional<std::size_t> heard = tokenHeardAt(heardMs, tokens.size(), t, passes);
  return heard ? selectionsOf(tokens[*heard]) : std::vector<FieldSelection>{};
}

namespace {

const music::PlannedNote* noteAt(std::int64_t heardMs,
                                 const std::vector<music::PlannedNote>& notes) {
  const auto after = std::upper_bound(
      notes.begin(), notes.end(), heardMs,
      [](std::int64_t ms, const music::PlannedNote& note) { return ms < note.startMs; });
  if (after == notes.begin() || heardMs >= std::prev(after)->endMs) {
    return nullptr;
  }
  return &*std::prev(after);
}

}  // namespace

std::vector<FieldSelection> markInPractice(std::int64_t heardMs, const music::PracticePlan& plan) {
  for (const music::PlannedPass& pass : plan.passes) {
    if (heardMs < pass.startMs || heardMs >= pass.endMs) {
      continue;
    }
    for (const auto* notes : {&pass.listen, &pass.play}) {
      if (const music::PlannedNote* note = noteAt(heardMs, *notes)) {
        return selectionsOf(note->token);
      }
    }
  }
  return {};
}

}  // namespace quavern::playback
