#include "app/preferences.h"

#include <QSettings>
#include <memory>
#include <utility>

namespace quavern {
namespace {

const QString kChordsUnderMelodyKey = QStringLiteral("play/chordsUnderMelody");

}  // namespace

std::unique_ptr<QSettings> openPreferences(const QString& filePath) {
  if (filePath.isEmpty()) {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("quavern"), QStringLiteral("quavern"));
  }
  return std::make_unique<QSettings>(filePath, QSettings::IniFormat);
}

Preferences::Preferences(QString filePath) : filePath_(std::move(filePath)) {
  const auto settings = openPreferences(filePath_);
  if (settings->status() == QSettings::NoError) {
    chordsUnderMelody_ = settings->value(kChordsUnderMelodyKey, false).toBool();
  }
}

void Preferences::setChordsUnderMelody(bool on) {
  chordsUnderMelody_ = on;
  const auto settings = openPreferences(filePath_);
  settings->setValue(kChordsUnderMelodyKey, on);
  settings->sync();
}

}  // namespace quavern
