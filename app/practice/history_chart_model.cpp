#include "app/practice/history_chart_model.h"

#include <QLocale>
#include <algorithm>

namespace quavern {
namespace {

// Beyond this many passes the tempo is read off its axis alone.
constexpr std::size_t kMostLabelledPoints = 30;
constexpr qint64 kHalfHourMs = 30 * 60 * 1000;
constexpr int kTempoMargin = 10;  // BPM above and below the passes' tempos

double percent(int part, int whole) {
  return whole > 0 ? 100.0 * part / whole : 0.0;
}

QString bpmText(int bpm) {
  return QStringLiteral("%1 BPM").arg(bpm);
}

QString lastPassText(const history::PassSummary& pass, const QTimeZone& shownIn) {
  const auto& counts = pass.counts;
  // English month names whatever the desktop's language, as the rest of the window.
  const QString when = QLocale::c().toString(pass.finishedAt.toTimeZone(shownIn),
                                             QStringLiteral("d MMM yyyy HH:mm"));
  return QStringLiteral("Last pass: %1 of %2 right, %3 of %1 on time, %4, %5")
      .arg(counts.notesRight)
      .arg(counts.notesJudged)
      .arg(counts.onTime)
      .arg(bpmText(pass.bpm), when);
}

}  // namespace

HistoryChartModel buildHistoryChartModel(std::span<const history::PassSummary> passes,
                                         history::Passage passage, const QTimeZone& shownIn) {
  HistoryChartModel model;
  model.title = passage.fromBar == passage.toBar
                    ? QStringLiteral("Bar %1").arg(passage.fromBar)
                    : QStringLiteral("Bars %1 to %2").arg(passage.fromBar).arg(passage.toBar);
  model.timeAxisTitle = QStringLiteral("Date");
  model.shareAxisTitle = QStringLiteral("Notes (%)");
  model.tempoAxisTitle = QStringLiteral("Tempo (BPM)");
  model.rightSeriesName = QStringLiteral("Right");
  model.onTimeSeriesName = QStringLiteral("On time");
  model.tempoSeriesName = QStringLiteral("Tempo");
  if (passes.empty()) {
    model.description = QStringLiteral("No passes of %1 yet: the chart starts with the first.")
                            .arg(model.title.toLower());
    return model;
  }
  int slowest = passes.front().bpm;
  int fastest = slowest;
  for (const auto& pass : passes) {
    const auto& counts = pass.counts;
    model.points.push_back(
        {pass.finishedAt.toMSecsSinceEpoch(), percent(counts.notesRight, counts.notesJudged),
         percent(counts.onTime, counts.notesRight), pass.bpm, bpmText(pass.bpm)});
    slowest = std::min(slowest, pass.bpm);
    fastest = std::max(fastest, pass.bpm);
  }
  const qint64 first = model.points.front().finishedAtMs;
  const qint64 last = model.points.back().finishedAtMs;
  const qint64 widen = std::max<qint64>(0, kHalfHourMs - (last - first) / 2);
  model.timeFrom = QDateTime::fromMSecsSinceEpoch(first - widen, shownIn);
  model.timeTo = QDateTime::fromMSecsSinceEpoch(last + widen, shownIn);
  model.tempoFrom = std::max(0, slowest - kTempoMargin);
  model.tempoTo = fastest + kTempoMargin;
  model.pointLabelsShown = model.points.size() <= kMostLabelledPoints;
  model.description = lastPassText(passes.back(), shownIn);
  return model;
}

QStringList weakBarLines(std::span<const history::WeakBar> bars) {
  QStringList lines;
  for (const auto& bar : bars) {
    lines << QStringLiteral("Bar %1: %2 not right, %3 not on time")
                 .arg(bar.bar)
                 .arg(bar.notRight)
                 .arg(bar.notOnTime);
  }
  return lines;
}

}  // namespace quavern
