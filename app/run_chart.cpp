#include "app/run_chart.h"

#include <QAbstractSeries>
#include <QChart>
#include <QGraphicsLayout>
#include <QLegend>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

RunChart::RunChart(QChart* chart, QWidget* parent) : QWidget(parent), chart_(chart) {
  scene_.addItem(chart_);
  // The chart lays itself out again on its own time (a legend entry shown, a
  // new size): the picture and the shade's outline follow.
  connect(chart_, &QChart::plotAreaChanged, this, [this] { Invalidate(); });
  setAttribute(Qt::WA_OpaquePaintEvent);
}

RunChart::~RunChart() = default;

void RunChart::Invalidate() {
  stale_ = true;
  update();
}

void RunChart::SetCursor(double t) {
  if (t == cursor_) return;
  cursor_ = t;
  update();
}

void RunChart::SetShade(const QList<QPointF>& curve, const QColor& fill, const QColor& text) {
  curve_ = curve;
  shadeFill_ = fill;
  shadeText_ = text;
  Invalidate();
}

void RunChart::SetShadeLabel(const QString& label) {
  if (label == label_) return;
  label_ = label;
  update();
}

QPointF RunChart::Position(QPointF value) const {
  const QList<QAbstractSeries*> series = chart_->series();
  return series.isEmpty() ? QPointF() : chart_->mapToPosition(value, series.front());
}

void RunChart::resizeEvent(QResizeEvent*) {
  stale_ = true;
}

void RunChart::Render() {
  chart_->resize(size());
  for (QGraphicsLayout* layout : {chart_->legend()->layout(), chart_->layout()})
    if (layout) layout->activate();
  const qreal ratio = devicePixelRatioF();
  picture_ = QImage(size() * ratio, QImage::Format_ARGB32_Premultiplied);
  picture_.setDevicePixelRatio(ratio);
  picture_.fill(palette().window().color());
  {
    QPainter p(&picture_);
    p.setRenderHint(QPainter::Antialiasing);
    scene_.render(&p, QRectF(QPointF(0, 0), size()), QRectF(QPointF(0, 0), size()));
  }
  shade_.clear();
  if (!curve_.isEmpty()) {
    shade_ << Position({curve_.front().x(), 0});
    for (const QPointF& v : curve_) shade_ << Position(v);
    shade_ << Position({curve_.back().x(), 0});
  }
  stale_ = false;
  ++renders_;
}

void RunChart::paintEvent(QPaintEvent*) {
  if (stale_ || picture_.size() != size() * devicePixelRatioF()) Render();
  QPainter p(this);
  p.drawImage(0, 0, picture_);
  const QRectF plot = chart_->plotArea();
  const double x = Position({cursor_, 0}).x();
  if (!shade_.isEmpty() && x > plot.left()) {
    p.save();
    p.setClipRect(QRectF(plot.left(), plot.top(), x - plot.left(), plot.height()));
    p.setPen(Qt::NoPen);
    p.setBrush(shadeFill_);
    p.drawPolygon(shade_, Qt::WindingFill);
    p.restore();
  }
  p.setPen(QPen(ToQColor(RunColours::Cursor), 1, Qt::DashLine));
  p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
  if (!label_.isEmpty()) {
    QFont font = p.font();
    font.setBold(true);
    p.setFont(font);
    const QRectF box = p.fontMetrics().boundingRect(label_).adjusted(-3, -1, 3, 1);
    // On the shaded area, left of the cursor, unless that leaves the plot.
    QPointF at(x - box.width() - 4, plot.bottom() - box.height() - 4);
    if (at.x() < plot.left() + 2) at.setX(x + 4);
    const QRectF where = box.translated(at - box.topLeft());
    p.setPen(Qt::NoPen);
    p.setBrush(ToQColor(RunColours::ShadeLabelBox));
    p.drawRect(where);
    p.setPen(shadeText_);
    p.drawText(where, Qt::AlignCenter, label_);
  }
}
