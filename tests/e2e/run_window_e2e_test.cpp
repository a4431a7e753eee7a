// After the run: drive through a bend with the path shown on the minimap,
// stop with Space, open "Przebieg jazdy" from the task, replay the run, save
// it as CSV through the file dialog, close back to the task and to the
// simulation, which goes on. The program runs on the X server of $DISPLAY
// under a window manager, as on a pupil's desktop; the test waits for windows,
// files and what the screen shows, never for a fixed time.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "sim/embedded_assets.h"
#include "tests/e2e/x11_driver.h"

namespace {

using namespace e2e;

// The visible window whose whole name is `name`.
std::optional<std::string> FindWindow(const std::string& name) {
  const std::string out =
      Output("xdotool search --onlyvisible --name '^" + name + "$' 2>/dev/null");
  if (out.empty()) return std::nullopt;
  return out.substr(0, out.find('\n'));
}

std::string WaitForWindow(const std::string& name) {
  std::optional<std::string> id;
  EXPECT_TRUE(WaitFor([&] { return (id = FindWindow(name)).has_value(); })) << name;
  return id.value_or("");
}

// Keys go to the active window: wait until the window manager has made it so.
bool WaitActive(const std::string& window) {
  return WaitFor([&] { return Output("xdotool getactivewindow 2>/dev/null") == window + "\n"; });
}

// A click at a point of a window's own area, wherever the window manager put it.
void ClickIn(const std::string& window, int x, int y) {
  Xdo("mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) +
      " click 1");
}

// The screen is 1024 x 768 and the 640 x 480 simulation fills it, so the
// minimap (x 480-639, y 0-159) covers x 768-1023, y 0-255.
constexpr double Scale = 1024.0 / 640;

// The path is one minimap pixel wide: scaled 1.6 times, each screen pixel
// it crosses mixes it with the ground, by at least three fifths where it
// covers most.
bool PathOrange(QRgb c) {
  return qRed(c) > 170 && qGreen(c) > 90 && qGreen(c) < 170 && qBlue(c) < 60 &&
         qRed(c) - qGreen(c) > 60;
}

struct Trace {
  int Count = 0;
  int Top = 1 << 20;
  int Right = -1;
};

// The path's pixels on the minimap, in minimap pixels.
Trace MinimapTrace(const QImage& screen) {
  Trace t;
  for (int y = 0; y < static_cast<int>(160 * Scale); ++y)
    for (int x = static_cast<int>(480 * Scale); x < screen.width(); ++x)
      if (PathOrange(screen.pixel(x, y))) {
        ++t.Count;
        t.Top = std::min(t.Top, static_cast<int>(y / Scale));
        t.Right = std::max(t.Right, static_cast<int>(x / Scale));
      }
  return t;
}

std::vector<std::vector<std::string>> ReadCsv(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> cells;
    std::istringstream row(line);
    for (std::string cell; std::getline(row, cell, ',');) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

class RunWindowE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under tests/x11/run-on-xvfb";
    static int argc = 1;
    static char name[] = "velnar-e2e-run";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) new QGuiApplication(argc, argv);
    folder = std::filesystem::temp_directory_path() / ("velnar-run-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);

    program = StartProgram(VELNAR_PROGRAM);
    ASSERT_GT(program, 0);
  }
  void TearDown() override {
    StopProgram(program);
    std::filesystem::remove_all(folder);
  }

  pid_t program = -1;
  std::filesystem::path folder;
};

}  // namespace

TEST_F(RunWindowE2E, DriveReplaySaveAndGoOn) {
  const std::string start = WaitForWindow("Velnar");
  ClickIn(start, 192 + 92, 14 + 12);  // "Uruchom program"
  const std::string simulation = WaitForWindow("Velnar - jazda");
  // The first frame: the minimap is drawn, and the path is not on it.
  QImage screen;
  ASSERT_TRUE(WaitFor([&] {
    screen = Screen();
    return screen.width() == 1024 &&
           qRed(screen.pixel(static_cast<int>(493 * Scale), static_cast<int>(120 * Scale))) > 0;
  })) << "no frame";
  EXPECT_EQ(MinimapTrace(screen).Count, 0) << "the path is off at start";

  // T shows the path. Up the left straight at a moderate speed (without
  // friction the car keeps it), then a turn to the right near the top. The
  // turn is a row of taps, each steering the car for one frame, so that how
  // far it turns does not hang on how quickly the screen can be read.
  Xdo("key t");
  Xdo("keydown Up");
  Trace trace;
  ASSERT_TRUE(WaitFor([&] { return (trace = MinimapTrace(Screen())).Top <= 62; }))
      << "the car does not drive up the straight";
  Xdo("keyup Up");
  ASSERT_TRUE(WaitFor([&] { return (trace = MinimapTrace(Screen())).Top <= 40; }));
  const int straightRight = trace.Right;
  std::string taps = "key --delay 40";
  for (int i = 0; i < 8; ++i) taps += " Right";
  Xdo(taps);
  ASSERT_TRUE(WaitFor([&] { return MinimapTrace(Screen()).Right >= straightRight + 8; }))
      << "the car does not leave the bend";

  Xdo("key space");
  const std::string task = WaitForWindow("Zadanie");
  ClickIn(task, 12 + 48, 222 + 12);  // "Przebieg jazdy"
  const std::string run = WaitForWindow("Przebieg jazdy");
  // The path is drawn in the window, beside the charts.
  ASSERT_TRUE(WaitFor([&] {
    screen = Screen();
    int orange = 0;
    for (int y = 0; y < screen.height(); ++y)
      for (int x = 0; x < screen.width() / 2; ++x) orange += PathOrange(screen.pixel(x, y));
    return orange > 100;
  })) << "no path in the run window";

  // Play: the replay moves; Alt+O again (the pause keeps the mnemonic): it stands.
  ASSERT_TRUE(WaitActive(run));
  const QImage before = Screen();
  Xdo("key alt+o");
  ASSERT_TRUE(WaitFor([&] { return Screen() != before; })) << "the replay does not move";
  Xdo("key alt+o");
  QImage previous = Screen();
  ASSERT_TRUE(WaitFor([&] {
    QImage now = Screen();
    const bool still = now == previous;
    previous = now;
    return still;
  })) << "the replay does not stop";

  // Save the run as CSV through the file dialog.
  Xdo("key alt+z");
  ASSERT_TRUE(WaitActive(WaitForWindow("Zapisz przebieg jazdy")));
  const std::string csv = (folder / "przebieg-jazdy.csv").string();
  Xdo("type --delay 20 '" + csv + "'");
  Xdo("key Return");
  ASSERT_TRUE(WaitFor([] { return !FindWindow("Zapisz przebieg jazdy"); }));
  std::vector<std::vector<std::string>> rows;
  ASSERT_TRUE(WaitFor([&] { return (rows = ReadCsv(csv)).size() > 5; })) << csv;
  EXPECT_EQ(rows[0], (std::vector<std::string>{"t [s]", "s [m]", "Rx [m]", "Ry [m]", "|R| [m]",
                                               "v [m/s]", "vx [m/s]", "vy [m/s]"}));
  double lastDistance = 0;
  for (std::size_t i = 1; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(rows[i].size(), 8u);
    EXPECT_EQ(std::stoi(rows[i][0]), static_cast<int>(i)) << "one row a tick";
    const double s = std::stod(rows[i][1]), r = std::stod(rows[i][4]);
    EXPECT_GE(s, lastDistance);
    EXPECT_GE(s + 0.001, r) << "s never below |R|";
    lastDistance = s;
  }
  const auto& last = rows.back();
  EXPECT_GT(std::stod(last[1]), std::stod(last[4]) + 1) << "the bend makes s exceed |R|";

  // Close back to the task.
  ASSERT_TRUE(WaitActive(run));
  Xdo("key Escape");
  ASSERT_TRUE(WaitFor([] { return !FindWindow("Przebieg jazdy"); }));
  EXPECT_TRUE(FindWindow("Zadanie").has_value());
  ASSERT_TRUE(WaitActive(task));

  // The file ends at the figures the task judges, not at the last tick: the
  // task takes (s + 0.99) / t and refuses (s + 1.01) / t for the last row's s,
  // which pins its own distance within a centimetre of the file's; the same
  // for |R|. The car was still moving at Space, between two ticks.
  const double t = std::stod(last[0]), s = std::stod(last[1]), r = std::stod(last[4]);
  ASSERT_GT(t, 0);
  const std::optional<Geometry> box = WindowGeometry(task);
  ASSERT_TRUE(box.has_value());
  const QImage smile = Icon(EmbeddedSmileIcon()), sad = Icon(EmbeddedSadIcon());
  ASSERT_FALSE(smile.isNull());
  struct Check {
    int editY, buttonX, buttonY, faceX, faceY;
  };
  const Check speed{112, 177, 114, 236, 107}, velocity{163, 178, 165, 239, 158};
  auto judged = [&](const Check& c, double answer) {
    ClickIn(task, 108 + 20, c.editY + 10);
    Xdo("key End");
    std::string erase = "key --delay 5";
    for (int i = 0; i < 16; ++i) erase += " BackSpace";
    Xdo(erase);
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", answer);
    Xdo(std::string("type --delay 20 '") + text + "'");
    const QImage before = Screen();
    ClickIn(task, c.buttonX + 27, c.buttonY + 9);
    QImage screen;
    const int fx = box->x + c.faceX, fy = box->y + c.faceY;
    EXPECT_TRUE(WaitFor([&] {
      screen = Screen();
      return Distance(screen, fx, fy, smile) < 32L * 32 * 3 * 8 ||
             Distance(screen, fx, fy, sad) < 32L * 32 * 3 * 8;
    })) << "no verdict for "
        << text;
    return Distance(screen, fx, fy, smile) < Distance(screen, fx, fy, sad);
  };
  EXPECT_TRUE(judged(speed, (s + 0.99) / t)) << "s = " << s << " m, t = " << t << " s";
  EXPECT_FALSE(judged(speed, (s + 1.01) / t)) << "s = " << s << " m, t = " << t << " s";
  EXPECT_TRUE(judged(velocity, (r + 0.99) / t)) << "|R| = " << r << " m";
  EXPECT_FALSE(judged(velocity, (r + 1.01) / t)) << "|R| = " << r << " m";

  // The task back to the simulation.
  Xdo("key Escape");
  ASSERT_TRUE(WaitFor([] { return !FindWindow("Zadanie"); }));
  ASSERT_TRUE(WaitActive(simulation)) << "the simulation does not get the keyboard back";

  // The simulation goes on: the path grows on the minimap.
  const int drawn = MinimapTrace(Screen()).Count;
  Xdo("keydown Up");
  const bool goesOn = WaitFor([&] { return MinimapTrace(Screen()).Count > drawn + 3; });
  Xdo("keyup Up");
  EXPECT_TRUE(goesOn) << "the car does not move after the task";

  Xdo("key Escape");
  ASSERT_TRUE(WaitFor([] { return !FindWindow("Velnar - jazda"); }));
  ClickIn(WaitForWindow("Velnar"), 192 + 92, 78 + 12);  // "Zamknij program"
  int status = -1;
  ASSERT_TRUE(WaitFor([&] { return waitpid(program, &status, WNOHANG) == program; }));
  program = -1;
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}
