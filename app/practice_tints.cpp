#include "app/practice_tints.h"

#include <QLineEdit>
#include <QPalette>

namespace quavern {

QColor practiceTintColour() {
  return {255, 205, 205};  // a pale red: a place to look at, not an alarm
}

PracticeTints::PracticeTints(const std::array<QLineEdit*, music::kBarCount>& fields)
    : fields_(fields) {}

PracticeTints::~PracticeTints() {
  for (QMetaObject::Connection& connection : untintOnEdit_) {
    QObject::disconnect(connection);
  }
}

void PracticeTints::tint(const std::array<bool, music::kBarCount>& bars) {
  for (std::size_t bar = 0; bar < bars.size(); ++bar) {
    if (!bars[bar] || isTinted(bar)) {
      continue;
    }
    QLineEdit& field = *fields_[bar];
    QPalette palette = field.palette();
    palette.setColor(QPalette::Base, practiceTintColour());
    field.setPalette(palette);
    untintOnEdit_[bar] =
        QObject::connect(&field, &QLineEdit::textChanged, &field, [this, bar] { untint(bar); });
  }
}

void PracticeTints::clear() {
  for (std::size_t bar = 0; bar < fields_.size(); ++bar) {
    if (isTinted(bar)) {
      untint(bar);
    }
  }
}

void PracticeTints::untint(std::size_t bar) {
  QObject::disconnect(untintOnEdit_[bar]);
  untintOnEdit_[bar] = {};
  fields_[bar]->setPalette(QPalette());
}

}  // namespace quavern
