#include "app/run_window.h"

#include <QChart>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "app/run_chart.h"
#include "app/run_export.h"
#include "app/run_track_view.h"
#include "app/widget_support.h"
#include "lesson/run_view.h"
#include "platform/application.h"
#include "sim/number_format.h"

namespace {

constexpr double TickSeconds = TickMilliseconds / 1000.0;
constexpr int PlayStepMs = 30;

const QColor kDistanceColour(0, 90, 200);
const QColor kDisplacementColour(0, 160, 0);
const QColor kSpeedColour(200, 90, 0);
const QColor kVxColour(0, 120, 170);
const QColor kVyColour(150, 40, 160);

const QString kPlay = QStringLiteral("&Odtwórz");
// The same mnemonic, so Alt+O pauses what it started.
const QString kPause = QStringLiteral("Wstrzymaj &odtwarzanie");

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
void SetShown(QLineSeries* series, bool shown) {
  series->setVisible(shown);
  for (QLegendMarker* marker : series->chart()->legend()->markers(series))
    marker->setVisible(shown);
}

QChart* NewChart(const QString& title) {
  auto* chart = new QChart;
  chart->setTitle(title);
  chart->legend()->setAlignment(Qt::AlignBottom);
  chart->setMargins(QMargins(4, 4, 4, 4));
  return chart;
}

// Values get a little room above and below; time ends where the run does.
QValueAxis* Axis(QChart* chart, const QString& title, double low, double high,
                 Qt::Alignment where) {
  auto* axis = new QValueAxis(chart);
  axis->setTitleText(title);
  if (!(high > low)) high = low + 1;
  const double room = where == Qt::AlignBottom ? 1 : 1.02;
  axis->setRange(low < 0 ? low * room : low, high > 0 ? high * room : high);
  // Round ends and steps (0, 25, 50... rather than 0, 15.5, 31...).
  axis->applyNiceNumbers();
  axis->setLabelFormat("%g");
  chart->addAxis(axis, where);
  return axis;
}

void Attach(const std::vector<QLineSeries*>& series, QValueAxis* x, QValueAxis* y) {
  for (QLineSeries* s : series) {
    s->attachAxis(x);
    s->attachAxis(y);
  }
}

// A series of the lesson's, thinned as every front end thins it, for a chart.
QList<QPointF> ChartSeries(const std::vector<ChartPoint>& points) {
  const std::vector<ChartPoint> kept = Decimated(points, ChartBuckets);
  QList<QPointF> out;
  out.reserve(static_cast<qsizetype>(kept.size()));
  for (const ChartPoint& p : kept) out.append(QPointF(p.X, p.Y));
  return out;
}

}  // namespace

TRunWindow::TRunWindow(const RunRecording& recording, const RunFigures& figures,
                       bool answersChecked, QWidget* parent)
    : QDialog(parent),
      recording_(recording),
      rows_(RunRows(recording.Samples())),
      averages_(AveragesOf(figures)) {
  setWindowTitle(QStringLiteral("Przebieg jazdy"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowMaximizeButtonHint);
  setSizeGripEnabled(true);

  TrackView = new RunTrackView(recording_, this);
  BuildCharts();

  PlayButton = new QPushButton(kPlay, this);
  PlayButton->setMinimumWidth(
      PlayButton->sizeHint().width() - PlayButton->fontMetrics().horizontalAdvance(kPlay) +
      PlayButton->fontMetrics().horizontalAdvance(QString(kPause).remove('&')));
  PlaySpeedBox = new QComboBox(this);
  PlaySpeedBox->addItems({QStringLiteral("1x"), QStringLiteral("2x"), QStringLiteral("4x")});
  PlaySpeedBox->setToolTip(QStringLiteral("Tempo odtwarzania"));
  TimeSlider = new QSlider(Qt::Horizontal, this);
  TimeSlider->setRange(0, std::max(0, static_cast<int>(rows_.size()) - 1));
  TimeSlider->setEnabled(!rows_.empty());
  TimeSlider->setToolTip(QStringLiteral("Czas t"));
  PlayButton->setEnabled(rows_.size() > 1);
  Values = new QLabel(this);
  Values->setTextFormat(Qt::RichText);
  ShowResultButton = new QPushButton(QStringLiteral("Pokaż &wynik"), this);
  SaveButton = new QPushButton(QStringLiteral("&Zapisz..."), this);
  CloseButton = new QPushButton(QStringLiteral("Zamknij"), this);
  for (QPushButton* b : {PlayButton, ShowResultButton, SaveButton, CloseButton})
    b->setAutoDefault(false);
  CloseButton->setDefault(true);

  auto* charts = new QVBoxLayout;
  for (RunChart* chart : {DistanceChart, SpeedChart, VelocityChart}) charts->addWidget(chart, 1);
  auto* left = new QVBoxLayout;
  left->addWidget(TrackView);
  left->addWidget(Values);
  left->addStretch(1);
  auto* top = new QHBoxLayout;
  top->addLayout(left, 5);
  top->addLayout(charts, 6);

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
  SetPosition(rows_.empty() ? 0 : static_cast<double>(rows_.size() - 1));

  QSize size(1040, 760);
  if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
    size = size.boundedTo(screen->availableGeometry().size() * 0.95);
  resize(size);
}

TRunWindow::~TRunWindow() = default;

void TRunWindow::BuildCharts() {
  const double tMax = rows_.empty() ? 1 : std::max<double>(1, rows_.back().T);
  double sMax = 0, vMax = averages_.Speed;
  double low = std::min({0.0, averages_.Vx, averages_.Vy});
  double high = std::max({0.0, averages_.Vx, averages_.Vy, averages_.Velocity});
  for (const RunRow& r : rows_) {
    sMax = std::max({sMax, r.S, r.R});
    vMax = std::max(vMax, r.V);
    low = std::min({low, r.Vx, r.Vy});
    high = std::max({high, r.Vx, r.Vy});
  }
  const QString t = QStringLiteral("czas t [s]");

  QChart* distance = NewChart(QStringLiteral("Droga s i przemieszczenie |R|"));
  DistanceSeries = Series(distance, QStringLiteral("droga s"), kDistanceColour, 2);
  DisplacementSeries =
      Series(distance, QStringLiteral("przemieszczenie |R|"), kDisplacementColour, 2);
  DistanceSeries->replace(ChartSeries(RunLine(rows_, &RunRow::S)));
  DisplacementSeries->replace(ChartSeries(RunLine(rows_, &RunRow::R)));
  Attach({DistanceSeries, DisplacementSeries}, Axis(distance, t, 0, tMax, Qt::AlignBottom),
         Axis(distance, QStringLiteral("[m]"), 0, sMax, Qt::AlignLeft));

  QChart* speed = NewChart(QStringLiteral("Szybkość v (droga w sekundzie)"));
  SpeedSeries = Series(speed, QStringLiteral("szybkość v"), kSpeedColour, 2);
  const QList<QPointF> v = ChartSeries(RunSteps(rows_, &RunRow::V));
  SpeedSeries->replace(v);
  AverageSpeedLine = Series(speed, QStringLiteral("s/t = %1 m/s").arg(Number(averages_.Speed, 2)),
                            kDistanceColour, 2, Qt::DashLine);
  AverageSpeedLine->replace({QPointF(0, averages_.Speed), QPointF(tMax, averages_.Speed)});
  Attach({SpeedSeries, AverageSpeedLine}, Axis(speed, t, 0, tMax, Qt::AlignBottom),
         Axis(speed, QStringLiteral("[m/s]"), 0, vMax, Qt::AlignLeft));

  QChart* velocity = NewChart(QStringLiteral("Prędkość (przemieszczenie w sekundzie)"));
  VxSeries = Series(velocity, QStringLiteral("vx"), kVxColour, 2);
  VySeries = Series(velocity, QStringLiteral("vy"), kVyColour, 2);
  VxSeries->replace(ChartSeries(RunSteps(rows_, &RunRow::Vx)));
  VySeries->replace(ChartSeries(RunSteps(rows_, &RunRow::Vy)));
  AverageVxLine = Series(velocity, QStringLiteral("Rx/t = %1 m/s").arg(Number(averages_.Vx, 2)),
                         kVxColour, 2, Qt::DashLine);
  AverageVyLine = Series(velocity, QStringLiteral("Ry/t = %1 m/s").arg(Number(averages_.Vy, 2)),
                         kVyColour, 2, Qt::DashLine);
  AverageVxLine->replace({QPointF(0, averages_.Vx), QPointF(tMax, averages_.Vx)});
  AverageVyLine->replace({QPointF(0, averages_.Vy), QPointF(tMax, averages_.Vy)});
  AverageVelocityEntry =
      Series(velocity, QStringLiteral("|R|/t = %1 m/s").arg(Number(averages_.Velocity, 2)),
             kDisplacementColour, 2, Qt::DashLine);
  Attach({VxSeries, VySeries, AverageVxLine, AverageVyLine, AverageVelocityEntry},
         Axis(velocity, t, 0, tMax, Qt::AlignBottom),
         Axis(velocity, QStringLiteral("[m/s]"), low, high, Qt::AlignLeft));

  for (QLineSeries* average :
       {AverageSpeedLine, AverageVxLine, AverageVyLine, AverageVelocityEntry})
    SetShown(average, false);

  DistanceChart = new RunChart(distance, this);
  SpeedChart = new RunChart(speed, this);
  VelocityChart = new RunChart(velocity, this);
  // The area under the speed is the distance: shaded up to the moment shown.
  SpeedChart->SetShade(v, kSpeedColour);
  for (RunChart* chart : {DistanceChart, SpeedChart, VelocityChart})
    chart->setMinimumSize(260, 150);
}

void TRunWindow::ShowResult() {
  resultShown_ = true;
  for (QLineSeries* average :
       {AverageSpeedLine, AverageVxLine, AverageVyLine, AverageVelocityEntry})
    SetShown(average, true);
  SpeedChart->Invalidate();
  VelocityChart->Invalidate();
  ShowResultButton->setEnabled(false);
}

void TRunWindow::SetPosition(double rows) {
  const double last = rows_.empty() ? 0 : static_cast<double>(rows_.size() - 1);
  position_ = std::clamp(rows, 0.0, last);
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
    if (rows_.size() < 2) return;
    // From the end, playing starts the run over.
    if (position_ >= static_cast<double>(rows_.size() - 1)) SetPosition(0);
    playClock_.start();
    playTimer_->start();
    PlayButton->setText(kPause);
  } else {
    playTimer_->stop();
    PlayButton->setText(kPlay);
  }
}

void TRunWindow::SetPlaySpeed(int factor) {
  PlaySpeedBox->setCurrentIndex(factor >= 4 ? 2 : factor >= 2 ? 1 : 0);
}

void TRunWindow::Advance() {
  // Paced by the clock, not by the timer's count: a late timeout catches up.
  const double elapsed = static_cast<double>(playClock_.restart()) / 1000;
  SetPosition(position_ + elapsed / TickSeconds * playSpeed_);
  if (position_ >= static_cast<double>(rows_.size() - 1)) SetPlaying(false);
}

void TRunWindow::ShowMoment() {
  if (rows_.empty()) {
    Values->setText(QStringLiteral("Brak pomiarów:<br>czas nie był liczony."));
    return;
  }
  const std::size_t i = static_cast<std::size_t>(position_);
  const ReplayMoment moment = MomentOf(recording_, position_);
  TrackView->SetMoment(moment.DrivenPoints, moment.Car);
  if (i == shownRow_) return;
  shownRow_ = i;
  const RunRow& r = rows_[i];
  for (RunChart* chart : {DistanceChart, SpeedChart, VelocityChart}) chart->SetCursor(r.T);
  SpeedChart->SetShadeLabel(QStringLiteral("s = %1 m").arg(Number(r.S, 1)));
  Values->setText(QStringLiteral("<table cellspacing=2><tr>"
                                 "<td><b>t</b> = %1 s</td><td></td></tr><tr>"
                                 "<td><b>s</b> = %2 m</td><td><b>v</b> = %6 m/s</td></tr><tr>"
                                 "<td><b>|R|</b> = %3 m&nbsp;&nbsp;</td><td></td></tr><tr>"
                                 "<td><b>Rx</b> = %4 m</td><td><b>vx</b> = %7 m/s</td></tr><tr>"
                                 "<td><b>Ry</b> = %5 m</td><td><b>vy</b> = %8 m/s</td></tr>"
                                 "</table>")
                      .arg(r.T)
                      .arg(Number(r.S, 1), Number(r.R, 1), Number(r.Rx, 1), Number(r.Ry, 1),
                           Number(r.V, 2), Number(r.Vx, 2), Number(r.Vy, 2)));
}

bool TRunWindow::SaveCsv(const QString& path) const {
  const std::string csv = RunCsv(rows_);
  return WriteFileSafely(path, QByteArray(csv.data(), static_cast<qsizetype>(csv.size())))
      .isEmpty();
}

void TRunWindow::Save() {
  const bool wasPlaying = Playing();
  SetPlaying(false);
  SaveRunFiles(
      this, [this] { return RunCsv(rows_); }, [this] { return grab().toImage(); });
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
