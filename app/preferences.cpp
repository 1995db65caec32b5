#include "app/preferences.h"

#include <QSettings>
#include <memory>
#include <utility>

namespace quavern {
namespace {

const QString kChordsUnderMelodyKey = QStringLiteral("play/chordsUnderMelody");
const QString kMelodySoundKey = QStringLiteral("play/melodySound");
const QString kChordSoundKey = QStringLiteral("play/chordSound");

playback::Sound soundIn(const QSettings& settings, const QString& key) {
  return playback::soundNamed(settings.value(key).toString().toStdString())
      .value_or(playback::Sound::kSteadyTone);
}

QString storedName(playback::Sound sound) {
  const std::string_view name = playback::nameOf(sound);
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

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
    melodySound_ = soundIn(*settings, kMelodySoundKey);
    chordSound_ = soundIn(*settings, kChordSoundKey);
  }
}

void Preferences::store(const QString& key, const QVariant& value) {
  const auto settings = openPreferences(filePath_);
  settings->setValue(key, value);
  settings->sync();
}

void Preferences::setChordsUnderMelody(bool on) {
  chordsUnderMelody_ = on;
  store(kChordsUnderMelodyKey, on);
}

void Preferences::setMelodySound(playback::Sound sound) {
  melodySound_ = sound;
  store(kMelodySoundKey, storedName(sound));
}

void Preferences::setChordSound(playback::Sound sound) {
  chordSound_ = sound;
  store(kChordSoundKey, storedName(sound));
}

}  // namespace quavern
