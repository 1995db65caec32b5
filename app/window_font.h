#pragma once

#include <QFont>

namespace quavern {

// Tahoma at a character height of 11 pixels (8 points at 96 dpi). Where the
// system has no Tahoma, a Tahoma-compatible face from the Wine fonts is loaded
// if installed; otherwise the platform picks its closest sans face.
QFont windowFont();

}  // namespace quavern
