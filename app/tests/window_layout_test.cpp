#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <algorithm>

#include "app/controls.h"
#include "music/chords.h"
#include "window_fixture.h"

namespace quavern {
namespace {

struct LayoutRow {
  const char* name;
  int left, top, width, height;
  int tabOrder;  // -1: not in the tab order
  const char* text;
};

// The window's layout in pixels at 96 dpi.
constexpr LayoutRow kLayout[] = {
    {"CheckBox1", 40, 42, 89, 14, 31, ""},      {"ComboBox1", 40, 56, 100, 21, 0, ""},
    {"Edit1", 40, 83, 100, 21, 1, ""},          {"CheckBox2", 159, 42, 89, 14, 33, ""},
    {"ComboBox2", 159, 56, 99, 21, 6, ""},      {"Edit2", 159, 82, 99, 21, 7, ""},
    {"CheckBox3", 277, 42, 89, 14, 34, ""},     {"ComboBox3", 277, 56, 100, 21, 9, ""},
    {"Edit3", 277, 82, 100, 21, 8, ""},         {"CheckBox4", 396, 42, 89, 14, 35, ""},
    {"ComboBox4", 396, 56, 100, 21, 12, ""},    {"Edit4", 396, 82, 100, 21, 13, ""},
    {"CheckBox5", 40, 109, 89, 14, 36, ""},     {"ComboBox5", 40, 124, 100, 21, 15, ""},
    {"Edit5", 40, 151, 100, 21, 19, ""},        {"CheckBox6", 159, 109, 89, 14, 37, ""},
    {"ComboBox6", 159, 124, 99, 21, 16, ""},    {"Edit6", 159, 151, 99, 21, 20, ""},
    {"CheckBox7", 277, 109, 89, 14, 38, ""},    {"ComboBox7", 277, 124, 100, 21, 17, ""},
    {"Edit7", 277, 151, 100, 21, 21, ""},       {"CheckBox8", 396, 109, 89, 14, 39, ""},
    {"ComboBox8", 396, 124, 100, 21, 18, ""},   {"Edit8", 396, 151, 100, 21, 22, ""},
    {"CheckBox9", 40, 181, 89, 14, 40, ""},     {"ComboBox9", 40, 196, 100, 21, 23, ""},
    {"Edit9", 40, 223, 100, 21, 27, ""},        {"CheckBox10", 159, 181, 89, 14, 41, ""},
    {"ComboBox10", 159, 196, 99, 21, 24, ""},   {"Edit10", 159, 223, 99, 21, 28, ""},
    {"CheckBox11", 277, 181, 89, 14, 42, ""},   {"ComboBox11", 277, 196, 100, 21, 25, ""},
    {"Edit11", 277, 223, 100, 21, 29, ""},      {"CheckBox12", 396, 181, 89, 14, 43, ""},
    {"ComboBox12", 396, 196, 100, 21, 26, ""},  {"Edit12", 396, 223, 100, 21, 30, ""},
    {"CheckBox13", 41, 253, 97, 17, 49, ""},    {"ComboBox13", 40, 269, 100, 21, 53, ""},
    {"Edit13", 40, 296, 100, 21, 45, ""},       {"CheckBox14", 159, 253, 97, 17, 50, ""},
    {"ComboBox14", 159, 269, 99, 21, 54, ""},   {"Edit14", 159, 296, 99, 21, 46, ""},
    {"CheckBox15", 277, 253, 97, 17, 51, ""},   {"ComboBox15", 277, 269, 100, 21, 55, ""},
    {"Edit15", 277, 296, 100, 21, 47, ""},      {"CheckBox16", 398, 253, 97, 17, 52, ""},
    {"ComboBox16", 397, 269, 99, 21, 56, ""},   {"Edit16", 397, 296, 100, 21, 48, ""},
    {"Edit20", 40, 8, 294, 21, 14, "data.txt"}, {"Button4", 340, 8, 75, 25, 5, "open"},
    {"Button3", 421, 8, 75, 25, 4, "save"},     {"Label1", 40, 327, 27, 13, -1, "Loop:"},
    {"Label2", 119, 327, 36, 13, -1, "Tempo:"}, {"Label3", 200, 327, 28, 13, -1, "b - #:"},
    {"ComboBox20", 40, 346, 66, 21, 11, ""},    {"ComboBox21", 119, 346, 66, 21, 10, ""},
    {"ComboBox22", 200, 346, 66, 21, 32, ""},   {"Button1", 280, 345, 75, 25, 2, "make"},
    {"Button2", 361, 345, 75, 25, 3, "play"},   {"Button5", 442, 345, 75, 25, 44, "stop"},
};

class WindowLayout : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    window_->show();
  }
  QWidget* widget(const char* name) const { return control<QWidget>(name); }
};

TEST_F(WindowLayout, CaptionAndClientArea) {
  EXPECT_EQ(window_->windowTitle(), "Quavern ver1.0");
  EXPECT_EQ(window_->size(), QSize(537, 378));
  EXPECT_FALSE(window_->windowIcon().isNull());
}

TEST_F(WindowLayout, EveryControlSitsWhereTheLayoutPutsIt) {
  for (const auto& row : kLayout) {
    SCOPED_TRACE(row.name);
    auto* w = widget(row.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget(), window_.get());
    EXPECT_EQ(w->pos(), QPoint(row.left, row.top));
    if (qobject_cast<QLabel*>(w)) {
      // Captions grow to fit their text in faces wider than the layout's.
      EXPECT_GE(w->width(), row.width);
      EXPECT_GE(w->height(), row.height);
      EXPECT_GE(w->width(), w->sizeHint().width());
    } else {
      EXPECT_EQ(w->size(), QSize(row.width, row.height));
    }
  }
}

TEST_F(WindowLayout, CaptionsAndTexts) {
  for (const auto& row : kLayout) {
    SCOPED_TRACE(row.name);
    auto* w = widget(row.name);
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      EXPECT_EQ(button->text(), row.text);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
      EXPECT_EQ(label->text(), row.text);
    } else if (auto* field = qobject_cast<QLineEdit*>(w)) {
      EXPECT_EQ(field->text(), row.text);
    }
  }
}

TEST_F(WindowLayout, OnlyTheStopButtonIsHidden) {
  for (const auto& row : kLayout) {
    const bool isStop = std::string_view(row.name) == "Button5";
    EXPECT_EQ(widget(row.name)->isVisible(), !isStop) << row.name;
  }
}

TEST_F(WindowLayout, EveryControlHasAnAccessibleName) {
  QStringList names;
  for (const auto& row : kLayout) {
    const auto name = widget(row.name)->accessibleName();
    EXPECT_FALSE(name.isEmpty()) << row.name;
    names << name;
  }
  names.removeDuplicates();
  EXPECT_EQ(names.size(), static_cast<qsizetype>(std::size(kLayout)));
  EXPECT_EQ(chord(5)->accessibleName(), "Bar 5 chord");
  EXPECT_EQ(notes(5)->accessibleName(), "Bar 5 notes");
  EXPECT_EQ(regenerate(5)->accessibleName(), "Bar 5 regenerate");
}

TEST_F(WindowLayout, FocusFollowsTheTabOrder) {
  std::vector<const LayoutRow*> expected;
  for (const auto& row : kLayout) {
    if (row.tabOrder >= 0) {
      expected.push_back(&row);
    }
  }
  std::sort(expected.begin(), expected.end(),
            [](const auto* a, const auto* b) { return a->tabOrder < b->tabOrder; });

  // Walk the focus chain once round from the first control, keeping our controls.
  std::vector<QString> chain;
  QWidget* first = widget(expected.front()->name);
  QWidget* current = first;
  do {
    if (current->parentWidget() == window_.get() && (current->focusPolicy() & Qt::TabFocus)) {
      chain.push_back(current->objectName());
    }
    current = current->nextInFocusChain();
  } while (current != first && chain.size() <= expected.size());

  ASSERT_EQ(chain.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(chain[i], expected[i]->name) << "tab position " << i;
  }
}

TEST_F(WindowLayout, StartUpState) {
  QStringList chordNames;
  for (const auto name : music::kChordNames) {
    chordNames << QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
  }
  for (int bar = 1; bar <= 16; ++bar) {
    SCOPED_TRACE(bar);
    EXPECT_EQ(regenerate(bar)->checkState(), Qt::Checked);
    EXPECT_EQ(notes(bar)->text(), "");
    QStringList entries;
    for (int i = 0; i < chord(bar)->count(); ++i) {
      entries << chord(bar)->itemText(i);
    }
    EXPECT_EQ(entries, chordNames);
    EXPECT_EQ(itemIndex(*chord(bar)), 0);
    EXPECT_EQ(chord(bar)->currentText(), "C");
  }
  const std::pair<const char*, QStringList> footSelectors[] = {
      {"ComboBox20", {"1", "2", "3", "5", "10"}},
      {"ComboBox21", {"60", "80", "100", "120"}},
      {"ComboBox22", {"b", "#"}},
  };
  for (const auto& [name, entries] : footSelectors) {
    auto* selector = control<QComboBox>(name);
    QStringList actual;
    for (int i = 0; i < selector->count(); ++i) {
      actual << selector->itemText(i);
    }
    EXPECT_EQ(actual, entries) << name;
    EXPECT_EQ(itemIndex(*selector), 0) << name;
    EXPECT_TRUE(selector->isEditable()) << name;
  }
  EXPECT_EQ(control<QLineEdit>("Edit20")->text(), "data.txt");
  EXPECT_EQ(window_->t, 60);
  EXPECT_EQ(window_->loop, 1);
  EXPECT_EQ(bs, 1);
  EXPECT_EQ(loop_, 0);
  EXPECT_EQ(music::cdf[19][0], "a-");
  EXPECT_EQ(music::cds[23][2], "f#");
}

// The selector reports the entry its text names; typing anything else leaves
// no entry chosen, and setting an index never counts as the user's choice.
TEST(Selector, IndexFollowsTheTextAndProgramChangesRaiseNoSelectEvent) {
  QComboBox selector;
  selector.setEditable(true);
  QSignalSpy chosen(&selector, &QComboBox::activated);
  selector.addItems({"C", "Cm", "Db C#"});
  setItemIndex(selector, 2);
  EXPECT_EQ(itemIndex(selector), 2);
  selector.setEditText("Cm");
  EXPECT_EQ(itemIndex(selector), 1);
  selector.setEditText("Cmaj7");
  EXPECT_EQ(itemIndex(selector), -1);
  setItemIndex(selector, 35);
  EXPECT_EQ(itemIndex(selector), -1);
  setItemIndex(selector, -1);
  EXPECT_EQ(itemIndex(selector), -1);
  setItemIndex(selector, 0);
  EXPECT_EQ(itemIndex(selector), 0);
  EXPECT_EQ(chosen.count(), 0);
}

}  // namespace
}  // namespace quavern
