#include "app/run_track_view.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <utility>

#include "app/run_chart.h"
#include "lesson/catalogue.h"
#include "lesson/run_window_model.h"
#include "platform/line_steps.h"

namespace {

QPointF Point(PathPoint p) {
  return {p.X, p.Y};
}

PathPoint Point(QPointF p) {
  return {p.x(), p.y()};
}

void DrawArrow(QPainter& p, QPointF from, QPointF to, const TrackArrow& arrow) {
  const std::optional<ArrowShape> shape = ArrowShapeOf(Point(from), Point(to), arrow.Width);
  if (!shape) return;
  p.setPen(QPen(ToQColor(RunColours::Arrow), arrow.Width, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, to);
  p.drawLine(to, Point(shape->HeadLeft));
  p.drawLine(to, Point(shape->HeadRight));
  QFont font = p.font();
  font.setBold(true);
  p.setFont(font);
  p.drawText(Point(shape->LabelAt), QString::fromStdString(arrow.Label));
}

void Marker(QPainter& p, const QRectF& area, QPointF at, const TrackMarker& marker) {
  p.setPen(QPen(ToQColor(RunColours::MarkerRing), 1.5));
  p.setBrush(ToQColor(marker.Colour));
  p.drawEllipse(at, MarkerRadius, MarkerRadius);
  QFont font = p.font();
  font.setBold(true);
  p.setFont(font);
  const QString label = QString::fromStdString(marker.Label);
  const QPointF text(
      MarkerLabelLeft(Point(at), QFontMetricsF(font).horizontalAdvance(label), area.right()),
      at.y() + 4);
  p.setPen(ToQColor(RunColours::LabelShadow));
  p.drawText(text + QPointF(1, 1), label);
  p.setPen(ToQColor(RunColours::LabelText));
  p.drawText(text, label);
}

bool operator==(PathPoint a, PathPoint b) {
  return a.X == b.X && a.Y == b.Y;
}

}  // namespace

const QImage& TrackPicture() {
  // One per language: the track's words (START, META) are painted in it.
  static std::map<lesson::Language, QImage> pictures;
  QImage& picture = pictures[lesson::CurrentLanguage()];
  if (picture.isNull()) {
    const PathPoint size = RunWindowModel::TrackSize();
    const std::vector<std::uint32_t>& rgb = RunWindowModel::TrackPicture();
    picture = QImage(static_cast<int>(size.X), static_cast<int>(size.Y), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
      auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
      for (int x = 0; x < picture.width(); ++x)
        row[x] = 0xFF000000u | rgb[static_cast<std::size_t>(y) * picture.width() + x];
    }
  }
  return picture;
}

void PathLayer::Reset(QSize size, QPointF origin, double scale, QColor colour, double width) {
  size_ = size;
  // Subpixels are half pixels.
  subScale_ = 2 * scale;
  subOrigin_ = 2 * origin;
  colour_ = colour;
  brush_.clear();
  // The dab is as wide as the line, in subpixels of half a pixel.
  const int r = std::max(1, static_cast<int>(std::lround(width)));
  radius_ = r;
  offsets_.clear();
  for (int dy = -r; dy <= r; ++dy)
    for (int dx = -r; dx <= r; ++dx)
      if (dx * dx + dy * dy <= r * r) {
        brush_.push_back({dx, dy});
        offsets_.push_back(static_cast<std::ptrdiff_t>(dy) * size.width() * 2 + dx);
      }
  mask_.assign(static_cast<std::size_t>(size.width()) * size.height() * 4, 0);
  image_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
  image_.fill(Qt::transparent);
  ClearDirty();
  drawn_ = 0;
}

QPoint PathLayer::SubPixel(PathPoint p) const {
  return {static_cast<int>(std::floor(subOrigin_.x() + p.X * subScale_ + 0.5)),
          static_cast<int>(std::floor(subOrigin_.y() + p.Y * subScale_ + 0.5))};
}

void PathLayer::Stamp(QPoint at) {
  const int w = size_.width() * 2, h = size_.height() * 2;
  if (at.x() < 0 || at.y() < 0 || at.x() >= w || at.y() >= h) return;
  std::uint8_t* centre = &mask_[static_cast<std::size_t>(at.y()) * w + at.x()];
  // Laps cross the same places over and over: a dab already made here has
  // nothing to add.
  if (*centre == DabCentre) return;
  if (at.x() >= radius_ && at.y() >= radius_ && at.x() < w - radius_ && at.y() < h - radius_) {
    for (const std::ptrdiff_t offset : offsets_)
      if (!centre[offset]) centre[offset] = Covered;
  } else {
    for (const QPoint& d : brush_) {
      const int x = at.x() + d.x(), y = at.y() + d.y();
      std::uint8_t& m = mask_[static_cast<std::size_t>(y) * w + x];
      if (x >= 0 && y >= 0 && x < w && y < h && !m) m = Covered;
    }
  }
  *centre = DabCentre;
}

void PathLayer::Line(QPoint from, QPoint to) {
  ForEachLinePixel(from.x(), from.y(), to.x(), to.y(), true, [this](int x, int y) {
    Stamp({x, y});
  });
  dirtyLeft_ = std::min({dirtyLeft_, from.x() - radius_, to.x() - radius_});
  dirtyTop_ = std::min({dirtyTop_, from.y() - radius_, to.y() - radius_});
  dirtyRight_ = std::max({dirtyRight_, from.x() + radius_, to.x() + radius_});
  dirtyBottom_ = std::max({dirtyBottom_, from.y() + radius_, to.y() + radius_});
}

void PathLayer::DrawTo(const RunWindowModel& model, std::size_t count) {
  count = std::min(count, model.PathSize());
  if (count < drawn_) {
    std::fill(mask_.begin(), mask_.end(), 0);
    image_.fill(Qt::transparent);
    ClearDirty();
    drawn_ = 0;
  }
  for (std::size_t i = drawn_; i < count; ++i) {
    const QPoint at = SubPixel(model.PathAt(i));
    // Neighbouring points mostly fall on the same subpixel.
    if (i > 0 && at == last_) continue;
    Line(i == 0 ? at : last_, at);
    last_ = at;
  }
  drawn_ = count;
}

const QImage& PathLayer::Image() {
  if (dirtyLeft_ > dirtyRight_) return image_;
  const int w = size_.width() * 2;
  const QRect pixels = QRect(QPoint(std::max(0, dirtyLeft_) / 2, std::max(0, dirtyTop_) / 2),
                             QPoint(dirtyRight_ / 2, dirtyBottom_ / 2))
                           .intersected(image_.rect());
  const int a = colour_.alpha();
  // Premultiplied colour for every coverage of the four subpixels.
  QRgb shade[5];
  for (int c = 0; c <= 4; ++c) {
    const int alpha = a * c / 4;
    shade[c] = qRgba(colour_.red() * alpha / 255, colour_.green() * alpha / 255,
                     colour_.blue() * alpha / 255, alpha);
  }
  for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
    const std::uint8_t* m0 = &mask_[static_cast<std::size_t>(2 * y) * w];
    const std::uint8_t* m1 = m0 + w;
    for (int x = pixels.left(); x <= pixels.right(); ++x)
      row[x] =
          shade[(m0[2 * x] != 0) + (m0[2 * x + 1] != 0) + (m1[2 * x] != 0) + (m1[2 * x + 1] != 0)];
  }
  ClearDirty();
  return image_;
}

RunTrackView::RunTrackView(const RunWindowModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
  setMinimumSize(240, 240);
  setAttribute(Qt::WA_OpaquePaintEvent);  // the track picture covers every pixel
  QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

QPointF RunTrackView::At(PathPoint track) const {
  return {area_.left() + track.X * scale_, area_.top() + track.Y * scale_};
}

void RunTrackView::SetScene(TrackScene scene) {
  // Between two path points the replay stands still on the picture.
  if (sceneSet_ && scene.DrivenPoints == scene_.DrivenPoints &&
      scene.Car.has_value() == scene_.Car.has_value() && (!scene.Car || *scene.Car == *scene_.Car))
    return;
  scene_ = std::move(scene);
  sceneSet_ = true;
  update();
}

void RunTrackView::resizeEvent(QResizeEvent*) {
  Layout();
}

void RunTrackView::Layout() {
  const QImage& track = TrackPicture();
  scale_ = std::min(width(), height()) / static_cast<double>(track.width());
  // Centred across, at the top: the values follow below.
  area_ = QRectF((width() - track.width() * scale_) / 2, 0, track.width() * scale_,
                 track.height() * scale_);
  track_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
  track_.fill(palette().window().color());
  {
    QPainter p(&track_);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(area_, track);
  }
  whole_.Reset(size(), area_.topLeft(), scale_, ToQColor(RunColours::PathToCome), TrackPathWidth);
  drivenLayer_.Reset(size(), area_.topLeft(), scale_, ToQColor(RunColours::Path), TrackPathWidth);
}

void RunTrackView::paintEvent(QPaintEvent*) {
  if (track_.size() != size()) Layout();
  QPainter p(this);
  p.drawImage(0, 0, track_);
  p.setRenderHint(QPainter::Antialiasing);
  for (const TrackArrow& arrow : scene_.Arrows)
    if (!arrow.OverPath) DrawArrow(p, At(arrow.From), At(arrow.To), arrow);

  // The path yet to come, faint; the path driven up to the moment, solid.
  if (scene_.DrivenPoints < scene_.PathPoints) {
    whole_.DrawTo(model_, scene_.PathPoints);
    p.drawImage(0, 0, whole_.Image());
  }
  drivenLayer_.DrawTo(model_, scene_.DrivenPoints);
  p.drawImage(0, 0, drivenLayer_.Image());

  for (const TrackArrow& arrow : scene_.Arrows)
    if (arrow.OverPath) DrawArrow(p, At(arrow.From), At(arrow.To), arrow);
  Marker(p, area_, At(scene_.Start.At), scene_.Start);
  if (scene_.End) Marker(p, area_, At(scene_.End->At), *scene_.End);
  if (scene_.Car) {
    p.setPen(QPen(ToQColor(RunColours::CarRing), 1.5));
    p.setBrush(ToQColor(RunColours::Car));
    p.drawEllipse(At(*scene_.Car), CarRadius, CarRadius);
  }
}
