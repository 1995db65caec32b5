#include "app/practice/practice_preferences.h"

#include <QByteArray>
#include <algorithm>

#include "app/preferences.h"

namespace quavern {
namespace {

const QString kGroup = QStringLiteral("practice");

int readInt(QSettings& settings, const QString& key, int fallback, int lowest, int highest) {
  bool ok = false;
  const int value = settings.value(key).toInt(&ok);
  return ok ? std::clamp(value, lowest, highest) : fallback;
}

// The input's name as a key: names hold slashes and spaces, which QSettings
// would read as groups.
QString delayKey(const QString& inputName) {
  return QStringLiteral("inputDelay/") +
         QString::fromLatin1(inputName.toUtf8().toBase64(QByteArray::Base64UrlEncoding));
}

}  // namespace

PracticeChoices loadPracticeChoices(const QString& preferencesFile, int mainTempoBpm) {
  const auto settings = openPreferences(preferencesFile);
  PracticeChoices choices;
  music::PracticeSettings& passage = choices.passage;
  passage.tempoBpm = mainTempoBpm;
  if (settings->status() != QSettings::NoError) {
    return choices;
  }
  settings->beginGroup(kGroup);
  passage.fromBar = readInt(*settings, "fromBar", 1, 1, 16);
  passage.toBar = readInt(*settings, "toBar", 16, passage.fromBar, 16);
  passage.tempoBpm =
      readInt(*settings, "tempo", mainTempoBpm, music::kSlowestBpm, music::kFastestBpm);
  passage.passes = readInt(*settings, "passes", 1, 1, music::kMostPasses);
  passage.raiseBpm = readInt(*settings, "raiseTempo", 0, 0, music::kLargestRaiseBpm);
  passage.upToBpm = readInt(*settings, "upTo", 120, music::kSlowestBpm, music::kFastestBpm);
  passage.listenFirst = readInt(*settings, "melody", 0, 0, 1) == 1;
  choices.transposition =
      static_cast<practice::Transposition>(readInt(*settings, "instrument", 0, 0, 3));
  choices.pitchWithinChoice = readInt(*settings, "pitchWithin", 0, 0, 2);
  choices.onTimeWithinChoice = readInt(*settings, "onTimeWithin", 1, 0, 2);
  choices.inputName = settings->value("input").toString();
  return choices;
}

void savePracticeChoices(const QString& preferencesFile, const PracticeChoices& choices) {
  const auto settings = openPreferences(preferencesFile);
  settings->beginGroup(kGroup);
  const music::PracticeSettings& passage = choices.passage;
  settings->setValue("fromBar", passage.fromBar);
  settings->setValue("toBar", passage.toBar);
  settings->setValue("tempo", passage.tempoBpm);
  settings->setValue("passes", passage.passes);
  settings->setValue("raiseTempo", passage.raiseBpm);
  settings->setValue("upTo", passage.upToBpm);
  settings->setValue("melody", passage.listenFirst ? 1 : 0);
  settings->setValue("instrument", static_cast<int>(choices.transposition));
  settings->setValue("pitchWithin", choices.pitchWithinChoice);
  settings->setValue("onTimeWithin", choices.onTimeWithinChoice);
  settings->setValue("input", choices.inputName);
  settings->endGroup();
  settings->sync();
}

InputDelay loadInputDelay(const QString& preferencesFile, const QString& inputName) {
  const auto settings = openPreferences(preferencesFile);
  settings->beginGroup(kGroup);
  InputDelay delay;
  delay.ms = readInt(*settings, delayKey(inputName) + "/ms", 0, -100, 500);
  delay.measured = settings->value(delayKey(inputName) + "/measured", false).toBool();
  return delay;
}

void saveInputDelay(const QString& preferencesFile, const QString& inputName, InputDelay delay) {
  const auto settings = openPreferences(preferencesFile);
  settings->beginGroup(kGroup);
  settings->setValue(delayKey(inputName) + "/ms", delay.ms);
  settings->setValue(delayKey(inputName) + "/measured", delay.measured);
  settings->endGroup();
  settings->sync();
}

}  // namespace quavern
