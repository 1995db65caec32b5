#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "music/bars.h"
#include "music/token_cuts.h"
#include "playback/follow_along.h"

class QLineEdit;

namespace quavern {

using NotesFields = std::array<QLineEdit*, music::kBarCount>;

// Shows, while a play sounds, where the listener is: the notes field of the
// bar being heard is marked and the note itself is selected in it, so that it
// stands out at a glance and a screen reader reads it as the selection. Only
// what changes is touched, so a field repaints about once a note. When the
// follower goes, every field is as it was: no mark, its own cursor and
// selection, and the keyboard focus where it was.
class PlayFollower {
 public:
  // What to mark at a point of the stream, in milliseconds heard.
  using MarkAt = std::function<std::vector<playback::FieldSelection>(std::int64_t heardMs)>;

  // Follows a play of `passes` passes over the song at t ms a note.
  PlayFollower(const NotesFields& fields, const music::NotesTexts& notes, std::int32_t t,
               std::int32_t passes);
  PlayFollower(const NotesFields& fields, MarkAt markAt);
  ~PlayFollower();
  PlayFollower(const PlayFollower&) = delete;
  PlayFollower& operator=(const PlayFollower&) = delete;

  void showHeard(std::int64_t heardMs);

 private:
  struct SavedField {
    int cursor = 0;
    int selectionStart = -1;
    int selectionLength = 0;
  };

  void show(const std::vector<playback::FieldSelection>& mark);
  void markField(std::size_t bar);
  void unmarkField(std::size_t bar);

  NotesFields fields_;
  MarkAt markAt_;
  std::vector<playback::FieldSelection> shown_;
  std::array<SavedField, music::kBarCount> saved_{};
  std::array<bool, music::kBarCount> marked_{};
  QPointer<QWidget> focusBefore_;
};

// The colour that marks the notes field being heard.
QColor followMarkColour();

}  // namespace quavern
