#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTimeZone>
#include <span>
#include <vector>

#include "history/pass_record.h"

namespace quavern {

// One pass on the chart.
struct HistoryChartPoint {
  qint64 finishedAtMs = 0;     // x: milliseconds since 1970-01-01 UTC
  double rightPercent = 0.0;   // notes right of notes judged, 0 to 100
  double onTimePercent = 0.0;  // notes on time of notes right, 0 to 100
  int bpm = 0;
  QString label;  // the tempo point's label, "80 BPM"

  friend bool operator==(const HistoryChartPoint&, const HistoryChartPoint&) = default;
};

// Everything the history chart shows, so a test can read it without pixels.
struct HistoryChartModel {
  std::vector<HistoryChartPoint> points;  // oldest first; empty: the chart gives way to a text
  QString title;                          // "Bars 5 to 8"
  QString timeAxisTitle;
  QString shareAxisTitle;
  QString tempoAxisTitle;
  QString rightSeriesName;
  QString onTimeSeriesName;
  QString tempoSeriesName;
  QDateTime timeFrom;  // the time axis's range, at least an hour wide
  QDateTime timeTo;
  int tempoFrom = 0;  // the tempo axis's range, in BPM
  int tempoTo = 0;
  bool pointLabelsShown = false;  // tempo labels would overlap beyond a few dozen passes
  // The chart's accessible description, reading the last pass:
  //   "Last pass: 14 of 16 right, 12 of 14 on time, 80 BPM, 8 Dec 2026 10:14"
  // or, with no passes, the text shown instead of the chart.
  QString description;
};

// The chart of a song's passes over a passage, times read in `shownIn`.
HistoryChartModel buildHistoryChartModel(std::span<const history::PassSummary> passes,
                                         history::Passage passage, const QTimeZone& shownIn);

// The weakest-bars list, one line a bar: "Bar 6: 5 not right, 3 not on time".
QStringList weakBarLines(std::span<const history::WeakBar> bars);

}  // namespace quavern
