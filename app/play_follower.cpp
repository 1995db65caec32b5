#include "app/play_follower.h"

#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <algorithm>

namespace quavern {
namespace {

// A field's selection, or its restoration, in the units QLineEdit counts.
int asPosition(std::size_t characters) {
  return static_cast<int>(characters);
}

bool touchesBar(const std::vector<playback::FieldSelection>& mark, std::size_t bar) {
  return std::any_of(mark.begin(), mark.end(),
                     [bar](const playback::FieldSelection& part) { return part.bar == bar; });
}

}  // namespace

QColor followMarkColour() {
  return {255, 214, 102};  // warm amber: stands out from white fields on any theme's face
}

PlayFollower::PlayFollower(const NotesFields& fields, const music::NotesTexts& notes,
                           std::int32_t t, std::int32_t passes)
    : PlayFollower(fields, [tokens = music::cutTokens(notes), t, passes](std::int64_t heardMs) {
        return playback::markAt(heardMs, tokens, t, passes);
      }) {}

PlayFollower::PlayFollower(const NotesFields& fields, MarkAt markAt)
    : fields_(fields), markAt_(std::move(markAt)), focusBefore_(QApplication::focusWidget()) {}

PlayFollower::~PlayFollower() {
  show({});
  if (focusBefore_) {
    focusBefore_->setFocus(Qt::OtherFocusReason);
  }
}

void PlayFollower::showHeard(std::int64_t heardMs) {
  const auto mark = markAt_(heardMs);
  if (mark != shown_) {
    show(mark);
  }
}

void PlayFollower::show(const std::vector<playback::FieldSelection>& mark) {
  for (std::size_t bar = 0; bar < fields_.size(); ++bar) {
    if (marked_[bar] && !touchesBar(mark, bar)) {
      unmarkField(bar);
    }
  }
  for (const playback::FieldSelection& part : mark) {
    markField(part.bar);
    fields_[part.bar]->setSelection(asPosition(part.start), asPosition(part.length));
  }
  shown_ = mark;
}

void PlayFollower::markField(std::size_t bar) {
  if (marked_[bar]) {
    return;
  }
  QLineEdit& field = *fields_[bar];
  saved_[bar] = {field.cursorPosition(), field.selectionStart(),
                 static_cast<int>(field.selectedText().size())};
  QPalette palette = field.palette();
  palette.setColor(QPalette::Base, followMarkColour());
  field.setPalette(palette);
  marked_[bar] = true;
}

void PlayFollower::unmarkField(std::size_t bar) {
  QLineEdit& field = *fields_[bar];
  field.setPalette(QPalette());
  const SavedField& saved = saved_[bar];
  if (saved.selectionLength > 0) {
    // The cursor stands at one end of a selection; select towards the other.
    const bool cursorAtStart = saved.cursor == saved.selectionStart;
    field.setSelection(
        cursorAtStart ? saved.selectionStart + saved.selectionLength : saved.selectionStart,
        cursorAtStart ? -saved.selectionLength : saved.selectionLength);
  } else {
    field.deselect();
    field.setCursorPosition(saved.cursor);
  }
  marked_[bar] = false;
}

}  // namespace quavern
