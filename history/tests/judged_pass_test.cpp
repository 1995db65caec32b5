#include "history/judged_pass.h"

#include <gtest/gtest.h>

namespace quavern::history {
namespace {

practice::SlotVerdict verdict(std::size_t bar, std::size_t note, std::u16string token,
                              practice::Verdict what, std::optional<int> heardClass = {},
                              practice::Timing timing = practice::Timing::NotJudged,
                              std::optional<std::int64_t> offset = {}) {
  practice::SlotVerdict v;
  v.slot.token.text = std::move(token);
  v.slot.bar = bar;
  v.slot.noteInBar = note;
  v.verdict = what;
  v.heardWrittenClass = heardClass;
  v.timing = timing;
  v.onsetOffsetMs = offset;
  return v;
}

TEST(JudgedPass, KeepsTheCountsAndEveryNoteButRests) {
  using practice::Timing;
  using practice::Verdict;
  practice::FinishedPass pass;
  pass.number = 2;
  pass.bpm = 80;
  pass.verdicts = {verdict(4, 1, u"c-", Verdict::Right, 0, Timing::OnTime, 12),
                   verdict(4, 2, u"e-", Verdict::Right, 4, Timing::Late, 130),
                   verdict(4, 3, u"xy", Verdict::NotJudged),
                   verdict(5, 1, u"g-", Verdict::Wrong, 3),
                   verdict(5, 2, u"bb", Verdict::Missed),
                   verdict(6, 1, u"a-", Verdict::Right, 9, Timing::Early, -95)};
  practice::JudgeSettings settings;
  settings.transposition = practice::Transposition::BFlat;
  settings.pitchWithinCents = 35.0;
  settings.onTimeWithinMs = 40;
  const QDateTime when = QDateTime::fromString("2026-12-08T10:14:00Z", Qt::ISODate);
  const PassRecord record = judgedPassRecord(pass, {}, {5, 7}, settings, when);

  EXPECT_EQ(record.summary.counts, (PassCounts{3, 5, 1}));
  EXPECT_EQ(record.summary.bpm, 80);
  EXPECT_EQ(record.summary.passage, (Passage{5, 7}));
  EXPECT_EQ(record.summary.instrument, u"B flat");
  EXPECT_EQ(record.summary.pitchWithinCents, 35.0);
  EXPECT_EQ(record.summary.onTimeWithinMs, 40);
  EXPECT_EQ(record.summary.finishedAt, when);
  const std::vector<NoteRecord> expected = {
      {5, 1, u"c-", NoteVerdict::kRight, u"c-", NoteTiming::kOnTime, 12},
      {5, 2, u"e-", NoteVerdict::kRight, u"e-", NoteTiming::kLate, 130},
      {6, 1, u"g-", NoteVerdict::kWrong, u"eb", std::nullopt, std::nullopt},
      {6, 2, u"bb", NoteVerdict::kMissed, std::nullopt, std::nullopt, std::nullopt},
      {7, 1, u"a-", NoteVerdict::kRight, u"a-", NoteTiming::kEarly, -95}};
  EXPECT_EQ(record.notes, expected);
}

}  // namespace
}  // namespace quavern::history
