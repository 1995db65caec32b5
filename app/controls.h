#pragma once

class QComboBox;

namespace quavern {

// The chosen entry of a selector, counted from 0; -1 when the text in the
// selector (the user may type there) is not exactly one of its entries.
int itemIndex(const QComboBox& selector);

// Chooses entry `index`; any index outside the entries leaves none chosen.
// Never raises the user's "entry chosen" signal.
void setItemIndex(QComboBox& selector, int index);

}  // namespace quavern
