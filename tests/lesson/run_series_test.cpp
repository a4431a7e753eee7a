#include "lesson/run_series.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "lesson/run_figures.h"
#include "tests/common/scripted_drive.h"

namespace {

constexpr TDXInputStates Up{isUp}, Down{isDown}, UpRight{isUp, isRight};

void ExpectNearRelative(double value, double expected, const char* what) {
  EXPECT_LE(std::fabs(value - expected), 1e-9 * std::max(1.0, std::fabs(expected)))
      << what << ": " << value << " against " << expected;
}

}  // namespace

// Speed is the distance of each tick and velocity its displacement, so over
// any run the mean speed is s/t and the mean velocity R/t, to rounding; the
// last row is what the task judges, Space having come between two ticks.
TEST(RunSeries, MeansAreTheTasksAveragesAndTheLastRowItsFigures) {
  struct Drive {
    const char* name;
    void (*script)(ScriptedDrive&);
  };
  const Drive drives[] = {
      {"through the bend",
       [](ScriptedDrive& d) {
         d.Frames(110, Up);
         d.Frames(24, UpRight);
         d.Frames(61, Up);
       }},
      {"held against the world's edge", [](ScriptedDrive& d) { d.Frames(400, Up); }},
      {"reversing", [](ScriptedDrive& d) { d.Frames(150, Down); }},
      {"a short accelerating run", [](ScriptedDrive& d) { d.Frames(45, Up); }},
      {"on after a stop within the first tick",
       [](ScriptedDrive& d) {
         d.Frames(10, Up);
         d.Stop();
         d.Frames(60, Up);
       }},
  };
  for (const Drive& drive : drives) {
    SCOPED_TRACE(drive.name);
    ScriptedDrive d;
    drive.script(d);
    d.Stop();
    const RunFigures task = FiguresOf(d.Car);
    ASSERT_GT(task.TimeCount, 1);
    ASSERT_GT(task.Distance, 0.0);
    const std::vector<RunRow> rows = RunRows(d.Recording.Samples());
    ASSERT_FALSE(rows.empty());

    const RunRow& last = rows.back();
    EXPECT_EQ(last.T, task.TimeCount);
    EXPECT_EQ(last.S, task.Distance);
    EXPECT_EQ(last.Rx, task.Rx);
    EXPECT_EQ(last.Ry, task.Ry);
    EXPECT_EQ(last.R, task.RLength);

    double v = 0, vx = 0, vy = 0;
    for (const RunRow& r : rows) {
      EXPECT_GE(r.V, 0) << "a distance never shrinks";
      EXPECT_LE(std::hypot(r.Vx, r.Vy), r.V + 1e-9) << "no tick's displacement beats its distance";
      v += r.V;
      vx += r.Vx;
      vy += r.Vy;
    }
    const RunAverages averages = AveragesOf(task);
    const double t = task.TimeCount;
    ExpectNearRelative(v / t, averages.Speed, "mean of v against s/t");
    ExpectNearRelative(vx / t, averages.Vx, "mean of vx against Rx/t");
    ExpectNearRelative(vy / t, averages.Vy, "mean of vy against Ry/t");
    ExpectNearRelative(std::hypot(vx, vy) / t, averages.Velocity, "mean velocity's length");
    EXPECT_LE(averages.Velocity, averages.Speed * (1 + 1e-12));
  }
}

// Past 65,535 ticks the car's own count starts over; the run's time goes on.
TEST(RunSeries, TimeCountsOnPastSixteenBits) {
  CarModel car;
  RunRecording recording;
  for (int i = 0; i < 70000; ++i) {
    car.TimeTick();
    recording.RecordTick(car);
  }
  const std::vector<RunRow> rows = RunRows(recording.Samples());
  ASSERT_EQ(rows.size(), 70000u);
  std::istringstream csv(RunCsv(rows));
  std::string line;
  std::getline(csv, line);  // the header
  std::uint32_t previous = 0;
  std::size_t count = 0;
  for (std::size_t i = 0; std::getline(csv, line); ++i, ++count) {
    const std::uint32_t t = static_cast<std::uint32_t>(std::stoul(line));
    ASSERT_GT(t, previous) << "row " << i;
    ASSERT_EQ(t, rows[i].T);
    previous = t;
  }
  EXPECT_EQ(count, rows.size());
}

// A classroom machine set to Polish writes decimal commas in printf; the file
// must not, or its columns split in every spreadsheet.
TEST(RunSeries, CsvHasUnitsAndDecimalPointsUnderACommaLocale) {
#ifdef __EMSCRIPTEN__
  GTEST_SKIP() << "WebAssembly's C library has no locales with a decimal comma";
#endif
  ScriptedDrive d;
  d.Frames(60, UpRight);
  d.Stop();
  ASSERT_NE(std::setlocale(LC_ALL, "pl_PL.UTF-8"), nullptr)
      << "the Polish locale is missing: scripts/setup-deps makes it";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  const std::string csv = RunCsv(RunRows(d.Recording.Samples()));
  std::setlocale(LC_ALL, "C");

  std::istringstream in(csv);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "t [s],s [m],Rx [m],Ry [m],|R| [m],v [m/s],vx [m/s],vy [m/s]");
  int rows = 0;
  while (std::getline(in, line)) {
    ++rows;
    EXPECT_EQ(std::count(line.begin(), line.end(), ','), 7) << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), '.'), 7) << line;
  }
  EXPECT_EQ(rows, static_cast<int>(d.Recording.Samples().size()));
}
