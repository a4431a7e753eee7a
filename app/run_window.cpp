#include "app/run_window.h"

#include <QChart>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStringList>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

#include "app/catalogue_translator.h"
#include "app/run_chart.h"
#include "app/run_export.h"
#include "app/run_track_view.h"
#include "app/widget_support.h"
#include "platform/application.h"

namespace {

// How often the replay looks at the clock: its pace is the clock's.
constexpr int PlayStepMs = 30;

QString PlayText() {
  return Qs(lesson::Tr("&Odtwórz"));
}
// The same mnemonic, so Alt+O pauses what it started.
QString PauseText() {
  return Qs(lesson::Tr("Wstrzymaj &odtwarzanie"));
}

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

QLineSeries* Series(QChart* chart, const ChartLine& line) {
  auto* series = new QLineSeries(chart);
  series->setName(Text(line.Label));
  QPen pen(ToQColor(line.Colour));
  pen.setWidthF(2);
  pen.setStyle(line.Style == LineStyle::Dashed ? Qt::DashLine : Qt::SolidLine);
  series->setPen(pen);
  QList<QPointF> points;
  points.reserve(static_cast<qsizetype>(line.Points.size()));
  for (const ChartPoint& p : line.Points) points.append(QPointF(p.X, p.Y));
  series->replace(points);
  chart->addSeries(series);
  return series;
}

QChart* NewChart(const QString& title) {
  auto* chart = new QChart;
  chart->setTitle(title);
  chart->legend()->setAlignment(Qt::AlignBottom);
  chart->setMargins(QMargins(4, 4, 4, 4));
  return chart;
}

QValueAxis* Axis(QChart* chart, const ChartAxis& model, Qt::Alignment where) {
  auto* axis = new QValueAxis(chart);
  axis->setTitleText(Text(model.Title));
  axis->setRange(model.Min, model.Max);
  // The model's ticks: multiples of its step, wherever the axis ends.
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(0);
  axis->setTickInterval(model.Step);
  axis->setMinorTickCount(0);
  axis->setLabelFormat("%g");
  axis->setTruncateLabels(false);
  chart->addAxis(axis, where);
  return axis;
}

QString ValuesText(const MomentValues& values) {
  if (!values.Message.empty()) {
    QStringList lines;
    for (const std::string& line : values.Message) lines << Text(line).toHtmlEscaped();
    return lines.join("<br>");
  }
  QString html = QStringLiteral("<table cellspacing=2>");
  for (const std::array<ValueCell, 2>& row : values.Grid) {
    html += "<tr>";
    for (const ValueCell& cell : row) {
      html += "<td>";
      if (!cell.Name.empty())
        html += QStringLiteral("<b>%1</b> = %2 %3&nbsp;&nbsp;")
                    .arg(Text(cell.Name).toHtmlEscaped(), Text(cell.Number), Text(cell.Unit));
      html += "</td>";
    }
    html += "</tr>";
  }
  return html + "</table>";
}

}  // namespace

TRunWindow::TRunWindow(const RunRecording& recording, const RunFigures& figures,
                       bool answersChecked, QWidget* parent)
    : QDialog(parent), model_(recording, figures, answersChecked) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowMaximizeButtonHint);
  setSizeGripEnabled(true);

  TrackView = new RunTrackView(model_, this);
  BuildCharts();

  PlayButton = new QPushButton(this);
  PlaySpeedBox = new QComboBox(this);
  for (int factor : PlaySpeeds) PlaySpeedBox->addItem(Text(PlaySpeedText(factor)));
  TimeSlider = new QSlider(Qt::Horizontal, this);
  TimeSlider->setRange(0, static_cast<int>(model_.LastPosition()));
  TimeSlider->setEnabled(!model_.Rows().empty());
  PlayButton->setEnabled(model_.CanReplay());
  Values = new QLabel(this);
  Values->setTextFormat(Qt::RichText);
  TimeLabel = new QLabel(this);
  ShowResultButton = new QPushButton(this);
  SaveButton = new QPushButton(this);
  CloseButton = new QPushButton(this);
  playTimer_ = new QTimer(this);
  Retranslate();
  for (QPushButton* b : {PlayButton, ShowResultButton, SaveButton, CloseButton})
    b->setAutoDefault(false);
  CloseButton->setDefault(true);

  auto* charts = new QVBoxLayout;
  for (RunChart* chart : Charts) charts->addWidget(chart, 1);
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
  replay->addWidget(TimeLabel);
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

  playTimer_->setInterval(PlayStepMs);
  QObject::connect(playTimer_, &QTimer::timeout, this, [this] { Advance(); });
  QObject::connect(PlayButton, &QPushButton::clicked, this, [this] { SetPlaying(!Playing()); });
  QObject::connect(PlaySpeedBox, &QComboBox::currentIndexChanged, this, [this](int index) {
    playSpeed_ = PlaySpeeds[static_cast<std::size_t>(
        std::clamp(index, 0, static_cast<int>(PlaySpeeds.size()) - 1))];
  });
  QObject::connect(TimeSlider, &QSlider::valueChanged, this, [this](int value) {
    if (static_cast<int>(position_) != value) SetPosition(value);
  });
  QObject::connect(ShowResultButton, &QPushButton::clicked, this, [this] { ShowResult(); });
  QObject::connect(SaveButton, &QPushButton::clicked, this,
                   [this] { Dispatch([this] { Save(); }); });
  QObject::connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);

  ShowResultButton->setEnabled(!model_.AveragesShown());
  // The pupil who has not asked sees the run first, from its end.
  SetPosition(model_.LastPosition());

  QSize size(1040, 760);
  if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
    size = size.boundedTo(screen->availableGeometry().size() * 0.95);
  resize(size);
}

TRunWindow::~TRunWindow() = default;

// The window's own words; what the charts and the figures say is the model's,
// in the language it was made in.
void TRunWindow::Retranslate() {
  setWindowTitle(Qs(lesson::Tr("Przebieg jazdy")));
  PlayButton->setText(Playing() ? PauseText() : PlayText());
  // Wide enough for either text, so the row does not jump when it changes.
  PlayButton->setMinimumWidth(
      PlayButton->sizeHint().width() -
      PlayButton->fontMetrics().horizontalAdvance(PlayButton->text().remove('&')) +
      std::max(PlayButton->fontMetrics().horizontalAdvance(PlayText().remove('&')),
               PlayButton->fontMetrics().horizontalAdvance(PauseText().remove('&'))));
  PlaySpeedBox->setToolTip(Qs(lesson::Tr("Tempo odtwarzania")));
  PlaySpeedBox->setAccessibleName(PlaySpeedBox->toolTip());
  TimeSlider->setToolTip(Qs(lesson::Tr("Czas t")));
  TimeSlider->setAccessibleName(TimeSlider->toolTip());
  TimeLabel->setText(Qs(lesson::Tr("Czas t:")));
  TrackView->setAccessibleName(Qs(lesson::Tr("Tor z przejechaną drogą i przemieszczeniem")));
  ShowResultButton->setText(Qs(lesson::Tr("Pokaż &wynik")));
  SaveButton->setText(Qs(lesson::Tr("&Zapisz...")));
  CloseButton->setText(Qs(lesson::Tr("Zamknij")));
}

void TRunWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) Retranslate();
  QDialog::changeEvent(event);
}

void TRunWindow::BuildCharts() {
  for (std::size_t c = 0; c < RunChartCount; ++c) {
    const RunChartModel& model = model_.Chart(c);
    QChart* chart = NewChart(Text(model.Title));
    for (const ChartLine& line : model.Lines) Lines[c].push_back(Series(chart, line));
    QValueAxis* x = Axis(chart, model.X, Qt::AlignBottom);
    QValueAxis* y = Axis(chart, model.Y, Qt::AlignLeft);
    for (QLineSeries* series : Lines[c]) {
      series->attachAxis(x);
      series->attachAxis(y);
    }
    Charts[c] = new RunChart(chart, this);
    Charts[c]->setAccessibleName(Text(model.Title));
    Charts[c]->setMinimumSize(260, 150);
    if (model.ShadedLine) {
      // The area under the speed is the distance: shaded up to the moment shown.
      const QLineSeries* shaded = Lines[c][*model.ShadedLine];
      Charts[c]->SetShade(shaded->points(), ToQColor(RunColours::SpeedShade),
                          ToQColor(RunColours::SpeedShadeText));
    }
  }
  ShowLines();
}

// Each line shown or hidden, and its key in the legend as the model says.
void TRunWindow::ShowLines() {
  for (std::size_t c = 0; c < RunChartCount; ++c) {
    std::vector<bool> keyed(Lines[c].size(), false);
    for (const LegendEntry& entry : model_.Legend(c)) keyed[entry.Line] = true;
    QLegend* legend = Charts[c]->Chart()->legend();
    for (std::size_t i = 0; i < Lines[c].size(); ++i) {
      Lines[c][i]->setVisible(model_.LineShown(c, i));
      for (QLegendMarker* marker : legend->markers(Lines[c][i])) marker->setVisible(keyed[i]);
    }
    Charts[c]->Invalidate();
  }
}

void TRunWindow::ShowResult() {
  model_.ShowAverages();
  ShowLines();
  ShowResultButton->setEnabled(false);
}

void TRunWindow::SetPosition(double rows) {
  position_ = std::clamp(rows, 0.0, model_.LastPosition());
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
    if (!model_.CanReplay()) return;
    SetPosition(model_.ReplayStart(position_));
    playClock_.start();
    playTimer_->start();
    PlayButton->setText(PauseText());
  } else {
    playTimer_->stop();
    PlayButton->setText(PlayText());
  }
}

void TRunWindow::SetPlaySpeed(int factor) {
  int index = 0;
  for (std::size_t i = 0; i < PlaySpeeds.size(); ++i)
    if (factor >= PlaySpeeds[i]) index = static_cast<int>(i);
  PlaySpeedBox->setCurrentIndex(index);
}

void TRunWindow::Advance() {
  // Paced by the clock, not by the timer's count: a late timeout catches up.
  const ReplayStep step =
      model_.ReplayAdvance(position_, static_cast<double>(playClock_.restart()), playSpeed_);
  SetPosition(step.Position);
  if (step.Stopped) SetPlaying(false);
}

void TRunWindow::ShowMoment() {
  TrackView->SetScene(model_.SceneAt(position_));
  const std::size_t i = static_cast<std::size_t>(position_);
  if (i == shownRow_) return;
  shownRow_ = i;
  const MomentValues values = model_.ValuesAt(i);
  Values->setText(ValuesText(values));
  if (!values.Message.empty()) return;
  for (RunChart* chart : Charts) chart->SetCursor(values.Time);
  Charts[SpeedChart]->SetShadeLabel(Text(values.AreaLabel));
}

bool TRunWindow::SaveCsv(const QString& path) const {
  const std::string csv = model_.Csv();
  return WriteFileSafely(path, QByteArray(csv.data(), static_cast<qsizetype>(csv.size())))
      .isEmpty();
}

void TRunWindow::Save() {
  const bool wasPlaying = Playing();
  SetPlaying(false);
  SaveRunFiles(
      this, [this] { return model_.Csv(); }, [this] { return grab().toImage(); });
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
