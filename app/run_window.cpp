#include "app/run_window.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "app/widget_support.h"
#include "gfx/dib.h"
#include "gfx/stream.h"
#include "platform/application.h"
#include "sim/number_format.h"
#include "sim/picture_catalogue.h"
#include "sim/track_map.h"

namespace {

constexpr double TickSeconds = TickMilliseconds / 1000.0;
constexpr int PlayStepMs = 30;

const QColor kPathColour(255, 140, 0);
const QColor kArrowColour(0, 200, 0);
const QColor kDistanceColour(0, 90, 200);
const QColor kDisplacementColour(0, 160, 0);
const QColor kSpeedColour(200, 90, 0);

QString Number(double value, int decimals) {
  return QString::fromStdString(FormatFixed(value, decimals));
}

QLineSeries* Series(QChart* chart, const QString& name, const QColor& colour, qreal width,
                    Qt::PenStyle style = Qt::SolidLine) {
  auto* series = new QLineSeries(chart);
  series->setName(name);
  QPen pen(colour);
  pen.setWidthF(width);
  pen.setStyle(style);
  series->setPen(pen);
  chart->addSeries(series);
  return series;
}

// Hides a series together with its entry in the legend.
void SetShown(QChart* chart, QLineSeries* series, bool shown) {
  series->setVisible(shown);
  for (QLegendMarker* marker : chart->legend()->markers(series)) marker->setVisible(shown);
}

QChart* NewChart(const QString& title) {
  auto* chart = new QChart;
  chart->setTitle(title);
  chart->legend()->setAlignment(Qt::AlignBottom);
  chart->setMargins(QMargins(4, 4, 4, 4));
  return chart;
}

void Attach(QLineSeries* series, QValueAxis* x, QValueAxis* y) {
  series->attachAxis(x);
  series->attachAxis(y);
}

QValueAxis* Axis(QChart* chart, const QString& title, double max, Qt::Alignment where) {
  auto* axis = new QValueAxis(chart);
  axis->setTitleText(title);
  axis->setRange(0, max > 0 ? max * 1.02 : 1);
  // Round ends and steps (0, 25, 50... rather than 0, 15.5, 31...).
  axis->applyNiceNumbers();
  axis->setLabelFormat("%g");
  chart->addAxis(axis, where);
  return axis;
}

}  // namespace

const QImage& TrackPicture() {
  static const QImage picture = [] {
    const PictureCatalogueItem& item = PictureCatalogue()[PictureDroga];
    TBytesStream data(item.Data.data(), item.Data.size());
    TPicture tiles;
    tiles.ReadData(data);
    QImage sheet;
    if (const TDIB* dib = tiles.Graphic()) {
      sheet = QImage(dib->Width(), dib->Height(), QImage::Format_RGB32);
      for (int y = 0; y < dib->Height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(sheet.scanLine(y));
        for (int x = 0; x < dib->Width(); ++x) {
          const TColor c = dib->PixelColor(x, y);
          row[x] = qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
        }
      }
    }
    QImage world(MapColumns * TileSize, MapRows * TileSize, QImage::Format_RGB32);
    world.fill(Qt::black);
    if (sheet.isNull()) return world;
    const int perRow = sheet.width() / TileSize;
    QPainter painter(&world);
    for (int r = 0; r < MapRows; ++r)
      for (int c = 0; c < MapColumns; ++c) {
        const int pattern = TrackMap[r * MapColumns + c];
        painter.drawImage(c * TileSize, r * TileSize, sheet, (pattern % perRow) * TileSize,
                          (pattern / perRow) * TileSize, TileSize, TileSize);
      }
    return world;
  }();
  return picture;
}

QPointF TrackPicturePoint(double x, double y) {
  // The camera keeps the reference point 80 pixels right of and 32 above the
  // middle of the car's picture.
  return {x - 80, y + 32};
}

// The track with the path, the start and end, the displacement arrow and its
// components, and the car at the replay's moment.
class RunTrackView final : public QWidget {
 public:
  explicit RunTrackView(TRunWindow* window) : QWidget(window), window_(window) {
    setMinimumSize(240, 240);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  }

  int heightForWidth(int w) const override { return w; }
  bool hasHeightForWidth() const override { return true; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const QImage& track = TrackPicture();
    const double scale = std::min(width(), height()) / static_cast<double>(track.width());
    const QRectF area((width() - track.width() * scale) / 2,
                      (height() - track.height() * scale) / 2, track.width() * scale,
                      track.height() * scale);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(area, track);
    p.setRenderHint(QPainter::Antialiasing);
    auto at = [&](double x, double y) {
      const QPointF q = TrackPicturePoint(x, y);
      return QPointF(area.left() + q.x() * scale, area.top() + q.y() * scale);
    };

    const std::vector<PathPoint>& path = window_->Path();
    const std::vector<RunSample>& samples = window_->Samples();
    const std::size_t shown = ShownPoints(path, samples);
    // An hour's path has hundreds of thousands of points: only those half a
    // screen pixel apart are drawn.
    QPolygonF whole, driven;
    for (std::size_t i = 0; i < path.size(); ++i) {
      const QPointF q = at(path[i].X, path[i].Y);
      const bool last = i + 1 == path.size() || i + 1 == shown;
      if (!whole.isEmpty() && !last && QLineF(whole.back(), q).length() < 0.5) continue;
      whole << q;
      if (i < shown) driven << q;
    }

    const QPointF start = at(StartX, StartY);
    const PathPoint last = path.empty() ? PathPoint{double(StartX), double(StartY)} : path.back();
    const QPointF end = at(last.X, last.Y);
    DrawArrow(p, start, QPointF(end.x(), start.y()), 1.5, "Rx");
    DrawArrow(p, start, QPointF(start.x(), end.y()), 1.5, "Ry");

    QColor faint = kPathColour;
    faint.setAlpha(110);
    p.setPen(QPen(faint, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(whole);
    p.setPen(QPen(kPathColour, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(driven);

    // The displacement over the path: for a straight run the two coincide.
    DrawArrow(p, start, end, 2.5, "R");

    Marker(p, area, start, QColor(0, 170, 0), "Start");
    Marker(p, area, end, QColor(200, 0, 0), "Koniec");
    if (!samples.empty() && shown > 0) {
      const PathPoint car = path[shown - 1];
      const QPointF c = at(car.X, car.Y);
      p.setPen(QPen(Qt::black, 1.5));
      p.setBrush(QColor(255, 230, 0));
      p.drawEllipse(c, 6, 6);
    }
  }

 private:
  // The points driven up to the replay's moment, between two ticks in
  // proportion to the time between them.
  std::size_t ShownPoints(const std::vector<PathPoint>& path,
                          const std::vector<RunSample>& samples) const {
    const double pos = window_->Position();
    // At the end the whole path, with the stretch after the last tick.
    if (samples.empty() || pos >= static_cast<double>(samples.size() - 1)) return path.size();
    const std::size_t i = static_cast<std::size_t>(pos);
    double count = samples[i].PathPoints;
    if (i + 1 < samples.size())
      count += (pos - static_cast<double>(i)) * (samples[i + 1].PathPoints - count);
    return std::min(path.size(), static_cast<std::size_t>(std::max(1.0, std::round(count))));
  }

  static void DrawArrow(QPainter& p, QPointF from, QPointF to, qreal width, const QString& label) {
    const QLineF line(from, to);
    if (line.length() < 1) return;
    p.setPen(QPen(kArrowColour, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(line);
    const double back = std::atan2(from.y() - to.y(), from.x() - to.x());
    const double head = 10 + 2 * width, spread = 20 * M_PI / 180;
    p.drawLine(to, to + QPointF(head * std::cos(back + spread), head * std::sin(back + spread)));
    p.drawLine(to, to + QPointF(head * std::cos(back - spread), head * std::sin(back - spread)));
    QFont font = p.font();
    font.setBold(true);
    p.setFont(font);
    p.drawText(line.center() + QPointF(6, -6), label);
  }

  static void Marker(QPainter& p, const QRectF& area, QPointF at, const QColor& colour,
                     const QString& label) {
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(colour);
    p.drawEllipse(at, 5, 5);
    QFont font = p.font();
    font.setBold(true);
    p.setFont(font);
    // Beside the point, on whichever side keeps the label on the track.
    const qreal width = QFontMetricsF(font).horizontalAdvance(label);
    QPointF text = at + QPointF(8, 4);
    if (text.x() + width > area.right()) text.setX(at.x() - 8 - width);
    p.setPen(Qt::black);
    p.drawText(text + QPointF(1, 1), label);
    p.setPen(Qt::white);
    p.drawText(text, label);
  }

  const TRunWindow* window_;
};

TRunWindow::TRunWindow(const RunRecording& recording, const RunFigures& figures,
                       bool answersChecked, QWidget* parent)
    : QDialog(parent), samples_(recording.Samples()), rows_(RunRows(samples_)) {
  path_.reserve(recording.PathSize());
  for (std::size_t i = 0; i < recording.PathSize(); ++i) path_.push_back(recording.PathAt(i));

  setWindowTitle(QStringLiteral("Przebieg jazdy"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowMaximizeButtonHint);
  setSizeGripEnabled(true);

  TrackView = new RunTrackView(this);
  BuildCharts(figures);

  PlayButton = new QPushButton(QStringLiteral("&Odtwórz"), this);
  PlaySpeedBox = new QComboBox(this);
  PlaySpeedBox->addItems({QStringLiteral("1x"), QStringLiteral("2x"), QStringLiteral("4x")});
  PlaySpeedBox->setToolTip(QStringLiteral("Tempo odtwarzania"));
  TimeSlider = new QSlider(Qt::Horizontal, this);
  TimeSlider->setRange(0, std::max(0, static_cast<int>(samples_.size()) - 1));
  TimeSlider->setEnabled(!samples_.empty());
  TimeSlider->setToolTip(QStringLiteral("Czas t"));
  PlayButton->setEnabled(samples_.size() > 1);
  Values = new QLabel(this);
  Values->setTextFormat(Qt::RichText);
  Values->setMinimumWidth(Values->fontMetrics().horizontalAdvance(QStringLiteral("M")) * 12);
  ShowResultButton = new QPushButton(QStringLiteral("Pokaż &wynik"), this);
  SaveButton = new QPushButton(QStringLiteral("&Zapisz..."), this);
  CloseButton = new QPushButton(QStringLiteral("Zamknij"), this);
  for (QPushButton* b : {PlayButton, ShowResultButton, SaveButton, CloseButton})
    b->setAutoDefault(false);
  CloseButton->setDefault(true);

  auto* charts = new QVBoxLayout;
  charts->addWidget(distanceView_, 1);
  charts->addWidget(speedView_, 1);
  auto* top = new QHBoxLayout;
  top->addWidget(TrackView, 5);
  top->addLayout(charts, 6);
  auto* side = new QVBoxLayout;
  side->addWidget(Values);
  side->addStretch(1);
  top->addLayout(side);

  auto* replay = new QHBoxLayout;
  replay->addWidget(PlayButton);
  replay->addWidget(PlaySpeedBox);
  replay->addWidget(new QLabel(QStringLiteral("Czas t:"), this));
  replay->addWidget(TimeSlider, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ShowResultButton);
  buttons->addStretch(1);
  buttons->addWidget(SaveButton);
  buttons->addWidget(CloseButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(replay);
  layout->addLayout(buttons);

  playTimer_ = new QTimer(this);
  playTimer_->setInterval(PlayStepMs);
  QObject::connect(playTimer_, &QTimer::timeout, this, [this] { Advance(); });
  QObject::connect(PlayButton, &QPushButton::clicked, this, [this] { SetPlaying(!Playing()); });
  QObject::connect(PlaySpeedBox, &QComboBox::currentIndexChanged, this,
                   [this](int index) { playSpeed_ = 1 << std::clamp(index, 0, 2); });
  QObject::connect(TimeSlider, &QSlider::valueChanged, this, [this](int value) {
    if (static_cast<int>(position_) != value) SetPosition(value);
  });
  QObject::connect(ShowResultButton, &QPushButton::clicked, this, [this] { ShowResult(); });
  QObject::connect(SaveButton, &QPushButton::clicked, this,
                   [this] { Dispatch([this] { Save(); }); });
  QObject::connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);

  if (answersChecked) ShowResult();
  // The pupil who has not asked sees the run first, from its end.
  SetPosition(samples_.empty() ? 0 : static_cast<double>(samples_.size() - 1));

  QSize size(1000, 640);
  if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
    size = size.boundedTo(screen->availableGeometry().size() * 0.95);
  resize(size);
}

TRunWindow::~TRunWindow() = default;

void TRunWindow::BuildCharts(const RunFigures& figures) {
  const double tMax = rows_.empty() ? 1 : rows_.back().T;
  double sMax = 0, vMax = 0;
  for (const RunRow& r : rows_) {
    sMax = std::max({sMax, r.S, r.R});
    vMax = std::max(vMax, r.V);
  }
  const double n = figures.TimeCount;
  const double averageSpeed = n > 0 ? figures.Distance / n : 0;
  const double averageVelocity = n > 0 ? figures.RLength / n : 0;
  vMax = std::max({vMax, averageSpeed, averageVelocity});

  QChart* distance = NewChart(QStringLiteral("Droga s i przemieszczenie |R|"));
  DistanceSeries = Series(distance, QStringLiteral("droga s"), kDistanceColour, 2);
  DisplacementSeries =
      Series(distance, QStringLiteral("przemieszczenie |R|"), kDisplacementColour, 2);
  DistanceCursor = Series(distance, QString(), Qt::darkGray, 1, Qt::DashLine);
  QValueAxis* t1 = Axis(distance, QStringLiteral("czas t [s]"), tMax, Qt::AlignBottom);
  QValueAxis* s1 = Axis(distance, QStringLiteral("[m]"), sMax, Qt::AlignLeft);

  QChart* speed = NewChart(QStringLiteral("Szybkość v"));
  SpeedSeries = Series(speed, QStringLiteral("szybkość v"), kSpeedColour, 2);
  AverageSpeedLine = Series(speed, QStringLiteral("s/t = %1 m/s").arg(Number(averageSpeed, 2)),
                            kDistanceColour, 2, Qt::DashLine);
  AverageVelocityLine =
      Series(speed, QStringLiteral("|R|/t = %1 m/s").arg(Number(averageVelocity, 2)),
             kDisplacementColour, 2, Qt::DashLine);
  SpeedCursor = Series(speed, QString(), Qt::darkGray, 1, Qt::DashLine);
  QValueAxis* t2 = Axis(speed, QStringLiteral("czas t [s]"), tMax, Qt::AlignBottom);
  QValueAxis* v2 = Axis(speed, QStringLiteral("[m/s]"), vMax, Qt::AlignLeft);

  QList<QPointF> s, r, v;
  for (const RunRow& x : rows_) {
    s.append(QPointF(x.T, x.S));
    r.append(QPointF(x.T, x.R));
    v.append(QPointF(x.T, x.V));
  }
  DistanceSeries->replace(s);
  DisplacementSeries->replace(r);
  SpeedSeries->replace(v);
  AverageSpeedLine->replace({QPointF(0, averageSpeed), QPointF(tMax, averageSpeed)});
  AverageVelocityLine->replace({QPointF(0, averageVelocity), QPointF(tMax, averageVelocity)});

  for (QLineSeries* x : {DistanceSeries, DisplacementSeries, DistanceCursor}) Attach(x, t1, s1);
  for (QLineSeries* x : {SpeedSeries, AverageSpeedLine, AverageVelocityLine, SpeedCursor})
    Attach(x, t2, v2);
  distanceTop_ = s1->max();
  speedTop_ = v2->max();
  for (QLineSeries* cursor : {DistanceCursor, SpeedCursor})
    for (QLegendMarker* marker : cursor->chart()->legend()->markers(cursor))
      marker->setVisible(false);
  SetShown(speed, AverageSpeedLine, false);
  SetShown(speed, AverageVelocityLine, false);

  distanceView_ = new QChartView(distance, this);
  speedView_ = new QChartView(speed, this);
  for (QChartView* view : {distanceView_, speedView_}) {
    view->setRenderHint(QPainter::Antialiasing);
    // The keyboard goes to the replay's controls; the charts take no input.
    view->setFocusPolicy(Qt::NoFocus);
    view->setMinimumSize(260, 170);
  }
}

void TRunWindow::ShowResult() {
  resultShown_ = true;
  SetShown(AverageSpeedLine->chart(), AverageSpeedLine, true);
  SetShown(AverageVelocityLine->chart(), AverageVelocityLine, true);
  ShowResultButton->setEnabled(false);
}

void TRunWindow::SetPosition(double ticks) {
  const double last = samples_.empty() ? 0 : static_cast<double>(samples_.size() - 1);
  position_ = std::clamp(ticks, 0.0, last);
  const QSignalBlocker block(TimeSlider);
  TimeSlider->setValue(static_cast<int>(position_));
  ShowMoment();
}

bool TRunWindow::Playing() const {
  return playTimer_->isActive();
}

void TRunWindow::SetPlaying(bool playing) {
  if (playing == Playing()) return;
  if (playing) {
    if (samples_.size() < 2) return;
    // From the end, playing starts the run over.
    if (position_ >= static_cast<double>(samples_.size() - 1)) SetPosition(0);
    playClock_.start();
    playTimer_->start();
    PlayButton->setText(QStringLiteral("&Pauza"));
  } else {
    playTimer_->stop();
    PlayButton->setText(QStringLiteral("&Odtwórz"));
  }
}

void TRunWindow::SetPlaySpeed(int factor) {
  PlaySpeedBox->setCurrentIndex(factor >= 4 ? 2 : factor >= 2 ? 1 : 0);
}

void TRunWindow::Advance() {
  // Paced by the clock, not by the timer's count: a late timeout catches up.
  const double elapsed = static_cast<double>(playClock_.restart()) / 1000;
  SetPosition(position_ + elapsed / TickSeconds * playSpeed_);
  if (position_ >= static_cast<double>(samples_.size() - 1)) SetPlaying(false);
}

void TRunWindow::ShowMoment() {
  TrackView->update();
  if (samples_.empty()) {
    Values->setText(QStringLiteral("Brak pomiarów:<br>czas nie był liczony."));
    return;
  }
  const RunRow& s = rows_[static_cast<std::size_t>(position_)];
  const double t = s.T;
  DistanceCursor->replace({QPointF(t, 0), QPointF(t, distanceTop_)});
  SpeedCursor->replace({QPointF(t, 0), QPointF(t, speedTop_)});
  Values->setText(
      QStringLiteral("<b>t</b> = %1 s<br><br>"
                     "<b>s</b> = %2 m<br>"
                     "<b>|R|</b> = %3 m<br>"
                     "<b>Rx</b> = %4 m<br>"
                     "<b>Ry</b> = %5 m<br><br>"
                     "<b>v</b> = %6 m/s")
          .arg(s.T)
          .arg(Number(s.S, 1), Number(s.R, 1), Number(s.Rx, 1), Number(s.Ry, 1), Number(s.V, 2)));
}

bool TRunWindow::SaveCsv(const QString& path) const {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const std::string csv = RunCsv(rows_);
  if (file.write(csv.data(), static_cast<qint64>(csv.size())) != static_cast<qint64>(csv.size()))
    return false;
  return file.commit();
}

bool TRunWindow::SavePng(const QString& path) {
  const QPixmap picture = grab();
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (!picture.save(&file, "PNG")) return false;
  return file.commit();
}

void TRunWindow::Save() {
  const bool wasPlaying = Playing();
  SetPlaying(false);
  const QString csvFilter = QStringLiteral("Dane CSV (*.csv)");
  const QString pngFilter = QStringLiteral("Obraz PNG (*.png)");
  QString filter = csvFilter;
  QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Zapisz przebieg jazdy"),
                                              QStringLiteral("przebieg.csv"),
                                              csvFilter + ";;" + pngFilter, &filter);
  if (path.isEmpty()) {
    SetPlaying(wasPlaying);
    return;
  }
  QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != "csv" && suffix != "png") {
    suffix = filter == pngFilter ? "png" : "csv";
    path += "." + suffix;
  }
  const bool saved = suffix == "png" ? SavePng(path) : SaveCsv(path);
  if (!saved)
    QMessageBox::warning(this, windowTitle(),
                         QStringLiteral("Nie udało się zapisać pliku %1.").arg(path));
  SetPlaying(wasPlaying);
}

void TRunWindow::keyPressEvent(QKeyEvent* event) {
  // Space plays and pauses wherever the focus is that does not take it itself.
  if (event->key() == Qt::Key_Space) {
    SetPlaying(!Playing());
    return;
  }
  QDialog::keyPressEvent(event);
}
