#include "app/run_window.h"

#include <gtest/gtest.h>

#include <QChart>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>
#include <clocale>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "app/run_chart.h"
#include "app/run_track_view.h"
#include "app/task_dialog.h"
#include "sim/car_model.h"
#include "sim/number_format.h"
#include "sim/race_car.h"
#include "tests/common/polish_number.h"
#include "tests/common/scripted_drive.h"
#include "tests/common/test_app.h"

namespace {

// Up the left straight and into the bend; Space between two ticks.
ScriptedDrive BendDrive() {
  ScriptedDrive d;
  d.Frames(110, TDXInputStates{isUp});
  d.Frames(24, TDXInputStates{isUp, isRight});
  d.Frames(126, TDXInputStates{isUp});
  d.Stop();
  return d;
}

class RunWindowTest : public ::testing::Test {
 protected:
  RunFigures Figures() const { return FiguresOf(car); }

  TApplication& app = TestApp();  // before any widget
  ScriptedDrive drive = BendDrive();
  const CarModel& car = drive.Car;
  const RunRecording& recording = drive.Recording;
};

std::vector<std::vector<std::string>> ReadCsv(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  std::istringstream in(file.readAll().toStdString());
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> cells;
    std::istringstream row(line);
    for (std::string cell; std::getline(row, cell, ',');) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

// Area under a line of the chart, x growing.
double Area(const QLineSeries* series) {
  double area = 0;
  for (int k = 1; k < series->count(); ++k)
    area += (series->at(k).x() - series->at(k - 1).x()) *
            (series->at(k).y() + series->at(k - 1).y()) / 2;
  return area;
}

void ExpectSameRelative(double value, double expected, const char* what) {
  EXPECT_LE(std::fabs(value - expected), 1e-9 * std::fabs(expected))
      << what << ": " << value << " against " << expected;
}

}  // namespace

// What a teacher reads off the charts is what the task judged: the lines end
// at the task's figures, the area under the speed is the distance and under
// the velocity the displacement, the dashed averages are the answers, and
// time ends where the run did.
TEST_F(RunWindowTest, ChartsEndAtTheTasksFiguresAndTheAreasAreTheDistances) {
  TRunWindow window(recording, Figures(), true);
  const RunFigures task = Figures();
  ASSERT_GT(task.TimeCount, 10);
  ASSERT_GT(task.Distance, task.RLength + 5) << "the bend is in the run";
  const auto& distance = window.Lines[DistanceChart];
  const auto& speed = window.Lines[SpeedChart];
  const auto& velocity = window.Lines[VelocityChart];
  ASSERT_EQ(distance.size(), 2u);
  ASSERT_EQ(speed.size(), 3u);
  ASSERT_EQ(velocity.size(), 4u);

  const QPointF end = distance[0]->at(distance[0]->count() - 1);
  EXPECT_EQ(end, QPointF(task.TimeCount, task.Distance));
  EXPECT_EQ(distance[1]->at(distance[1]->count() - 1).y(), task.RLength);
  EXPECT_EQ(distance[0]->at(0), QPointF(0, 0)) << "the run starts at rest";

  ExpectSameRelative(Area(speed[0]), task.Distance, "area under v");
  ExpectSameRelative(Area(velocity[0]), task.Rx, "area under vx");
  ExpectSameRelative(Area(velocity[1]), task.Ry, "area under vy");
  const double t = speed[0]->at(speed[0]->count() - 1).x();
  EXPECT_EQ(t, task.TimeCount);

  EXPECT_EQ(speed[1]->at(0).y(), task.Distance / task.TimeCount);
  EXPECT_EQ(speed[2]->at(1).y(), task.RLength / task.TimeCount);
  EXPECT_TRUE(speed[2]->name().startsWith("|R|/t = "));
  EXPECT_EQ(velocity[2]->at(1).y(), task.Rx / task.TimeCount);
  EXPECT_EQ(velocity[3]->at(1).y(), task.Ry / task.TimeCount);

  for (RunChart* chart : window.Charts) {
    const QList<QAbstractAxis*> time = chart->Chart()->axes(Qt::Horizontal);
    ASSERT_EQ(time.size(), 1);
    EXPECT_EQ(static_cast<QValueAxis*>(time[0])->max(), task.TimeCount) << "time ends with the run";
  }
}

// The averages' lines and their keys show together, and only once both
// answers were checked or the pupil asks; no key is left without its line.
TEST_F(RunWindowTest, AveragesStayHiddenUntilBothChecksOrTheButton) {
  const double speed = car.Distance / car.TimeCount, velocity = car.RLength / car.TimeCount;
  const auto averages = [](const TRunWindow& window) {
    std::vector<QLineSeries*> lines;
    for (std::size_t c = 0; c < RunChartCount; ++c)
      for (std::size_t i = 0; i < window.Lines[c].size(); ++i)
        if (window.Model().Chart(c).Lines[i].Average) lines.push_back(window.Lines[c][i]);
    return lines;
  };
  // Read from the charts as drawn: a legend places its keys when it is.
  const auto keysWithoutLines = [](const TRunWindow& window) {
    QStringList wrong;
    for (std::size_t c = 0; c < RunChartCount; ++c)
      for (QLineSeries* line : window.Lines[c]) {
        const bool drawn = line->isVisible() && line->count() >= 2;
        for (QLegendMarker* key : window.Charts[c]->Chart()->legend()->markers(line))
          if (key->isVisible() != drawn) wrong << line->name();
      }
    return wrong.join(", ").toStdString();
  };
  {
    TRunWindow window(recording, Figures(), false);
    window.show();
    // Every chart drawn again since `before` (the charts' counts of drawing).
    const auto renders = [&window] {
      std::vector<int> count;
      for (RunChart* chart : window.Charts) count.push_back(chart->Renders());
      return count;
    };
    const auto drawnSince = [&](const std::vector<int>& before) {
      return RunUntil([&] {
        const std::vector<int> now = renders();
        for (std::size_t c = 0; c < now.size(); ++c)
          if (now[c] <= before[c]) return false;
        return true;
      });
    };
    ASSERT_TRUE(drawnSince(std::vector<int>(RunChartCount, 0)));
    ASSERT_EQ(averages(window).size(), 4u);
    for (QLineSeries* line : averages(window)) EXPECT_FALSE(line->isVisible());
    EXPECT_EQ(keysWithoutLines(window), "");
    EXPECT_FALSE(window.ResultShown());
    // Nor does any text of the window give them away.
    for (QLabel* label : window.findChildren<QLabel*>()) {
      EXPECT_FALSE(label->text().contains(QString::fromStdString(Polish(speed, 2))));
      EXPECT_FALSE(label->text().contains(QString::fromStdString(Polish(velocity, 2))));
    }
    const std::vector<int> before = renders();
    QTest::mouseClick(window.ShowResultButton, Qt::LeftButton);
    for (QLineSeries* line : averages(window)) EXPECT_TRUE(line->isVisible());
    EXPECT_TRUE(drawnSince(before)) << "the charts' pictures show the averages";
    EXPECT_EQ(keysWithoutLines(window), "");
  }
  TRunWindow checked(recording, Figures(), true);
  for (QLineSeries* line : averages(checked)) EXPECT_TRUE(line->isVisible());
  EXPECT_FALSE(checked.ShowResultButton->isEnabled());
}

// The slider and the replay move everything to their moment: the car and its
// arrows, the values, the cursors and the distance shaded under the speed;
// the charts themselves are not drawn again for that.
TEST_F(RunWindowTest, TheReplayMovesTheCarTheArrowsAndTheValues) {
  TRunWindow window(recording, Figures(), false);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window)) << "Alt+O needs the window in front";
  const std::vector<RunSample>& samples = recording.Samples();
  const std::vector<RunRow>& rows = window.Rows();
  EXPECT_EQ(window.TimeSlider->maximum(), static_cast<int>(rows.size()) - 1);
  EXPECT_EQ(window.TimeSlider->value(), window.TimeSlider->maximum()) << "opens at the end";
  const auto carAt = [&window] { return window.TrackView->Scene().Car.value_or(PathPoint{}); };
  const PathPoint end = CarCentreOnTrack({car.X, car.Y});
  EXPECT_EQ(carAt().X, end.X) << "the end is where Space stopped the car";
  EXPECT_EQ(carAt().Y, end.Y);
  const auto renders = [&window] {
    int count = 0;
    for (RunChart* chart : window.Charts) count += chart->Renders();
    return count;
  };
  const int rendered = renders();

  for (int i : {0, 7, static_cast<int>(rows.size()) - 2}) {
    SCOPED_TRACE(i);
    window.TimeSlider->setValue(i);
    const RunRow& r = rows[static_cast<std::size_t>(i)];
    const RunSample& s = samples[static_cast<std::size_t>(i)];
    EXPECT_EQ(carAt().X, CarCentreOnTrack({s.X, s.Y}).X);
    EXPECT_EQ(carAt().Y, CarCentreOnTrack({s.X, s.Y}).Y);
    EXPECT_EQ(window.TrackView->Scene().DrivenPoints, s.PathPoints);
    ASSERT_EQ(window.TrackView->Scene().Arrows.size(), 3u);
    const QString text = window.Values->text();
    EXPECT_TRUE(text.contains(QString("= %1 s").arg(r.T))) << text.toStdString();
    for (double metres : {r.S, r.R, r.Rx, r.Ry})
      EXPECT_TRUE(text.contains(QString::fromStdString(Polish(metres, 1) + " m")));
    for (double speed : {r.V, r.Vx, r.Vy})
      EXPECT_TRUE(text.contains(QString::fromStdString(Polish(speed, 2) + " m/s")));
    for (RunChart* chart : window.Charts) EXPECT_EQ(chart->Cursor(), r.T);
    EXPECT_EQ(window.Charts[SpeedChart]->ShadeLabel(),
              QString::fromStdString("s = " + Polish(r.S, 1) + " m"));
    window.repaint();
  }
  EXPECT_EQ(renders(), rendered);

  // Alt+O plays at 4x from near the end and stops at the end; Alt+O again
  // pauses a replay it started.
  window.SetPlaySpeed(4);
  EXPECT_EQ(window.PlaySpeedBox->currentText(), "4x");
  window.TimeSlider->setValue(window.TimeSlider->maximum() - 3);
  // A mnemonic clicks its button as the mouse would, after a moment.
  QTest::keyClick(&window, Qt::Key_O, Qt::AltModifier);
  ASSERT_TRUE(RunUntil([&] { return window.Playing(); }));
  EXPECT_TRUE(RunUntil([&] { return !window.Playing(); }, 10000));
  EXPECT_EQ(window.TimeSlider->value(), window.TimeSlider->maximum());
  EXPECT_EQ(carAt().X, end.X);
  window.SetPlaySpeed(1);
  QTest::keyClick(&window, Qt::Key_O, Qt::AltModifier);
  ASSERT_TRUE(RunUntil([&] { return window.Playing(); }));
  EXPECT_LT(window.Position(), 1.0) << "from the end, play starts over";
  QTest::keyClick(&window, Qt::Key_O, Qt::AltModifier);
  EXPECT_TRUE(RunUntil([&] { return !window.Playing(); }, 1000));
  EXPECT_LT(window.TimeSlider->value(), window.TimeSlider->maximum());
}

TEST_F(RunWindowTest, CsvRoundTripAndPicture) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TRunWindow window(recording, Figures(), false);
  const QString csv = dir.filePath("run.csv");
  ASSERT_TRUE(window.SaveCsv(csv));

  const auto rows = ReadCsv(csv);
  const std::vector<RunRow>& expected = window.Rows();
  ASSERT_EQ(rows.size(), expected.size() + 1);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& row = rows[i + 1];
    ASSERT_EQ(row.size(), 8u);
    EXPECT_EQ(std::stoul(row[0]), expected[i].T);
    const double values[] = {expected[i].S, expected[i].Rx, expected[i].Ry, expected[i].R,
                             expected[i].V, expected[i].Vx, expected[i].Vy};
    for (int c = 0; c < 7; ++c) EXPECT_NEAR(std::stod(row[c + 1]), values[c], 0.0005 + 1e-12);
  }
  // The last row is what the task judged.
  EXPECT_EQ(rows.back()[1], FormatFixed(car.Distance, 3));
  EXPECT_EQ(rows.back()[4], FormatFixed(car.RLength, 3));

  // An unwritable place fails and leaves nothing behind.
  EXPECT_FALSE(window.SaveCsv(dir.filePath("no/such/folder/run.csv")));

  // The picture "Zapisz..." saves as PNG is the window as it stands.
  window.resize(900, 600);
  window.show();
  const QImage image = window.grab().toImage();
  EXPECT_GE(image.width(), 900);
  // Not blank: the track, the path and the charts give many colours, and the
  // path's orange is among them.
  QSet<QRgb> colours;
  bool orange = false;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2) {
      const QRgb c = image.pixel(x, y);
      colours.insert(c);
      orange |= qRed(c) > 230 && qGreen(c) > 120 && qGreen(c) < 160 && qBlue(c) < 40;
    }
  EXPECT_GT(colours.size(), 200);
  EXPECT_TRUE(orange);
}

// Space before any driving: the message instead of the figures, and no
// arrows on the track.
TEST_F(RunWindowTest, RunBeforeTheClockStartedOpensEmpty) {
  RunRecording none;
  none.RecordPosition(192, 550);
  TRunWindow window(none, RunFigures{}, true);
  window.show();
  EXPECT_EQ(window.Lines[DistanceChart][0]->count(), 0);
  EXPECT_TRUE(window.TrackView->Scene().Arrows.empty());
  EXPECT_FALSE(window.TrackView->Scene().Car.has_value());
  EXPECT_FALSE(window.TimeSlider->isEnabled());
  EXPECT_FALSE(window.PlayButton->isEnabled());
  window.SetPlaying(true);
  EXPECT_FALSE(window.Playing());
  EXPECT_EQ(window.Values->text(), "Brak pomiarów:<br>czas nie był liczony.");
  QTemporaryDir dir;
  ASSERT_TRUE(window.SaveCsv(dir.filePath("empty.csv")));
  EXPECT_EQ(ReadCsv(dir.filePath("empty.csv")).size(), 1u) << "the header alone";
}

TEST_F(RunWindowTest, TaskDialogOpensItFromTheBottomLeft) {
  TOKBottomDlg1 dialog;
  // Beside the task: where the hidden icon images lie, clear of every control.
  const QRect place = dialog.RunButton->geometry();
  EXPECT_EQ(place.topLeft(), QPoint(12, 222));
  EXPECT_EQ(dialog.RunButton->text(), "Przebieg jazdy");
  for (QWidget* w : {static_cast<QWidget*>(dialog.Bevel1), static_cast<QWidget*>(dialog.Memo1),
                     static_cast<QWidget*>(dialog.Edit1), static_cast<QWidget*>(dialog.Edit2),
                     static_cast<QWidget*>(dialog.Button1), static_cast<QWidget*>(dialog.Button2),
                     static_cast<QWidget*>(dialog.Label2), static_cast<QWidget*>(dialog.OKBtn)})
    EXPECT_FALSE(place.intersects(w->geometry())) << w->objectName().toStdString();
  EXPECT_EQ(dialog.OKBtn->geometry(), QRect(199, 222, 75, 25));
  EXPECT_EQ(dialog.size(), QSize(286, 258));
  EXPECT_TRUE(place.right() < dialog.width() && place.bottom() < dialog.height());

  dialog.Figures = [this] { return Figures(); };
  dialog.Recording = [this] { return &recording; };
  dialog.show();
  EXPECT_FALSE(dialog.BothAnswersChecked());
  dialog.Edit1->setText("1");
  dialog.Button1Click();
  EXPECT_FALSE(dialog.BothAnswersChecked());
  dialog.Edit2->setText("1");
  dialog.Button2Click();
  EXPECT_TRUE(dialog.BothAnswersChecked()) << "checked, right or wrong";

  // The window comes up modal over the dialog, with the run and the averages;
  // Esc closes it back to the dialog.
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!window) window = dialog.findChild<TRunWindow*>();
    ASSERT_NE(window, nullptr);
    auto* run = dynamic_cast<TRunWindow*>(window);
    ASSERT_NE(run, nullptr);
    seen = true;
    EXPECT_EQ(run->windowTitle(), "Przebieg jazdy");
    EXPECT_TRUE(run->isModal());
    EXPECT_EQ(run->Rows().size(), recording.Samples().size());
    EXPECT_TRUE(run->Lines[SpeedChart][1]->isVisible());
    QTest::keyClick(run, Qt::Key_Escape);
  });
  QTest::mouseClick(dialog.RunButton, Qt::LeftButton);
  EXPECT_TRUE(seen);
  EXPECT_TRUE(dialog.isVisible());
  dialog.hide();
}
