#include <gtest/gtest.h>

#include "window_fixture.h"

namespace quavern {
namespace {

class Make : public WindowTest {
 protected:
  // Every bar ticked or not as listed (bar 1 first).
  void tickOnly(std::initializer_list<int> ticked) {
    for (int bar = 1; bar <= 16; ++bar) {
      regenerate(bar)->setChecked(std::find(ticked.begin(), ticked.end(), bar) != ticked.end());
    }
  }
  void typeNotesEverywhere() {
    for (int bar = 1; bar <= 16; ++bar) {
      notes(bar)->setText(QString("typed %1").arg(bar));
    }
  }
};

TEST_F(Make, AllBarsTickedAtStartUpGetNewNotesBarOneFirst) {
  std::vector<std::uint32_t> draws;
  for (std::uint32_t i = 0; i < 64; ++i) {
    draws.push_back(i / 4);  // bar b draws column b % 4 four times
  }
  makeWindow(draws);
  chord(2)->setCurrentIndex(19);  // Am
  window_->Button1Click();
  const char* cTones[] = {"c-", "e-", "g-", "bb"};
  for (int bar = 1; bar <= 16; ++bar) {
    const auto column = static_cast<std::size_t>((bar - 1) % 4);
    const QString token = bar == 2 ? "c-" : cTones[column];  // Am: a- c- e- g-
    EXPECT_EQ(notes(bar)->text(), token.repeated(4)) << bar;
  }
  EXPECT_EQ(draws_->taken(), 64);
}

TEST_F(Make, NoBarTickedChangesNothingAndDrawsNothing) {
  tickOnly({});
  typeNotesEverywhere();
  window_->Button1Click();
  for (int bar = 1; bar <= 16; ++bar) {
    EXPECT_EQ(notes(bar)->text(), QString("typed %1").arg(bar));
  }
  EXPECT_EQ(draws_->taken(), 0);
}

TEST_F(Make, OnlyTheTickedBarChanges) {
  makeWindow({2, 0, 3, 1});
  tickOnly({7});
  typeNotesEverywhere();
  window_->Button1Click();
  for (int bar = 1; bar <= 16; ++bar) {
    EXPECT_EQ(notes(bar)->text(), bar == 7 ? QString("g-c-bbe-") : QString("typed %1").arg(bar));
    EXPECT_EQ(regenerate(bar)->isChecked(), bar == 7);
    EXPECT_EQ(chord(bar)->currentText(), "C");
  }
}

TEST_F(Make, ATickedBarWithNoChordIsEmptiedWithoutADraw) {
  makeWindow({0, 0, 0, 0});
  tickOnly({3, 4});
  notes(3)->setText("c-c-c-c-");
  chord(3)->setEditText("Hmaj");  // typed: names no entry
  window_->Button1Click();
  EXPECT_EQ(notes(3)->text(), "");
  EXPECT_EQ(notes(4)->text(), "c-c-c-c-");
  EXPECT_EQ(chord(3)->currentText(), "Hmaj");
  EXPECT_EQ(draws_->taken(), 4);
}

TEST_F(Make, APartlyCheckedBoxDoesNotCountAsTicked) {
  tickOnly({});
  regenerate(5)->setTristate(true);
  regenerate(5)->setCheckState(Qt::PartiallyChecked);
  window_->Button1Click();
  EXPECT_EQ(draws_->taken(), 0);
}

TEST_F(Make, SharpSpellingAppliesToTheBarsMadeAfterwards) {
  makeWindow({3, 3, 3, 3, 3, 3, 3, 3});
  tickOnly({1});
  window_->Button1Click();
  choose("ComboBox22", 1);
  tickOnly({2});
  window_->Button1Click();
  EXPECT_EQ(notes(1)->text(), "bbbbbbbb");
  EXPECT_EQ(notes(2)->text(), "a#a#a#a#");
  choose("ComboBox22", 0);
  EXPECT_EQ(bs, 1);
}

TEST_F(Make, EachPressDrawsAfresh) {
  makeWindow({0, 0, 0, 0, 1, 1, 1, 1});
  tickOnly({1});
  window_->Button1Click();
  EXPECT_EQ(notes(1)->text(), "c-c-c-c-");
  window_->Button1Click();
  EXPECT_EQ(notes(1)->text(), "e-e-e-e-");
}

TEST_F(Make, TheMakeButtonRunsMake) {
  makeWindow({1, 1, 1, 1});
  tickOnly({16});
  control<QPushButton>("Button1")->click();
  EXPECT_EQ(notes(16)->text(), "e-e-e-e-");
}

}  // namespace
}  // namespace quavern
