#include "history/judged_pass.h"

#include <string>

#include "practice/pitch_class.h"

namespace quavern::history {
namespace {

std::u16string widened(std::string_view ascii) {
  return {ascii.begin(), ascii.end()};
}

NoteRecord noteRecordOf(const practice::SlotVerdict& verdict) {
  NoteRecord note;
  note.bar = static_cast<int>(verdict.slot.bar) + 1;
  note.noteInBar = static_cast<int>(verdict.slot.noteInBar);
  note.wanted = verdict.slot.token.text;
  note.verdict = verdict.verdict == practice::Verdict::Right   ? NoteVerdict::kRight
                 : verdict.verdict == practice::Verdict::Wrong ? NoteVerdict::kWrong
                                                               : NoteVerdict::kMissed;
  if (verdict.heardWrittenClass) {
    note.heard = widened(practice::flatSpelling(*verdict.heardWrittenClass));
  }
  switch (verdict.timing) {
    case practice::Timing::OnTime:
      note.timing = NoteTiming::kOnTime;
      break;
    case practice::Timing::Late:
      note.timing = NoteTiming::kLate;
      break;
    case practice::Timing::Early:
      note.timing = NoteTiming::kEarly;
      break;
    case practice::Timing::NotJudged:
      break;
  }
  note.onsetOffsetMs = verdict.onsetOffsetMs;
  return note;
}

}  // namespace

std::u16string transpositionName(practice::Transposition transposition) {
  switch (transposition) {
    case practice::Transposition::BFlat:
      return u"B flat";
    case practice::Transposition::EFlat:
      return u"E flat";
    case practice::Transposition::F:
      return u"F";
    case practice::Transposition::C:
      break;
  }
  return u"C";
}

PassRecord judgedPassRecord(const practice::FinishedPass& pass, const SongKey& song,
                            Passage passage, const practice::JudgeSettings& settings,
                            const QDateTime& finishedAt) {
  PassRecord record;
  record.song = song;
  PassSummary& summary = record.summary;
  summary.finishedAt = finishedAt.toUTC();
  summary.passage = passage;
  summary.bpm = pass.bpm;
  summary.instrument = transpositionName(settings.transposition);
  summary.pitchWithinCents = settings.pitchWithinCents;
  summary.onTimeWithinMs = settings.onTimeWithinMs;
  for (const practice::SlotVerdict& verdict : pass.verdicts) {
    if (verdict.verdict == practice::Verdict::NotJudged) {
      continue;
    }
    const NoteRecord note = noteRecordOf(verdict);
    ++summary.counts.notesJudged;
    if (note.verdict == NoteVerdict::kRight) {
      ++summary.counts.notesRight;
      summary.counts.onTime += note.timing == NoteTiming::kOnTime ? 1 : 0;
    }
    record.notes.push_back(note);
  }
  return record;
}

}  // namespace quavern::history
