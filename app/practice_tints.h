#pragma once

#include <QColor>
#include <QMetaObject>
#include <array>

#include "music/bars.h"

class QLineEdit;

namespace quavern {

// Tints the notes fields of the bars to practise again after a practice. A
// tint lasts until the field's text changes or the next play or practice.
class PracticeTints {
 public:
  explicit PracticeTints(const std::array<QLineEdit*, music::kBarCount>& fields);
  ~PracticeTints();
  PracticeTints(const PracticeTints&) = delete;
  PracticeTints& operator=(const PracticeTints&) = delete;

  void tint(const std::array<bool, music::kBarCount>& bars);
  void clear();
  bool isTinted(std::size_t bar) const { return static_cast<bool>(untintOnEdit_[bar]); }

 private:
  void untint(std::size_t bar);

  std::array<QLineEdit*, music::kBarCount> fields_;
  std::array<QMetaObject::Connection, music::kBarCount> untintOnEdit_{};
};

// The colour of a bar to practise again.
QColor practiceTintColour();

}  // namespace quavern
