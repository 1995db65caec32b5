#include "practice/judge_settings.h"

namespace quavern::practice {

int soundingMinusWritten(Transposition transposition) {
  switch (transposition) {
    case Transposition::C:
      return 0;
    case Transposition::BFlat:
      return -2;
    case Transposition::EFlat:
      return -9;
    case Transposition::F:
      return -7;
  }
  return 0;
}

}  // namespace quavern::practice
