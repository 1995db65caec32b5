#include "app/practice/lane_view.h"

#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <algorithm>

namespace quavern {

using practice::kLaneRows;
using practice::LaneMark;

// Where the model's milliseconds and rows land in the widget.
struct LaneView::Geometry {
  QRectF area;  // the rows, right of their names
  std::int64_t startMs = 0;
  std::int64_t endMs = 1;

  double x(std::int64_t ms) const {
    const double span = static_cast<double>(std::max<std::int64_t>(endMs - startMs, 1));
    return area.left() + area.width() * static_cast<double>(ms - startMs) / span;
  }
  double rowHeight() const { return area.height() / kLaneRows; }
  // The centre of a (fractional) row; row 0 at the bottom.
  double y(double row) const { return area.bottom() - (row + 0.5) * rowHeight(); }
};

QColor laneMarkColour(LaneMark mark) {
  switch (mark) {
    case LaneMark::Listen:
      return {150, 170, 200};
    case LaneMark::Due:
      return {190, 190, 190};
    case LaneMark::Right:
      return {70, 170, 90};
    case LaneMark::Late:
    case LaneMark::Early:
      return {235, 160, 40};
    case LaneMark::Wrong:
      return {210, 60, 60};
    case LaneMark::Missed:
      return {110, 110, 110};
  }
  return {190, 190, 190};
}

LaneView::LaneView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
}

QSize LaneView::sizeHint() const {
  return {720, 260};
}

void LaneView::setModel(practice::LaneModel model) {
  model_ = std::move(model);
  update();
}

void LaneView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(rect(), QColor(250, 250, 250));
  const int namesWidth = fontMetrics().horizontalAdvance(QStringLiteral("db ")) + 6;
  Geometry geometry{QRectF(rect()).adjusted(namesWidth, 4, -4, -4), model_.viewStartMs,
                    model_.viewEndMs};
  paintRows(painter, geometry);
  if (model_.viewEndMs <= model_.viewStartMs) {
    return;
  }
  painter.setClipRect(geometry.area);
  paintNotes(painter, geometry);
  paintTrace(painter, geometry);
  paintPlayhead(painter, geometry);
}

// A band a row, the black keys' rows shaded as on a keyboard, each named.
void LaneView::paintRows(QPainter& painter, const Geometry& geometry) const {
  for (int row = 0; row < kLaneRows; ++row) {
    const QRectF band(geometry.area.left(), geometry.y(row) - geometry.rowHeight() / 2,
                      geometry.area.width(), geometry.rowHeight());
    const bool blackKey = practice::laneRowName(row)[1] == 'b';
    painter.fillRect(band, blackKey ? QColor(236, 236, 240) : QColor(255, 255, 255));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRectF(0, band.top(), geometry.area.left() - 4, band.height()),
                     Qt::AlignRight | Qt::AlignVCenter,
                     QString::fromStdString(practice::laneRowName(row)));
  }
}

void LaneView::paintNotes(QPainter& painter, const Geometry& geometry) const {
  const double height = geometry.rowHeight() * 0.8;
  for (const practice::LaneNote& note : model_.notes) {
    const QRectF box(geometry.x(note.startMs) + 1, geometry.y(note.row) - height / 2,
                     geometry.x(note.endMs) - geometry.x(note.startMs) - 2, height);
    painter.setPen(Qt::NoPen);
    painter.setBrush(laneMarkColour(note.mark));
    painter.drawRoundedRect(box, 3, 3);
    painter.setPen(Qt::black);
    painter.drawText(box.adjusted(3, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromStdString(note.label));
  }
}

// Dots rather than a line: the trace breaks wherever no pitch is heard.
void LaneView::paintTrace(QPainter& painter, const Geometry& geometry) const {
  painter.setPen(Qt::NoPen);
  for (const practice::LaneTracePoint& point : model_.trace) {
    painter.setBrush(point.onTarget ? QColor(20, 120, 40) : QColor(190, 30, 30));
    painter.drawEllipse(QPointF(geometry.x(point.ms), geometry.y(point.row)), 2.5, 2.5);
  }
}

void LaneView::paintPlayhead(QPainter& painter, const Geometry& geometry) const {
  const double x = geometry.x(model_.playheadMs);
  painter.setPen(QPen(QColor(40, 70, 200), 2));
  painter.drawLine(QPointF(x, geometry.area.top()), QPointF(x, geometry.area.bottom()));
}

}  // namespace quavern
