#include "app/run_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <clocale>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "app/task_dialog.h"
#include "sim/car_model.h"
#include "sim/number_format.h"
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

}  // namespace

TEST_F(RunWindowTest, ChartsHoldOnePointATickInTheTasksUnits) {
  TRunWindow window(recording, Figures(), false);
  const std::vector<RunRow>& rows = window.Rows();
  ASSERT_GT(rows.size(), 10u);
  ASSERT_EQ(window.DistanceSeries->count(), static_cast<int>(rows.size()));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int k = static_cast<int>(i);
    EXPECT_EQ(window.DistanceSeries->at(k), QPointF(rows[i].T, rows[i].S));
    EXPECT_EQ(window.DisplacementSeries->at(k), QPointF(rows[i].T, rows[i].R));
  }
}

TEST_F(RunWindowTest, AveragesStayHiddenUntilBothChecksOrTheButton) {
  const double speed = car.Distance / car.TimeCount, velocity = car.RLength / car.TimeCount;
  {
    TRunWindow window(recording, Figures(), false);
    EXPECT_FALSE(window.AverageSpeedLine->isVisible());
    EXPECT_FALSE(window.AverageVelocityLine->isVisible());
    EXPECT_FALSE(window.ResultShown());
    // Nor does any text of the window give them away.
    window.show();
    for (QLabel* label : window.findChildren<QLabel*>()) {
      EXPECT_FALSE(label->text().contains(QString::fromStdString(FormatFixed(speed, 2))));
      EXPECT_FALSE(label->text().contains(QString::fromStdString(FormatFixed(velocity, 2))));
    }
    QTest::mouseClick(window.ShowResultButton, Qt::LeftButton);
    EXPECT_TRUE(window.AverageSpeedLine->isVisible());
    EXPECT_TRUE(window.AverageVelocityLine->isVisible());
    EXPECT_EQ(window.AverageSpeedLine->at(0).y(), speed);
    EXPECT_EQ(window.AverageVelocityLine->at(1).y(), velocity);
    EXPECT_TRUE(
        window.AverageSpeedLine->name().contains(QString::fromStdString(FormatFixed(speed, 2))));
  }
  TRunWindow checked(recording, Figures(), true);
  EXPECT_TRUE(checked.AverageSpeedLine->isVisible());
  EXPECT_TRUE(checked.AverageVelocityLine->isVisible());
}

TEST_F(RunWindowTest, SliderShowsTheRecordedValuesAndPlayReachesTheEnd) {
  TRunWindow window(recording, Figures(), false);
  window.show();
  const std::vector<RunSample>& samples = recording.Samples();
  EXPECT_EQ(window.TimeSlider->minimum(), 0);
  EXPECT_EQ(window.TimeSlider->maximum(), static_cast<int>(samples.size()) - 1);
  EXPECT_EQ(window.TimeSlider->value(), window.TimeSlider->maximum()) << "opens at the end";
  for (int i : {0, 7, static_cast<int>(samples.size()) - 1}) {
    window.TimeSlider->setValue(i);
    const RunRow& s = window.Rows()[static_cast<std::size_t>(i)];
    const QString text = window.Values->text();
    EXPECT_TRUE(text.contains(QString("= %1 s").arg(s.T))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromStdString(FormatFixed(s.S, 1) + " m")));
    EXPECT_TRUE(text.contains(QString::fromStdString(FormatFixed(s.R, 1) + " m")));
    EXPECT_TRUE(text.contains(QString::fromStdString(FormatFixed(s.Rx, 1) + " m")));
    EXPECT_TRUE(text.contains(QString::fromStdString(FormatFixed(s.Ry, 1) + " m")));
    EXPECT_TRUE(text.contains(QString::fromStdString(FormatFixed(s.V, 2) + " m/s")));
    EXPECT_EQ(window.DistanceCursor->at(0).x(), s.T);
    EXPECT_EQ(static_cast<int>(window.Position()), i);
  }

  // Play from near the end at 4x: it moves on and stops at the last tick.
  window.SetPlaySpeed(4);
  EXPECT_EQ(window.PlaySpeedBox->currentText(), "4x");
  window.TimeSlider->setValue(window.TimeSlider->maximum() - 3);
  QTest::mouseClick(window.PlayButton, Qt::LeftButton);
  EXPECT_TRUE(window.Playing());
  EXPECT_TRUE(RunUntil([&] { return !window.Playing(); }, 10000));
  EXPECT_EQ(window.TimeSlider->value(), window.TimeSlider->maximum());
  // From the end, play starts over.
  window.SetPlaying(true);
  EXPECT_LT(window.Position(), 1.0);
  window.SetPlaying(false);
}

TEST_F(RunWindowTest, CsvRoundTripAndPng) {
  // A locale with a decimal comma must not reach the file.
  std::setlocale(LC_NUMERIC, "pl_PL.UTF-8");
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TRunWindow window(recording, Figures(), false);
  const QString csv = dir.filePath("run.csv");
  ASSERT_TRUE(window.SaveCsv(csv));
  std::setlocale(LC_NUMERIC, "C");

  const auto rows = ReadCsv(csv);
  const std::vector<RunRow>& expected = window.Rows();
  ASSERT_EQ(rows.size(), expected.size() + 1);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& row = rows[i + 1];
    ASSERT_EQ(row.size(), 8u);
    EXPECT_EQ(std::stoul(row[0]), expected[i].T);
    EXPECT_NEAR(std::stod(row[1]), expected[i].S, 0.0005 + 1e-12);
  }

  // An unwritable place fails and leaves nothing behind.
  EXPECT_FALSE(window.SaveCsv(dir.filePath("no/such/folder/run.csv")));

  window.resize(900, 600);
  window.show();
  const QString png = dir.filePath("run.png");
  ASSERT_TRUE(window.SavePng(png));
  QImage image(png);
  ASSERT_FALSE(image.isNull());
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

TEST_F(RunWindowTest, RunBeforeTheClockStartedOpensEmpty) {
  RunRecording none;
  none.RecordPosition(192, 550);
  TRunWindow window(none, RunFigures{}, true);
  window.show();
  EXPECT_EQ(window.DistanceSeries->count(), 0);
  EXPECT_FALSE(window.TimeSlider->isEnabled());
  EXPECT_FALSE(window.PlayButton->isEnabled());
  window.SetPlaying(true);
  EXPECT_FALSE(window.Playing());
  EXPECT_TRUE(window.Values->text().contains("Brak"));
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
    EXPECT_EQ(run->DistanceSeries->count(), static_cast<int>(recording.Samples().size()));
    EXPECT_TRUE(run->AverageSpeedLine->isVisible());
    QTest::keyClick(run, Qt::Key_Escape);
  });
  QTest::mouseClick(dialog.RunButton, Qt::LeftButton);
  EXPECT_TRUE(seen);
  EXPECT_TRUE(dialog.isVisible());
  dialog.hide();
}
