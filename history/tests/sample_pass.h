#pragma once

#include <QDateTime>
#include <QTimeZone>
#include <cstdint>
#include <string>

#include "history/pass_record.h"

// Passes shaped as the practice window stores them, for the tests, the writer helper and
// the benchmark.
namespace quavern::history::testing {

inline SongKey songOf(const std::u16string& notesOfEveryBar, int chord = 0) {
  SongKey song;
  song.notes.fill(notesOfEveryBar);
  song.chords.fill(chord);
  return song;
}

inline QDateTime minutesAfterStart(std::int64_t minutes) {
  // 1 Dec 2026 08:00 UTC
  return QDateTime::fromMSecsSinceEpoch(1796112000000 + minutes * 60000, QTimeZone::utc());
}

// Four notes a bar over the passage; note k of a bar is right and on time, except that
// every seventh note (counted over the pass, shifted by `variant`) is wrong, every
// eleventh missed and every fifth right one late. The counts agree with the notes.
inline PassRecord samplePass(const SongKey& song, Passage passage, QDateTime finishedAt,
                             int variant = 0) {
  PassRecord pass;
  pass.song = song;
  pass.summary.finishedAt = finishedAt;
  pass.summary.passage = passage;
  pass.summary.bpm = 60 + variant % 5 * 10;
  pass.summary.instrument = u"B flat";
  pass.summary.pitchWithinCents = 35.0;
  pass.summary.onTimeWithinMs = 80;
  int index = variant;
  for (int bar = passage.fromBar; bar <= passage.toBar; ++bar) {
    for (int note = 1; note <= 4; ++note, ++index) {
      NoteRecord record{bar, note, u"eb", NoteVerdict::kRight, u"eb", NoteTiming::kOnTime, 12};
      if (index % 7 == 0) {
        record = NoteRecord{bar, note, u"eb", NoteVerdict::kWrong, u"d-", {}, {}};
      } else if (index % 11 == 0) {
        record = NoteRecord{bar, note, u"eb", NoteVerdict::kMissed, {}, {}, {}};
      } else if (index % 5 == 0) {
        record.timing = NoteTiming::kLate;
        record.onsetOffsetMs = 130;
      }
      pass.notes.push_back(record);
    }
  }
  for (const auto& note : pass.notes) {
    ++pass.summary.counts.notesJudged;
    if (note.verdict == NoteVerdict::kRight) {
      ++pass.summary.counts.notesRight;
      pass.summary.counts.onTime += note.timing == NoteTiming::kOnTime ? 1 : 0;
    }
  }
  return pass;
}

}  // namespace quavern::history::testing
