#pragma once

// Driving the real program on the X server of $DISPLAY as a pupil would: keys
// and clicks through xdotool, the screen read back through ImageMagick, and
// waits on what the screen shows rather than on set times.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace e2e {

// What a shell command prints.
inline std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    pclose(pipe);
  }
  return out;
}

inline void Xdo(const std::string& args) {
  ASSERT_EQ(std::system(("xdotool " + args + " >/dev/null 2>&1").c_str()), 0) << args;
}

inline QImage Screen() {
  const std::string png = Output("import -window root png:- 2>/dev/null");
  return QImage::fromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()),
                          "PNG");
}

// Polls until the condition holds; false after the timeout.
inline bool WaitFor(const std::function<bool()>& condition, double seconds = 30) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return condition();
}

// Starts the program on the real X server, whatever platform the test itself
// uses. In a sanitizer build the program is checked for memory errors here;
// its leaks are the unit tests' business, since the X and OpenGL libraries it
// unloads at exit leave reports that name no module to suppress. It speaks
// Polish, whatever the machine's language or a choice remembered in the
// user's settings (they are looked for where there are none).
inline pid_t StartProgram(const char* path) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0 &&
        std::strncmp(*e, "ASAN_OPTIONS=", 13) != 0 && std::strncmp(*e, "LANGUAGE=", 9) != 0 &&
        std::strncmp(*e, "XDG_CONFIG_HOME=", 16) != 0)
      env.emplace_back(*e);
  env.emplace_back("QT_QPA_PLATFORM=xcb");
  env.emplace_back("ASAN_OPTIONS=detect_leaks=0");
  env.emplace_back("LANGUAGE=pl");
  env.emplace_back("XDG_CONFIG_HOME=/nonexistent/velnar-e2e");
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = path;
  char* args[] = {program.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, path, nullptr, nullptr, args, envp.data()) != 0) return -1;
  return pid;
}

// Ends the program if it still runs.
inline void StopProgram(pid_t& pid) {
  if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  pid = -1;
}

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
};

// Where the inside of a window lies on the screen (xwininfo counts a window
// manager's frame right; xdotool does not).
inline std::optional<Geometry> WindowGeometry(const std::string& id) {
  const std::string info = Output("xwininfo -id " + id + " 2>/dev/null");
  Geometry g;
  auto field = [&](const char* label, int& value) {
    const std::size_t at = info.find(label);
    return at != std::string::npos &&
           std::sscanf(info.c_str() + at + std::strlen(label), "%d", &value) == 1;
  };
  if (!field("Absolute upper-left X:", g.x) || !field("Absolute upper-left Y:", g.y) ||
      !field("Width:", g.width) || !field("Height:", g.height))
    return std::nullopt;
  return g;
}

// The 32 x 32 picture of an icon file.
inline QImage Icon(std::span<const std::uint8_t> bytes) {
  QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
  QBuffer buffer(&data);
  QImageReader reader(&buffer, "ico");
  for (QImage image; !(image = reader.read()).isNull(); reader.jumpToNextImage())
    if (image.width() == 32) return image.convertToFormat(QImage::Format_ARGB32);
  return QImage();
}

// How far a 32 x 32 area of the screen is from an icon laid on the
// background colour of that area.
inline long Distance(const QImage& screen, int x, int y, const QImage& icon) {
  const QRgb back = screen.pixel(x, y);
  long sum = 0;
  for (int j = 0; j < 32; ++j)
    for (int i = 0; i < 32; ++i) {
      const QRgb p = icon.pixel(i, j);
      const int a = qAlpha(p);
      auto mix = [&](int c, int b) { return (c * a + b * (255 - a)) / 255; };
      const QRgb s = screen.pixel(x + i, y + j);
      sum += std::abs(mix(qRed(p), qRed(back)) - qRed(s)) +
             std::abs(mix(qGreen(p), qGreen(back)) - qGreen(s)) +
             std::abs(mix(qBlue(p), qBlue(back)) - qBlue(s));
    }
  return sum;
}

}  // namespace e2e
