#pragma once

#include <QWidget>

#include "practice/practice_run.h"

namespace quavern {

// Paints the lane: the passage's notes on one octave's rows, the playhead and
// the heard pitch's trace, all from a plain model handed in as the practice
// runs. It holds no state of the practice itself.
class LaneView : public QWidget {
  Q_OBJECT

 public:
  explicit LaneView(QWidget* parent = nullptr);

  void setModel(practice::LaneModel model);
  const practice::LaneModel& model() const { return model_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Geometry;

  void paintRows(QPainter& painter, const Geometry& geometry) const;
  void paintNotes(QPainter& painter, const Geometry& geometry) const;
  void paintTrace(QPainter& painter, const Geometry& geometry) const;
  void paintPlayhead(QPainter& painter, const Geometry& geometry) const;

  practice::LaneModel model_;
};

// The colour a note is drawn in, by what became of it.
QColor laneMarkColour(practice::LaneMark mark);

}  // namespace quavern
