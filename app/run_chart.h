#pragma once

#include <QColor>
#include <QGraphicsScene>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QWidget>

#include "lesson/run_window_model.h"

class QChart;

inline QColor ToQColor(const Rgba& c) {
  return QColor(c.R, c.G, c.B, c.A);
}

// A chart drawn once into a picture and shown from it, with the replay's
// cursor and the shaded area under a curve drawn over the picture: moving the
// cursor draws neither the axes nor the series again.
class RunChart final : public QWidget {
 public:
  // Takes the chart.
  RunChart(QChart* chart, QWidget* parent);
  ~RunChart() override;

  QChart* Chart() const { return chart_; }
  // The series, the axes or the legend changed: the picture is made again.
  void Invalidate();
  // The cursor at x = t, in the chart's units.
  void SetCursor(double t);
  double Cursor() const { return cursor_; }
  // The area under `curve` (in the chart's units, x growing) is shaded from
  // the start up to the cursor in `fill`, with a label in `text` beside the
  // cursor.
  void SetShade(const QList<QPointF>& curve, const QColor& fill, const QColor& text);
  void SetShadeLabel(const QString& label);
  QString ShadeLabel() const { return label_; }
  // Where a value of the chart lands in the widget.
  QPointF Position(QPointF value) const;
  // How often the chart itself was drawn.
  int Renders() const { return renders_; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;

 private:
  void Render();

  QGraphicsScene scene_;
  QChart* chart_;
  QImage picture_;
  bool stale_ = true;
  int renders_ = 0;
  double cursor_ = 0;
  QList<QPointF> curve_;
  QPolygonF shade_;  // in widget pixels, made with the picture
  QColor shadeFill_;
  QColor shadeText_;
  QString label_;
};
