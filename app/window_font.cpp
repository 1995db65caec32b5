#include "app/window_font.h"

#include <QFile>
#include <QFontDatabase>

namespace quavern {
namespace {

constexpr int kCharacterHeightPixels = 11;
constexpr auto kFamily = "Tahoma";
// Debian's fonts-wine ships a Tahoma-compatible face here, outside fontconfig's
// search path.
constexpr auto kWineTahoma = "/usr/share/wine/fonts/tahoma.ttf";

void loadTahomaIfMissing() {
  if (QFontDatabase::families().contains(kFamily) || !QFile::exists(kWineTahoma)) {
    return;
  }
  QFontDatabase::addApplicationFont(kWineTahoma);
}

}  // namespace

QFont windowFont() {
  loadTahomaIfMissing();
  QFont font(kFamily);
  font.setPixelSize(kCharacterHeightPixels);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace quavern
