#include "app/tform2.h"

namespace quavern {

void TForm2::Button3Click() {}

void TForm2::Button4Click() {}

}  // namespace quavern
