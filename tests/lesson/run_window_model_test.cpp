#include "lesson/run_window_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "lesson/answer_check.h"
#include "lesson/catalogue.h"
#include "sim/number_format.h"
#include "sim/race_car.h"
#include "tests/common/polish_number.h"
#include "tests/common/scripted_drive.h"

namespace {

constexpr TDXInputStates Up{isUp}, UpRight{isUp, isRight};

// Up the straight, into the bend, on until the clock has counted `ticks`,
// and Space a moment after that tick.
ScriptedDrive DriveFor(std::uint16_t ticks) {
  ScriptedDrive d;
  d.Frames(110, Up);
  d.Frames(24, UpRight);
  while (d.Car.TimeCount < ticks) d.Frames(1, Up);
  d.Frames(5, Up);
  d.Stop();
  return d;
}

// The area under a chart line, x growing.
double Area(const std::vector<ChartPoint>& points) {
  double area = 0;
  for (std::size_t k = 1; k < points.size(); ++k)
    area += (points[k].X - points[k - 1].X) * (points[k].Y + points[k - 1].Y) / 2;
  return area;
}

const ChartLine* LineLabelled(const RunChartModel& chart, const std::string& start) {
  for (const ChartLine& line : chart.Lines)
    if (line.Label.rfind(start, 0) == 0) return &line;
  return nullptr;
}

}  // namespace

// Every chart's time runs from the start to the run's last tick, with round
// steps inside it: a 21 s run's axis ends at 21 s, where its lines end.
TEST(RunWindowModel, TimeAxisEndsWhereTheRunDoes) {
  const ScriptedDrive d = DriveFor(21);
  const RunWindowModel model(d.Recording, FiguresOf(d.Car), true);
  ASSERT_EQ(model.Rows().back().T, 21u);
  for (std::size_t c = 0; c < RunChartCount; ++c) {
    SCOPED_TRACE(c);
    const ChartAxis& t = model.Chart(c).X;
    EXPECT_EQ(t.Min, 0);
    EXPECT_EQ(t.Max, 21);
    const std::vector<double> ticks = t.Ticks();
    ASSERT_GE(ticks.size(), 4u);
    EXPECT_EQ(ticks.front(), 0);
    EXPECT_LE(ticks.back(), 21);
    EXPECT_GT(ticks.back() + t.Step, 21) << "no room for another tick";
    for (const ChartLine& line : model.Chart(c).Lines) {
      ASSERT_FALSE(line.Points.empty()) << line.Label;
      EXPECT_EQ(line.Points.back().X, 21) << line.Label;
    }
  }
}

// Value axes hold every point of their lines (the averages too), end on
// round steps and have about five of them, whatever the span.
TEST(RunWindowModel, ValueAxesHoldTheirLinesOnRoundSteps) {
  const ScriptedDrive d = DriveFor(40);
  const RunWindowModel model(d.Recording, FiguresOf(d.Car), true);
  for (std::size_t c = 0; c < RunChartCount; ++c) {
    const ChartAxis& y = model.Chart(c).Y;
    for (const ChartLine& line : model.Chart(c).Lines)
      for (const ChartPoint& p : line.Points) {
        EXPECT_GE(p.Y, y.Min) << line.Label;
        EXPECT_LE(p.Y, y.Max) << line.Label;
      }
  }
  for (double high : {0.0004, 0.7, 1.0, 3.3, 21.0, 49.0, 99.0, 121.0, 1234.5})
    for (double low : {0.0, -0.3 * high, -2.5 * high}) {
      SCOPED_TRACE(std::to_string(low) + " to " + std::to_string(high));
      const ChartAxis y = ValueAxis(low, high);
      EXPECT_LE(y.Min, low);
      EXPECT_GE(y.Max, high);
      const double mantissa = y.Step / std::pow(10, std::floor(std::log10(y.Step)));
      EXPECT_TRUE(mantissa == 1 || mantissa == 2 || mantissa == 2.5 || mantissa == 5) << y.Step;
      const std::vector<double> ticks = y.Ticks();
      ASSERT_FALSE(ticks.empty());
      EXPECT_NEAR(ticks.front(), y.Min, 1e-9 * y.Step) << "the axis starts on a step";
      EXPECT_NEAR(ticks.back(), y.Max, 1e-9 * y.Step) << "and ends on one";
      EXPECT_GE(ticks.size(), 5u);
      EXPECT_LE(ticks.size(), 7u);
    }
}

// A key only for a line that is drawn, and every drawn line has its key with
// its words, colour and dashes; the averages' keys only with the averages.
TEST(RunWindowModel, EveryLegendKeyHasItsLine) {
  const ScriptedDrive d = DriveFor(12);
  RunWindowModel model(d.Recording, FiguresOf(d.Car), false);
  for (bool shown : {false, true}) {
    if (shown) model.ShowAverages();
    std::size_t averages = 0;
    for (std::size_t c = 0; c < RunChartCount; ++c) {
      SCOPED_TRACE(std::to_string(c) + (shown ? " with the averages" : ""));
      const RunChartModel& chart = model.Chart(c);
      std::vector<int> keys(chart.Lines.size(), 0);
      for (const LegendEntry& entry : model.Legend(c)) {
        ASSERT_LT(entry.Line, chart.Lines.size()) << entry.Text;
        const ChartLine& line = chart.Lines[entry.Line];
        EXPECT_TRUE(model.LineShown(c, entry.Line)) << entry.Text;
        EXPECT_GE(line.Points.size(), 2u) << entry.Text;
        EXPECT_EQ(entry.Text, line.Label);
        EXPECT_EQ(entry.Colour, line.Colour) << entry.Text;
        EXPECT_EQ(entry.Style, line.Style) << entry.Text;
        ++keys[entry.Line];
      }
      for (std::size_t i = 0; i < chart.Lines.size(); ++i) {
        const bool drawn = model.LineShown(c, i) && chart.Lines[i].Points.size() >= 2;
        EXPECT_EQ(keys[i], drawn ? 1 : 0) << chart.Lines[i].Label;
        EXPECT_EQ(model.LineShown(c, i), shown || !chart.Lines[i].Average);
        averages += chart.Lines[i].Average && keys[i];
      }
    }
    EXPECT_EQ(averages, shown ? 4u : 0u) << "s/t, |R|/t, Rx/t and Ry/t";
  }
}

// What a physics teacher checks on the charts: the speed's mean over the run
// is s/t, the velocity's is R/t, the dashed averages are the task's answers
// with |R|/t never above s/t, and the run ends at the figures the task judged.
TEST(RunWindowModel, ChartsAgreeWithTheTask) {
  const ScriptedDrive d = DriveFor(30);
  const RunFigures task = FiguresOf(d.Car);
  ASSERT_GT(task.Distance, task.RLength + 5) << "the bend is in the run";
  const RunWindowModel model(d.Recording, task, true);
  const double t = task.TimeCount;

  const RunChartModel& speed = model.Chart(SpeedChart);
  ASSERT_TRUE(speed.ShadedLine.has_value());
  const ChartLine& v = speed.Lines[*speed.ShadedLine];
  EXPECT_NEAR(Area(v.Points) / t, task.Distance / t, 1e-9) << "the mean of v is s/t";
  const ChartLine* st = LineLabelled(speed, "s/t = ");
  const ChartLine* rt = LineLabelled(speed, "|R|/t = ");
  ASSERT_TRUE(st && rt);
  EXPECT_EQ(st->Points.front().Y, task.Distance / t);
  EXPECT_EQ(rt->Points.front().Y, task.RLength / t);
  EXPECT_LT(rt->Points.front().Y, st->Points.front().Y);
  EXPECT_EQ(st->Label, "s/t = " + Polish(task.Distance / t, 2) + " m/s");

  const RunChartModel& velocity = model.Chart(VelocityChart);
  const ChartLine* vx = LineLabelled(velocity, "vx");
  const ChartLine* vy = LineLabelled(velocity, "vy");
  ASSERT_TRUE(vx && vy);
  EXPECT_NEAR(Area(vx->Points), task.Rx, 1e-9 * t) << "the mean of vx is Rx/t";
  EXPECT_NEAR(Area(vy->Points), task.Ry, 1e-9 * t) << "the mean of vy is Ry/t";

  const std::vector<ChartLine>& distance = model.Chart(DistanceChart).Lines;
  EXPECT_EQ(distance[0].Points.back().Y, task.Distance);
  EXPECT_EQ(distance[1].Points.back().Y, task.RLength);

  // The values at the end are the task's figures, to the panel's decimals.
  const MomentValues end = model.ValuesAt(model.Rows().size() - 1);
  EXPECT_EQ(end.Time, t);
  ASSERT_EQ(end.Grid.size(), 5u);
  EXPECT_EQ(end.Grid[1][0].Name, "s");
  EXPECT_EQ(end.Grid[1][0].Number, Polish(task.Distance, 1));
  EXPECT_EQ(end.Grid[2][0].Number, Polish(task.RLength, 1));
  EXPECT_EQ(end.AreaLabel, "s = " + Polish(task.Distance, 1) + " m");
  // And the car stands where Space stopped it, at the tip of its R arrow.
  const TrackScene scene = model.SceneAt(model.LastPosition());
  ASSERT_TRUE(scene.Car.has_value());
  EXPECT_EQ(scene.Car->X, CarCentreOnTrack({d.Car.X, d.Car.Y}).X);
  ASSERT_EQ(scene.Arrows.size(), 3u);
  EXPECT_EQ(scene.Arrows.back().Label, "R");
  EXPECT_EQ(scene.Arrows.back().To.Y, scene.Car->Y);
  EXPECT_EQ(scene.Arrows.back().From.X, scene.Start.At.X);
}

// Space before any driving, or a window opened on nothing: no arrows and no
// car, the message instead of the figures, and no average drawn.
TEST(RunWindowModel, NothingDrivenShowsTheMessageAndNoArrows) {
  ScriptedDrive spaceFirst;
  spaceFirst.Stop();
  const RunRecording none;
  for (const RunRecording* recording : {&std::as_const(spaceFirst.Recording), &none}) {
    const RunWindowModel model(*recording, FiguresOf(spaceFirst.Car), true);
    EXPECT_TRUE(model.NothingDriven());
    const TrackScene scene = model.SceneAt(0);
    EXPECT_TRUE(scene.Arrows.empty());
    EXPECT_FALSE(scene.Car.has_value());
    const MomentValues values = model.ValuesAt(0);
    EXPECT_TRUE(values.Grid.empty());
    EXPECT_EQ(values.Message,
              (std::vector<std::string>{"Brak pomiarów:", "czas nie był liczony."}));
    for (std::size_t c = 0; c < RunChartCount; ++c) EXPECT_TRUE(model.Legend(c).empty()) << c;
    EXPECT_FALSE(model.CanReplay());
  }
  EXPECT_EQ(spaceFirst.Recording.PathSize(), 1u) << "the start was recorded";
}

// A replay at 1x takes as long as the run took, at 2x and 4x a half and a
// quarter of it, and stops on the last row; from there it starts over.
TEST(RunWindowModel, ReplayKeepsTheRunsPace) {
  const ScriptedDrive d = DriveFor(20);
  const RunWindowModel model(d.Recording, FiguresOf(d.Car), false);
  const double last = model.LastPosition();
  ASSERT_EQ(last, model.Rows().size() - 1.0);
  // One row a tick: the rows from the first cover this much of the run.
  const double runMs =
      (model.Rows().back().T - model.Rows().front().T) * static_cast<double>(TickMilliseconds);
  for (int speed : PlaySpeeds) {
    SCOPED_TRACE(speed);
    double position = model.ReplayStart(last);
    EXPECT_EQ(position, 0);
    double elapsed = 0;
    ReplayStep step;
    // Frames of a 60 Hz screen, each a little late.
    while (!(step = model.ReplayAdvance(position, 17, speed)).Stopped) {
      EXPECT_GT(step.Position, position);
      position = step.Position;
      elapsed += 17;
      ASSERT_LT(elapsed, 2 * runMs);
    }
    EXPECT_EQ(step.Position, last);
    EXPECT_NEAR(elapsed + 17, runMs / speed, 17);
    EXPECT_EQ(model.ReplayStart(5.5), 5.5) << "paused in the middle, it goes on";
  }
  EXPECT_EQ(PlaySpeedText(4), "4x");
}

TEST(RunWindowModel, FileNameFromTheLocalTime) {
  EXPECT_EQ(RunFileName({2026, 12, 8, 10, 30}, "csv"), "przebieg-2026-12-08-1030.csv");
  EXPECT_EQ(RunFileName({2027, 1, 2, 3, 4}, "png"), "przebieg-2027-01-02-0304.png");
}

// Space within the first tick after the car moved: nothing can be averaged
// over no time, so neither answer is judged, whatever it says; a car that
// never moved still takes only zero.
TEST(RunWindowModel, RunTooShortToTimeIsNotJudged) {
  ScriptedDrive d;
  d.Frames(12, Up);  // 0.2 s
  d.Stop();
  const RunFigures run = FiguresOf(d.Car);
  ASSERT_EQ(run.TimeCount, 0);
  ASSERT_GT(run.Distance, 0);
  for (Question q : {Question::AverageSpeed, Question::AverageVelocity})
    for (const char* answer : {"0", "7", "1.2.3"})
      EXPECT_EQ(JudgeAnswer(answer, run, q), Verdict::TooShortToTime) << answer;
  EXPECT_EQ(JudgeAnswer("", run, Question::AverageSpeed), Verdict::NotJudged);

  // The run window shows the figures it has, and no average.
  const RunWindowModel model(d.Recording, run, true);
  EXPECT_FALSE(model.NothingDriven());
  EXPECT_EQ(model.ValuesAt(0).Grid[1][0].Number, Polish(run.Distance, 1));
  for (std::size_t c = 0; c < RunChartCount; ++c)
    for (const ChartLine& line : model.Chart(c).Lines) EXPECT_FALSE(line.Average) << line.Label;

  const RunFigures still{};
  EXPECT_EQ(JudgeAnswer("0", still, Question::AverageSpeed), Verdict::Right);
  EXPECT_EQ(JudgeAnswer("0.5", still, Question::AverageVelocity), Verdict::Wrong);
  const RunFigures timed{.Distance = 121, .RLength = 50, .TimeCount = 10};
  EXPECT_EQ(JudgeAnswer("12.1", timed, Question::AverageSpeed), Verdict::Right);
  EXPECT_EQ(JudgeAnswer("12.1", timed, Question::AverageVelocity), Verdict::Wrong);
  EXPECT_THROW(JudgeAnswer("1.2.3", timed, Question::AverageSpeed), EZamiana);
}

// The same run told in each language: the words and units are that language's
// and the numbers carry its decimal separator, but they are the same numbers.
TEST(RunWindowModel, EachLanguageTellsTheSameFigures) {
  const ScriptedDrive d = DriveFor(12);
  const RunFigures task = FiguresOf(d.Car);
  const std::string point = FormatFixed(task.Distance, 1);
  std::string comma = point;
  comma[comma.find('.')] = ',';
  struct Case {
    lesson::Language Language;
    std::string Number, Unit, Marker, FilePrefix;
  };
  for (const Case& c : {Case{lesson::Language::Polish, comma, "m", "Koniec", "przebieg-"},
                        Case{lesson::Language::English, point, "m", "Finish", "run-"},
                        Case{lesson::Language::Ukrainian, comma, "м", "Фініш", "поїздка-"}}) {
    SCOPED_TRACE(lesson::Info(c.Language).Code);
    lesson::SetLanguage(c.Language);
    const RunWindowModel model(d.Recording, task, true);
    const MomentValues end = model.ValuesAt(model.Rows().size() - 1);
    EXPECT_EQ(end.Grid[1][0].Number, c.Number);
    EXPECT_EQ(end.Grid[1][0].Unit, c.Unit);
    EXPECT_EQ(end.AreaLabel, "s = " + c.Number + " " + c.Unit);
    EXPECT_EQ(model.SceneAt(model.LastPosition()).End->Label, c.Marker);
    EXPECT_EQ(RunFileName({2026, 3, 9, 8, 5}, "csv").rfind(c.FilePrefix, 0), 0u);
  }
  lesson::SetLanguage(lesson::Language::Polish);
}

// The track under the path carries START and META in the window's language,
// and only those words differ between languages.
TEST(RunWindowModel, TrackPictureIsInTheCurrentLanguage) {
  lesson::SetLanguage(lesson::Language::Polish);
  const std::vector<std::uint32_t> polish = RunWindowModel::TrackPicture();
  lesson::SetLanguage(lesson::Language::Ukrainian);
  const std::vector<std::uint32_t>& ukrainian = RunWindowModel::TrackPicture();
  lesson::SetLanguage(lesson::Language::Polish);
  const PathPoint size = RunWindowModel::TrackSize();
  ASSERT_EQ(polish.size(), static_cast<std::size_t>(size.X * size.Y));
  ASSERT_EQ(ukrainian.size(), polish.size());
  std::size_t differ = 0;
  for (std::size_t i = 0; i < polish.size(); ++i) differ += polish[i] != ukrainian[i];
  EXPECT_GT(differ, 20u);
  EXPECT_LT(differ, polish.size() / 100);
  EXPECT_EQ(RunWindowModel::TrackPicture(), polish);
}
