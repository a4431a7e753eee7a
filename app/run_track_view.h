#pragma once

#include <QImage>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "lesson/run_window_model.h"

// The whole track at one pixel per world pixel, painted from the track's own
// tile pictures; made once.
const QImage& TrackPicture();

// A thick line along the first points of a path, as a picture of the widget's
// size. Lines are stamped into a coverage mask at twice the resolution and
// turned into pixels only where they changed, so a path of millions of points
// costs tens of milliseconds once, and growing it by a few points costs next
// to nothing.
class PathLayer {
 public:
  // Starts over for a picture of `size` where track point p lands at
  // origin + p * scale, in `colour`, `width` pixels wide.
  void Reset(QSize size, QPointF origin, double scale, QColor colour, double width);
  // The line through the first `count` points of the model's path; shorter
  // than before starts over.
  void DrawTo(const RunWindowModel& model, std::size_t count);
  std::size_t Drawn() const { return drawn_; }
  const QImage& Image();

 private:
  QPoint SubPixel(PathPoint p) const;
  void Stamp(QPoint at);
  void Line(QPoint from, QPoint to);

  QSize size_;
  QPointF subOrigin_;
  double subScale_ = 2;
  QColor colour_;
  // A subpixel of the mask is empty, covered, or covered with a dab centred
  // on it.
  static constexpr std::uint8_t Covered = 1, DabCentre = 2;

  std::vector<QPoint> brush_;            // the subpixels of one round dab
  std::vector<std::ptrdiff_t> offsets_;  // the same, as steps in the mask
  int radius_ = 1;
  std::vector<std::uint8_t> mask_;
  QImage image_;
  void ClearDirty() {
    dirtyLeft_ = dirtyTop_ = std::numeric_limits<int>::max();
    dirtyRight_ = dirtyBottom_ = std::numeric_limits<int>::min();
  }
  // What changed since the picture was last made, in subpixels, ends included.
  int dirtyLeft_ = std::numeric_limits<int>::max(), dirtyTop_ = std::numeric_limits<int>::max();
  int dirtyRight_ = std::numeric_limits<int>::min(), dirtyBottom_ = std::numeric_limits<int>::min();
  std::size_t drawn_ = 0;
  QPoint last_;
};

// The track with the path driven, the start and the end, and at the replay's
// moment the car and its displacement R with the components Rx and Ry, as the
// model's scene has them. The track and the path are pictures made on resize;
// a moment draws only the stretch of path driven since the last one, the
// arrows and the markers.
class RunTrackView final : public QWidget {
 public:
  // The model must outlive the view.
  RunTrackView(const RunWindowModel& model, QWidget* parent);

  // The moment shown; the view is drawn again only when it changed.
  void SetScene(TrackScene scene);
  const TrackScene& Scene() const { return scene_; }

  int heightForWidth(int w) const override { return w; }
  bool hasHeightForWidth() const override { return true; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;

 private:
  QPointF At(PathPoint track) const;
  void Layout();

  const RunWindowModel& model_;
  TrackScene scene_;
  bool sceneSet_ = false;
  QRectF area_;
  double scale_ = 1;
  QImage track_;
  PathLayer whole_;
  PathLayer drivenLayer_;
};
