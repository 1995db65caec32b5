#include "app/practice/history_panel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QChartView>
#include <QFile>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace quavern {
namespace {

using history::NoteRecord;
using history::NoteTiming;
using history::NoteVerdict;
using history::Passage;
using history::PassCounts;
using history::PassRecord;
using history::PassSummary;

QDateTime at(int day, int hour, int minute) {
  return QDateTime(QDate(2026, 12, day), QTime(hour, minute), QTimeZone::utc());
}

PassSummary summary(QDateTime when, int bpm, PassCounts counts) {
  PassSummary pass;
  pass.finishedAt = std::move(when);
  pass.bpm = bpm;
  pass.counts = counts;
  return pass;
}

TEST(HistoryChartModel, OnePointAPassWithSharesTempoAndTheLastPassRead) {
  const std::vector<PassSummary> passes = {
      summary(at(6, 9, 0), 60, {8, 16, 4}),
      summary(at(7, 9, 30), 70, {0, 16, 0}),  // nothing right: no share on time
      summary(at(8, 10, 14), 80, {14, 16, 12}),
  };
  const auto model = buildHistoryChartModel(passes, Passage{5, 8}, QTimeZone::utc());
  const std::vector<HistoryChartPoint> points = {
      {at(6, 9, 0).toMSecsSinceEpoch(), 50.0, 50.0, 60, "60 BPM"},
      {at(7, 9, 30).toMSecsSinceEpoch(), 0.0, 0.0, 70, "70 BPM"},
      {at(8, 10, 14).toMSecsSinceEpoch(), 87.5, 100.0 * 12 / 14, 80, "80 BPM"},
  };
  EXPECT_EQ(model.points, points);
  EXPECT_EQ(
      model.description,
      QStringLiteral("Last pass: 14 of 16 right, 12 of 14 on time, 80 BPM, 8 Dec 2026 10:14"));
  EXPECT_EQ(model.title, QStringLiteral("Bars 5 to 8"));
  EXPECT_EQ(model.timeFrom, at(6, 9, 0));
  EXPECT_EQ(model.timeTo, at(8, 10, 14));
  EXPECT_EQ(model.tempoFrom, 50);
  EXPECT_EQ(model.tempoTo, 90);
  EXPECT_TRUE(model.pointLabelsShown);
  for (const auto& title : {model.timeAxisTitle, model.shareAxisTitle, model.tempoAxisTitle}) {
    EXPECT_FALSE(title.isEmpty());
  }
  // The same pass read in Berlin, an hour ahead of UTC in December.
  EXPECT_TRUE(buildHistoryChartModel(passes, Passage{5, 8}, QTimeZone("Europe/Berlin"))
                  .description.endsWith(QStringLiteral("8 Dec 2026 11:14")));
}

TEST(HistoryChartModel, OnePassGetsAnHourOfTimeAxisAndNoPassesAText) {
  const std::vector<PassSummary> one = {summary(at(8, 10, 0), 80, {1, 1, 1})};
  const auto model = buildHistoryChartModel(one, Passage{3, 3}, QTimeZone::utc());
  EXPECT_EQ(model.timeFrom, at(8, 9, 30));
  EXPECT_EQ(model.timeTo, at(8, 10, 30));
  EXPECT_EQ(model.title, QStringLiteral("Bar 3"));
  const auto none = buildHistoryChartModel({}, Passage{5, 8}, QTimeZone::utc());
  EXPECT_TRUE(none.points.empty());
  EXPECT_EQ(none.description,
            QStringLiteral("No passes of bars 5 to 8 yet: the chart starts with the first."));
}

TEST(HistoryChartModel, WeakBarLinesGiveTheCounts) {
  const std::vector<history::WeakBar> bars = {{6, 5, 3}, {2, 0, 1}};
  EXPECT_EQ(weakBarLines(bars), (QStringList{"Bar 6: 5 not right, 3 not on time",
                                             "Bar 2: 0 not right, 1 not on time"}));
}

// A song practised in three sessions over bars 5 to 8, bar 7 weakest.
class HistoryPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    song_.fill(u"c-e-g-bb");
    chords_.fill(0);
    for (int session = 0; session < 3; ++session) {
      PassRecord pass;
      pass.song = history::SongKey{song_, chords_};
      pass.summary = summary(at(6 + session, 10, 14), 60 + 10 * session, {});
      pass.summary.passage = Passage{5, 8};
      for (int bar = 5; bar <= 8; ++bar) {
        for (int note = 1; note <= 4; ++note) {
          const bool wrong = bar == 7 && note <= 3 - session;
          const bool late = bar == 6 && note == 1;
          pass.notes.push_back(
              wrong ? NoteRecord{bar, note, u"c-", NoteVerdict::kWrong, u"d-", {}, {}}
                    : NoteRecord{bar, note, u"c-", NoteVerdict::kRight, u"c-",
                                 late ? NoteTiming::kLate : NoteTiming::kOnTime, late ? 120 : 0});
          auto& counts = pass.summary.counts;
          ++counts.notesJudged;
          counts.notesRight += wrong ? 0 : 1;
          counts.onTime += wrong || late ? 0 : 1;
        }
      }
      ASSERT_TRUE(store_.storePass(pass).ok());
    }
    panel_.setShownTimeZone(QTimeZone::utc());
    panel_.showSong(song_, chords_, 5, 8);
  }

  template <class Widget>
  Widget* named(const QString& name) {
    for (auto* widget : panel_.findChildren<Widget*>()) {
      if (widget->accessibleName() == name) {
        return widget;
      }
    }
    ADD_FAILURE() << "no control named " << name.toStdString();
    return nullptr;
  }

  QTemporaryDir folder_;
  history::HistoryStore store_{folder_.filePath(QStringLiteral("practice.sqlite"))};
  HistoryPanel panel_{&store_};
  music::NotesTexts song_;
  music::ChordIndexes chords_{};
};

TEST_F(HistoryPanelTest, ThreeSessionsShowThreePointsAndTheWeakestBar) {
  const auto& points = panel_.chartModel().points;
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[0].rightPercent, 100.0 * 13 / 16);
  EXPECT_EQ(points[2].rightPercent, 100.0 * 15 / 16);
  EXPECT_EQ(points[2].label, QStringLiteral("80 BPM"));
  auto* chart = named<QChartView>(QStringLiteral("History chart"));
  ASSERT_NE(chart, nullptr);
  EXPECT_EQ(
      chart->accessibleDescription(),
      QStringLiteral("Last pass: 15 of 16 right, 14 of 15 on time, 80 BPM, 8 Dec 2026 10:14"));
  EXPECT_FALSE(chart->isHidden());
  EXPECT_TRUE(named<QLabel>(QStringLiteral("No passes"))->isHidden());
  const auto series = chart->chart()->series();
  ASSERT_EQ(series.size(), 3);
  for (auto* line : series) {
    EXPECT_EQ(static_cast<QLineSeries*>(line)->count(), 3);
  }
  auto* list = named<QListWidget>(QStringLiteral("Weakest bars"));
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("Bar 7: 6 not right, 0 not on time"));
  EXPECT_EQ(list->item(1)->text(), QStringLiteral("Bar 6: 0 not right, 3 not on time"));
  for (const auto* name : {"Export history...", "Forget this song's history"}) {
    ASSERT_NE(named<QPushButton>(QString::fromLatin1(name)), nullptr);
  }
}

TEST_F(HistoryPanelTest, PractiseTheseSetsTheBarsAroundTheChosenBar) {
  QSignalSpy ranges(&panel_, &HistoryPanel::practiseRange);
  auto* practise = named<QPushButton>(QStringLiteral("Practise these"));
  ASSERT_NE(practise, nullptr);
  QTest::mouseClick(practise, Qt::LeftButton);
  named<QListWidget>(QStringLiteral("Weakest bars"))->setCurrentRow(1);
  QTest::mouseClick(practise, Qt::LeftButton);
  ASSERT_EQ(ranges.size(), 2);
  EXPECT_EQ(ranges[0], (QList<QVariant>{6, 8}));
  EXPECT_EQ(ranges[1], (QList<QVariant>{5, 7}));  // bar 6: bar 5 is the passage's start
}

TEST_F(HistoryPanelTest, ForgettingAsksFirstThenLeavesNoPasses) {
  QStringList questions;
  bool agree = false;
  panel_.setConfirm([&](QWidget*, const QString& question) {
    questions << question;
    return agree;
  });
  auto* forget = named<QPushButton>(QStringLiteral("Forget this song's history"));
  QTest::mouseClick(forget, Qt::LeftButton);
  EXPECT_EQ(questions.size(), 1);
  EXPECT_EQ(panel_.chartModel().points.size(), 3u);
  EXPECT_EQ(store_.passesOfSong({song_, chords_}).value().size(), 3u);

  agree = true;
  QTest::mouseClick(forget, Qt::LeftButton);
  EXPECT_TRUE(store_.passesOfSong({song_, chords_}).value().empty());
  EXPECT_TRUE(panel_.chartModel().points.empty());
  auto* noPasses = named<QLabel>(QStringLiteral("No passes"));
  EXPECT_FALSE(noPasses->isHidden());
  EXPECT_TRUE(named<QChartView>(QStringLiteral("History chart"))->isHidden());
  EXPECT_TRUE(noPasses->text().startsWith(QStringLiteral("No passes")));
  EXPECT_EQ(noPasses->accessibleDescription(), noPasses->text());
  EXPECT_FALSE(named<QPushButton>(QStringLiteral("Practise these"))->isEnabled());
}

TEST_F(HistoryPanelTest, ExportWritesTheChosenFileOrSaysWhyNot) {
  QSignalSpy problems(&panel_, &HistoryPanel::problem);
  QString chosen = folder_.filePath(QStringLiteral("history.csv"));
  panel_.setAskExportFile([&](QWidget*) { return chosen; });
  auto* exportButton = named<QPushButton>(QStringLiteral("Export history..."));
  QTest::mouseClick(exportButton, Qt::LeftButton);
  EXPECT_TRUE(problems.isEmpty());
  QFile csv(chosen);
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  EXPECT_EQ(csv.readAll().count("\r\n"), 4);  // the header and three passes

  chosen = folder_.filePath(QStringLiteral("missing/history.csv"));
  QTest::mouseClick(exportButton, Qt::LeftButton);
  ASSERT_EQ(problems.size(), 1);
  EXPECT_TRUE(problems[0][0].toString().startsWith(
      QStringLiteral("History is not exported: %1: ").arg(chosen)));
}

TEST(HistoryPanel, AnUnusableFileIsSaidOnTheStatusLine) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("practice.sqlite"));
  QFile notDatabase(path);
  ASSERT_TRUE(notDatabase.open(QIODevice::WriteOnly));
  notDatabase.write(QByteArray(4096, 'x'));
  notDatabase.close();
  history::HistoryStore store(path);
  HistoryPanel panel;
  QSignalSpy problems(&panel, &HistoryPanel::problem);
  panel.setStore(&store);
  ASSERT_EQ(problems.size(), 1);
  EXPECT_EQ(problems[0][0].toString(),
            QStringLiteral("History is not kept: %1: file is not a database").arg(path));
  EXPECT_TRUE(panel.chartModel().points.empty());
  EXPECT_EQ(panel.chartModel().description, problems[0][0].toString());
}

}  // namespace
}  // namespace quavern

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
