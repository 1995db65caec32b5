#include "app/controls.h"
#include "app/tform2.h"
#include "music/bar_generator.h"

namespace quavern {

void TForm2::Button2Click() {}

void TForm2::Button5Click() {}

void TForm2::ComboBox20Select() {}

void TForm2::ComboBox22Select() {
  bs = itemIndex(*ComboBox22) == 1 ? music::kSharpSpelling : music::kFlatSpelling;
}

}  // namespace quavern
