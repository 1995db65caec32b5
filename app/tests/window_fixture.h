#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <memory>
#include <vector>

#include "app/tform2.h"
#include "music/tests/scripted_draws.h"

namespace quavern {

// A window with scripted draws whose messages are collected instead of shown.
class WindowTest : public ::testing::Test {
 protected:
  void makeWindow(std::vector<std::uint32_t> draws = {}) {
    auto scripted = std::make_unique<music::ScriptedDraws>(std::move(draws));
    draws_ = scripted.get();
    TForm2Services services;
    services.draws = std::move(scripted);
    services.showMessage = [this](const QString& text) { messages_ << text; };
    window_ = std::make_unique<TForm2>(std::move(services));
  }

  void SetUp() override { makeWindow(); }

  template <typename Control>
  Control* control(const QString& name) const {
    auto* found = window_->findChild<Control*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
  }
  QLineEdit* notes(int bar) const { return control<QLineEdit>(QString("Edit%1").arg(bar)); }
  QComboBox* chord(int bar) const { return control<QComboBox>(QString("ComboBox%1").arg(bar)); }
  QCheckBox* regenerate(int bar) const {
    return control<QCheckBox>(QString("CheckBox%1").arg(bar));
  }

  // As if the user picked entry `index` from the selector's list.
  void choose(const QString& selectorName, int index) const {
    auto* selector = control<QComboBox>(selectorName);
    selector->setCurrentIndex(index);
    emit selector->activated(index);
  }

  std::unique_ptr<TForm2> window_;
  music::ScriptedDraws* draws_ = nullptr;
  QStringList messages_;
};

}  // namespace quavern

QT_BEGIN_NAMESPACE
// Readable failures for texts of the window.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE
