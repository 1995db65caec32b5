#include "app/controls.h"

#include <QComboBox>

namespace quavern {

int itemIndex(const QComboBox& selector) {
  return selector.findText(selector.currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void setItemIndex(QComboBox& selector, int index) {
  const bool isEntry = index >= 0 && index < selector.count();
  selector.setCurrentIndex(isEntry ? index : -1);
}

}  // namespace quavern
