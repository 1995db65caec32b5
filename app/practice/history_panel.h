#pragma once

#include <QString>
#include <QTimeZone>
#include <QWidget>
#include <functional>
#include <vector>

#include "app/practice/history_chart_model.h"
#include "history/history_store.h"

class QChartView;
class QLabel;
class QListWidget;
class QPushButton;

namespace quavern {

// "History" in the practice window: the chart of a song's passes over a passage, its
// weakest bars with "Practise these", the export and the forgetting of the song's history.
// It reads and writes only through the store, and paints from buildHistoryChartModel().
class HistoryPanel : public QWidget {
  Q_OBJECT

 public:
  // The file to export to, or empty when the player cancels.
  using AskExportFile = std::function<QString(QWidget* parent)>;
  // Whether the player agrees to the question.
  using Confirm = std::function<bool(QWidget* parent, const QString& question)>;

  // Without a store (or with one that cannot be used) the panel says the history is not
  // kept, and its actions are off.
  explicit HistoryPanel(history::HistoryStore* store = nullptr, QWidget* parent = nullptr);

  void setStore(history::HistoryStore* store);
  void setAskExportFile(AskExportFile ask);      // default: a file dialog
  void setConfirm(Confirm confirm);              // default: a question box
  void setShownTimeZone(const QTimeZone& zone);  // default: the system's

  // Shows the history of this song and passage (bars 1 to 16): call it when the main
  // window's song or the passage changes.
  void showSong(const music::NotesTexts& notes, const music::ChordIndexes& chords, int fromBar,
                int toBar);
  // Reads the store again, after a pass was stored.
  void refresh();

  const HistoryChartModel& chartModel() const { return model_; }
  const std::vector<history::WeakBar>& weakBars() const { return weakBars_; }

 signals:
  // "Practise these": the bars around the weakest (or the selected) bar.
  void practiseRange(int fromBar, int toBar);
  // A line for the status line, such as "History is not kept: <file>: <reason>".
  void problem(const QString& text);

 private:
  void paintChart();
  void paintWeakBars();
  void practiseSelected();
  void exportHistory();
  void forgetSong();
  void showProblem(const history::HistoryError& error);
  void showUnavailable(const QString& text);

  history::HistoryStore* store_ = nullptr;
  AskExportFile askExportFile_;
  Confirm confirm_;
  QTimeZone shownIn_ = QTimeZone::systemTimeZone();
  history::SongKey song_;
  history::Passage passage_;
  HistoryChartModel model_;
  std::vector<history::WeakBar> weakBars_;

  QLabel* noPasses_;
  QChartView* chartView_;
  QListWidget* weakBarList_;
  QPushButton* practiseButton_;
  QPushButton* exportButton_;
  QPushButton* forgetButton_;
};

}  // namespace quavern
