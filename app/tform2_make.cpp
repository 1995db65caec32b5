#include "app/tform2.h"

namespace quavern {

void TForm2::Button1Click() {
  music::makeBars(readBarChoices(), bs, *services_.draws,
                  [this](std::size_t bar, const std::string& notes) {
                    bars_[bar].notes->setText(QString::fromStdString(notes));
                  });
}

}  // namespace quavern
