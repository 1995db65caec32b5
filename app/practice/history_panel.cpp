#include "app/practice/history_panel.h"

#include <QDateTimeAxis>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QtCharts/QChartView>
#include <utility>

#include "history/history_messages.h"
#include "history/practise_range.h"

namespace quavern {
namespace {

QString defaultAskExportFile(QWidget* parent) {
  return QFileDialog::getSaveFileName(parent, QStringLiteral("Export history"),
                                      QStringLiteral("history.csv"),
                                      QStringLiteral("CSV files (*.csv)"));
}

bool defaultConfirm(QWidget* parent, const QString& question) {
  return QMessageBox::question(parent, QStringLiteral("Quavern"), question) == QMessageBox::Yes;
}

QPushButton* namedButton(const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setAccessibleName(text);
  return button;
}

QLineSeries* seriesOf(const QString& name, const std::vector<HistoryChartPoint>& points,
                      double HistoryChartPoint::*value) {
  auto* series = new QLineSeries;
  series->setName(name);
  series->setPointsVisible(true);
  for (const auto& point : points) {
    series->append(static_cast<qreal>(point.finishedAtMs), point.*value);
  }
  return series;
}

}  // namespace

HistoryPanel::HistoryPanel(history::HistoryStore* store, QWidget* parent)
    : QWidget(parent),
      store_(store),
      askExportFile_(defaultAskExportFile),
      confirm_(defaultConfirm),
      noPasses_(new QLabel(this)),
      chartView_(new QChartView(this)),
      weakBarList_(new QListWidget(this)),
      practiseButton_(namedButton(QStringLiteral("Practise these"), this)),
      exportButton_(namedButton(QStringLiteral("Export history..."), this)),
      forgetButton_(namedButton(QStringLiteral("Forget this song's history"), this)) {
  noPasses_->setAccessibleName(QStringLiteral("No passes"));
  noPasses_->setWordWrap(true);
  noPasses_->setAlignment(Qt::AlignCenter);
  chartView_->setAccessibleName(QStringLiteral("History chart"));
  chartView_->setRenderHint(QPainter::Antialiasing);
  chartView_->setMinimumHeight(280);
  weakBarList_->setAccessibleName(QStringLiteral("Weakest bars"));
  weakBarList_->setMaximumHeight(90);

  auto* weakTitle = new QLabel(QStringLiteral("Weakest bars"), this);
  weakTitle->setBuddy(weakBarList_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(practiseButton_);
  buttons->addStretch();
  buttons->addWidget(exportButton_);
  buttons->addWidget(forgetButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(noPasses_, 1);
  layout->addWidget(chartView_, 1);
  layout->addWidget(weakTitle);
  layout->addWidget(weakBarList_);
  layout->addLayout(buttons);

  connect(practiseButton_, &QPushButton::clicked, this, &HistoryPanel::practiseSelected);
  connect(exportButton_, &QPushButton::clicked, this, &HistoryPanel::exportHistory);
  connect(forgetButton_, &QPushButton::clicked, this, &HistoryPanel::forgetSong);
  refresh();
}

void HistoryPanel::setStore(history::HistoryStore* store) {
  store_ = store;
  refresh();
}

void HistoryPanel::setAskExportFile(AskExportFile ask) {
  askExportFile_ = std::move(ask);
}

void HistoryPanel::setConfirm(Confirm confirm) {
  confirm_ = std::move(confirm);
}

void HistoryPanel::setShownTimeZone(const QTimeZone& zone) {
  shownIn_ = zone;
  refresh();
}

void HistoryPanel::showSong(const music::NotesTexts& notes, const music::ChordIndexes& chords,
                            int fromBar, int toBar) {
  song_ = history::SongKey{notes, chords};
  passage_ = history::Passage{fromBar, toBar};
  refresh();
}

void HistoryPanel::refresh() {
  if (store_ == nullptr) {
    showUnavailable(QStringLiteral("History is not kept."));
    return;
  }
  auto passes = store_->passes(song_, passage_);
  if (!passes) {
    showProblem(passes.error());
    return;
  }
  auto weakest = store_->weakestBars(song_, passage_);
  if (!weakest) {
    showProblem(weakest.error());
    return;
  }
  model_ = buildHistoryChartModel(passes.value(), passage_, shownIn_);
  weakBars_ = std::move(weakest).value();
  paintChart();
  paintWeakBars();
  exportButton_->setEnabled(true);
  forgetButton_->setEnabled(true);
}

void HistoryPanel::showProblem(const history::HistoryError& error) {
  const QString text = history::historyProblemText(error);
  showUnavailable(text);
  emit problem(text);
}

void HistoryPanel::showUnavailable(const QString& text) {
  model_ = buildHistoryChartModel({}, passage_, shownIn_);
  model_.description = text;
  weakBars_.clear();
  paintChart();
  paintWeakBars();
  exportButton_->setEnabled(false);
  forgetButton_->setEnabled(false);
}

void HistoryPanel::paintChart() {
  const bool empty = model_.points.empty();
  noPasses_->setText(model_.description);
  // A label's text is not on the accessibility bus in Qt 6.4; its description is.
  noPasses_->setAccessibleDescription(model_.description);
  noPasses_->setVisible(empty);
  chartView_->setVisible(!empty);
  chartView_->setAccessibleDescription(empty ? QString() : model_.description);
  if (empty) {
    return;
  }
  auto* chart = new QChart;
  chart->setTitle(model_.title);
  // The panel is small: the plot keeps what the frame around it would take.
  chart->setMargins(QMargins(2, 2, 2, 2));
  chart->legend()->setAlignment(Qt::AlignBottom);
  auto* time = new QDateTimeAxis;
  time->setTitleText(model_.timeAxisTitle);
  time->setFormat(QStringLiteral("d MMM"));
  time->setRange(model_.timeFrom, model_.timeTo);
  auto* share = new QValueAxis;
  share->setTitleText(model_.shareAxisTitle);
  share->setRange(0, 100);
  share->setLabelFormat(QStringLiteral("%d"));
  auto* tempo = new QValueAxis;
  tempo->setTitleText(model_.tempoAxisTitle);
  tempo->setRange(model_.tempoFrom, model_.tempoTo);
  tempo->setLabelFormat(QStringLiteral("%d"));
  chart->addAxis(time, Qt::AlignBottom);
  chart->addAxis(share, Qt::AlignLeft);
  chart->addAxis(tempo, Qt::AlignRight);

  auto* tempoSeries = new QLineSeries;
  tempoSeries->setName(model_.tempoSeriesName);
  tempoSeries->setPointsVisible(true);
  for (const auto& point : model_.points) {
    tempoSeries->append(static_cast<qreal>(point.finishedAtMs), point.bpm);
  }
  tempoSeries->setPointLabelsFormat(QStringLiteral("@yPoint BPM"));
  tempoSeries->setPointLabelsVisible(model_.pointLabelsShown);
  tempoSeries->setPen(QPen(Qt::gray, 1, Qt::DashLine));
  const std::pair<QLineSeries*, QValueAxis*> series[] = {
      {seriesOf(model_.rightSeriesName, model_.points, &HistoryChartPoint::rightPercent), share},
      {seriesOf(model_.onTimeSeriesName, model_.points, &HistoryChartPoint::onTimePercent), share},
      {tempoSeries, tempo},
  };
  for (const auto& [line, axis] : series) {
    chart->addSeries(line);
    line->attachAxis(time);
    line->attachAxis(axis);
  }
  QChart* previous = chartView_->chart();
  chartView_->setChart(chart);
  delete previous;
}

void HistoryPanel::paintWeakBars() {
  weakBarList_->clear();
  weakBarList_->addItems(weakBarLines(weakBars_));
  if (!weakBars_.empty()) {
    weakBarList_->setCurrentRow(0);
  }
  practiseButton_->setEnabled(!weakBars_.empty());
}

void HistoryPanel::practiseSelected() {
  const int row = std::max(0, weakBarList_->currentRow());
  if (static_cast<std::size_t>(row) >= weakBars_.size()) {
    return;
  }
  const auto range = history::practiseRange(passage_, weakBars_[static_cast<std::size_t>(row)].bar);
  emit practiseRange(range.fromBar, range.toBar);
}

void HistoryPanel::exportHistory() {
  const QString file = askExportFile_(this);
  if (store_ == nullptr || file.isEmpty()) {
    return;
  }
  const auto exported = store_->exportCsv(song_, file);
  if (!exported) {
    emit problem(history::historyProblemText(exported.error()));
  }
}

void HistoryPanel::forgetSong() {
  if (store_ == nullptr ||
      !confirm_(this, QStringLiteral("Forget every pass of this song, over every passage? "
                                     "This cannot be undone."))) {
    return;
  }
  const auto forgotten = store_->forgetSong(song_);
  if (!forgotten) {
    emit problem(history::historyProblemText(forgotten.error()));
  }
  refresh();
}

}  // namespace quavern
