#include "practice/practice_result.h"

#include <algorithm>

namespace quavern::practice {
namespace {

bool isNotRight(const NoteJudgement& judgement) {
  return judgement.verdict == Verdict::Wrong || judgement.verdict == Verdict::Missed;
}

// Judged tokens are note names, which are ASCII.
std::string ascii(std::u16string_view text) {
  std::string result;
  for (const char16_t character : text) {
    result.push_back(static_cast<char>(character));
  }
  return result;
}

std::string lineFor(const NoteJudgement& judgement) {
  std::string line = "bar " + std::to_string(judgement.bar + 1) + ", note " +
                     std::to_string(judgement.noteInBar) + ": ";
  if (judgement.verdict == Verdict::Wrong && judgement.heardClass) {
    line += "heard " + std::string(flatSpelling(*judgement.heardClass));
  } else {
    line += "missed";
  }
  return line + ", wanted " + ascii(judgement.token.text);
}

}  // namespace

int judgedCount(std::span<const NoteJudgement> judgements) {
  return static_cast<int>(std::ranges::count_if(
      judgements, [](const NoteJudgement& j) { return j.verdict != Verdict::NotJudged; }));
}

int rightCount(std::span<const NoteJudgement> judgements) {
  return static_cast<int>(std::ranges::count_if(
      judgements, [](const NoteJudgement& j) { return j.verdict == Verdict::Right; }));
}

std::string resultText(std::span<const NoteJudgement> judgements) {
  std::string text = "Practice: " + std::to_string(rightCount(judgements)) + " of " +
                     std::to_string(judgedCount(judgements)) + " notes right.";
  for (const NoteJudgement& judgement : judgements) {
    if (isNotRight(judgement)) {
      text += '\n' + lineFor(judgement);
    }
  }
  return text;
}

std::array<bool, music::kBarCount> barsWithNoteNotRight(std::span<const NoteJudgement> judgements) {
  std::array<bool, music::kBarCount> bars{};
  for (const NoteJudgement& judgement : judgements) {
    if (isNotRight(judgement)) {
      bars.at(judgement.bar) = true;
    }
  }
  return bars;
}

}  // namespace quavern::practice
