// A pupil's run of the real program: start the simulation from the start
// window, drive, stop with Space, read the instruments, answer the task,
// read the verdict, close the task, leave with Esc and quit. The program runs
// on the X server of $DISPLAY; the test waits for windows and for what the
// screen shows, never for a fixed time.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/qt_canvas.h"
#include "sim/embedded_assets.h"
#include "tests/e2e/x11_driver.h"

namespace {

using namespace e2e;

// The visible window whose whole name is `name`, where its inside lies.
std::optional<Geometry> FindWindow(const std::string& name) {
  const std::string id =
      Output("xdotool search --onlyvisible --name '^" + name + "$' 2>/dev/null | head -n1");
  if (id.empty()) return std::nullopt;
  return WindowGeometry(id);
}

Geometry WaitForWindow(const std::string& name) {
  std::optional<Geometry> g;
  EXPECT_TRUE(WaitFor([&] { return (g = FindWindow(name)).has_value(); })) << name;
  return g.value_or(Geometry{});
}

void Click(int x, int y) {
  Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

bool Yellow(QRgb c) {
  return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 80;
}

// Whether the read-out at (x, y) on the screen is exactly this text: every
// ink pixel of the text is yellow and no other pixel round it is.
bool ShowsText(const QImage& screen, QtCanvasBackend& fonts, int x, int y,
               const std::string& text) {
  const auto& r = fonts.Render(text, CanvasFont{});
  int ink = 0;
  for (std::size_t i = 0; i + 1 < r.Ink.size(); i += 2, ++ink)
    if (!Yellow(screen.pixel(x + r.Ink[i], y + r.Ink[i + 1]))) return false;
  int lit = 0;
  for (int py = y - 3; py < y + r.Height + 3; ++py)
    for (int px = x - 3; px < std::min(screen.width(), x + r.Width + 6); ++px)
      lit += Yellow(screen.pixel(px, py));
  return lit == ink;
}

// The number a read-out shows, trying each candidate in turn.
std::optional<int> ReadNumber(const QImage& screen, QtCanvasBackend& fonts, int x, int y,
                              const std::string& before, const std::string& after, int most) {
  for (int n = 0; n <= most; ++n)
    if (ShowsText(screen, fonts, x, y, before + std::to_string(n) + after)) return n;
  return std::nullopt;
}

class PupilRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under tests/x11/run-on-xvfb";
    static int argc = 1;
    static char name[] = "velnar-e2e";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) new QGuiApplication(argc, argv);

    pid = StartProgram(VELNAR_PROGRAM);
    ASSERT_GT(pid, 0);
  }
  void TearDown() override { StopProgram(pid); }
  pid_t pid = -1;
  QtCanvasBackend fonts;
};

}  // namespace

TEST_F(PupilRun, DriveAnswerAndLeave) {
  Geometry start = WaitForWindow("Velnar");
  Click(start.x + 192 + 92, start.y + 14 + 12);  // "Uruchom program"
  WaitForWindow("Velnar - jazda");

  // The first frame: the panel's read-outs appear.
  QImage screen;
  ASSERT_TRUE(WaitFor([&] {
    screen = Screen();
    return ShowsText(screen, fonts, 485, 320, "Droga s=0m");
  })) << "no frame with the read-outs";
  ASSERT_EQ(screen.width(), 640);

  // Up the left straight, then a short turn to the right.
  Xdo("keydown Up");
  std::optional<int> distance;
  ASSERT_TRUE(WaitFor([&] {
    screen = Screen();
    distance = ReadNumber(screen, fonts, 485, 320, "Droga s=", "m", 400);
    return distance && *distance >= 40;
  })) << "the car does not move";
  Xdo("keydown Right");
  ASSERT_TRUE(WaitFor([&] {
    const std::optional<int> now = ReadNumber(Screen(), fonts, 485, 320, "Droga s=", "m", 600);
    return now && *now >= *distance + 8;
  }));
  Xdo("keyup Right");

  // Space with the throttle still held stops the car and the clock and opens
  // the task; the throttle let go of only then must not start either again.
  Xdo("key space");
  const Geometry task = WaitForWindow("Zadanie");
  Xdo("keyup Up");
  auto readOuts = [&] {
    const QImage now = Screen();
    return std::pair(ReadNumber(now, fonts, 485, 320, "Droga s=", "m", 2000),
                     ReadNumber(now, fonts, 485, 300, "Czas t=", " s", 2000));
  };
  const auto [d, t] = readOuts();
  ASSERT_TRUE(d.has_value());
  ASSERT_TRUE(t.has_value());
  ASSERT_GT(*t, 0);
  // Nothing to wait for here but time itself: the figures must stand still.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const auto [d2, t2] = readOuts();
  EXPECT_EQ(d2, d) << "the car drove on behind the task";
  EXPECT_EQ(t2, t) << "the clock ran on behind the task";

  // The average speed from the read-outs, typed with a decimal comma.
  char answer[32];
  std::snprintf(answer, sizeof answer, "%.2f", static_cast<double>(*d) / *t);
  std::string typed = answer;
  typed[typed.find('.')] = ',';
  Click(task.x + 108 + 20, task.y + 112 + 10);  // Edit1
  Xdo("type --delay 30 '" + typed + "'");
  Click(task.x + 177 + 27, task.y + 114 + 9);  // "Sprawdź"

  const QImage smile = Icon(EmbeddedSmileIcon());
  const QImage sad = Icon(EmbeddedSadIcon());
  ASSERT_FALSE(smile.isNull());
  const int fx = task.x + 236, fy = task.y + 107;  // Image9
  ASSERT_TRUE(WaitFor([&] {
    screen = Screen();
    return Distance(screen, fx, fy, smile) < Distance(screen, fx, fy, sad);
  })) << "the right answer "
      << typed << " (" << *d << " m in " << *t << " s) was not judged right";
  EXPECT_LT(Distance(screen, fx, fy, smile), 32L * 32 * 3 * 8) << "the face is not the smiling one";

  // A wrong answer for the velocity gets the sad face.
  Click(task.x + 108 + 20, task.y + 163 + 10);  // Edit2
  Xdo("type --delay 30 '9999'");
  Click(task.x + 178 + 27, task.y + 165 + 9);
  const int gx = task.x + 239, gy = task.y + 158;  // Image1
  ASSERT_TRUE(WaitFor([&] {
    screen = Screen();
    return Distance(screen, gx, gy, sad) < Distance(screen, gx, gy, smile);
  }));

  // Close the task: the simulation goes on where it stopped.
  Xdo("key Return");
  ASSERT_TRUE(WaitFor([] { return !FindWindow("Zadanie"); }));
  screen = Screen();
  EXPECT_EQ(ReadNumber(screen, fonts, 485, 320, "Droga s=", "m", 2000), d);

  // Esc leaves the simulation for the start window, with "Uruchom program"
  // focused: Space starts a new run (it must not quit), from nought.
  Xdo("key Escape");
  ASSERT_TRUE(WaitFor([] { return !FindWindow("Velnar - jazda"); }));
  WaitForWindow("Velnar");
  Xdo("key space");
  WaitForWindow("Velnar - jazda");
  ASSERT_TRUE(WaitFor([&] { return ShowsText(Screen(), fonts, 485, 320, "Droga s=0m"); }))
      << "the second run is not new";
  // A run begun in reverse counts time as driving forward does.
  Xdo("keydown Down");
  const bool clockRuns = WaitFor([&] {
    const std::optional<int> t = ReadNumber(Screen(), fonts, 485, 300, "Czas t=", " s", 60);
    return t && *t >= 1;
  });
  Xdo("keyup Down");
  EXPECT_TRUE(clockRuns) << "reversing does not start the clock";

  // Esc again; "Zamknij program" quits.
  Xdo("key Escape");
  ASSERT_TRUE(WaitFor([] { return !FindWindow("Velnar - jazda"); }));
  start = WaitForWindow("Velnar");
  Click(start.x + 192 + 92, start.y + 78 + 12);
  int status = -1;
  ASSERT_TRUE(WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }));
  pid = -1;
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}
