#pragma once

#include <QDateTime>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "music/bars.h"

// What the history keeps of one judged pass. Nothing of the recording itself.
namespace quavern::history {

// A song as the main window holds it. Two songs are the same song exactly when every
// notes text (as typed, UTF-16) and every chord index (kNoChord for none) are equal.
struct SongKey {
  music::NotesTexts notes;
  music::ChordIndexes chords{};

  friend bool operator==(const SongKey&, const SongKey&) = default;
};

// Bars 1 to 16, both included.
struct Passage {
  int fromBar = 1;
  int toBar = 16;

  friend bool operator==(const Passage&, const Passage&) = default;
};

enum class NoteVerdict { kRight, kWrong, kMissed };
enum class NoteTiming { kOnTime, kLate, kEarly };

struct NoteRecord {
  int bar = 1;            // 1 to 16
  int noteInBar = 1;      // 1, 2, ...: among the tokens that begin in that bar
  std::u16string wanted;  // the token as the bar writes it
  NoteVerdict verdict = NoteVerdict::kMissed;
  std::optional<std::u16string> heard;        // pitch class heard, as "eb"; none when missed
  std::optional<NoteTiming> timing;           // a right note only
  std::optional<std::int64_t> onsetOffsetMs;  // onset minus the slot's start; a right note only

  friend bool operator==(const NoteRecord&, const NoteRecord&) = default;
};

// The three counts of the results line "Pass P, T BPM: N of M notes right, K of N on time."
struct PassCounts {
  int notesRight = 0;   // N
  int notesJudged = 0;  // M
  int onTime = 0;       // K

  friend bool operator==(const PassCounts&, const PassCounts&) = default;
};

// A pass without its song and notes: one point of the chart, one row of the export.
struct PassSummary {
  std::int64_t id = 0;   // given by the store; ignored when storing
  QDateTime finishedAt;  // UTC, to the millisecond
  Passage passage;
  int bpm = 60;
  std::u16string instrument = u"C";  // "C", "B flat", "E flat" or "F"
  double pitchWithinCents = 50.0;
  std::int64_t onTimeWithinMs = 80;
  PassCounts counts;

  friend bool operator==(const PassSummary&, const PassSummary&) = default;
};

struct PassRecord {
  SongKey song;
  PassSummary summary;
  std::vector<NoteRecord> notes;  // in song order
};

// A bar of a passage with the notes in it that went wrong over recent passes. A note is
// counted once: not right, or else right but late or early.
struct WeakBar {
  int bar = 1;  // 1 to 16
  int notRight = 0;
  int notOnTime = 0;

  int total() const { return notRight + notOnTime; }
  friend bool operator==(const WeakBar&, const WeakBar&) = default;
};

}  // namespace quavern::history
