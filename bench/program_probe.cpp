// Drives the real program on the X server of $DISPLAY (a window manager
// running) and prints one JSON line of what a user would see and pay:
// - launch_ms: from the start of the process to its start window shown with
//   something drawn in it;
// - first_frame_ms: from Space on the focused "Uruchom program" to the
//   simulation window showing its frame (its middle row no longer one colour);
// - cpu_percent: the process's user and system time (from /proc/<pid>/stat)
//   over a stretch of driving (Up held, Right held now and then, so the car
//   keeps moving and the track scrolls), as a share of one core;
// - fps: frames put into the simulation window per second, counted
//   afterwards while still driving as the X server reports them (its DAMAGE
//   extension, one report per drawing request); -1 where the server has no
//   such extension;
// - xserver_cpu_percent: the X server's share over the same stretch (its
//   process id in VELNAR_XSERVER_PID; -1 without it);
// - memcpy_window_ms: a memcpy of as many bytes as the window image, timed
//   just before the stretch.
// Keys go through xdotool, as a user's would; the timings wait on the
// screen's contents, never on fixed sleeps.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

double NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void SleepMs(double ms) {
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(std::fmod(ms, 1000.0) * 1e6)};
  nanosleep(&ts, nullptr);
}

std::string NameOf(Display* d, Window w) {
  const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  const Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
  Atom type;
  int format;
  unsigned long n, after;
  unsigned char* data = nullptr;
  std::string name;
  if (XGetWindowProperty(d, w, netName, 0, 1024, False, utf8, &type, &format, &n, &after, &data) ==
          Success &&
      data) {
    name.assign(reinterpret_cast<char*>(data), n);
    XFree(data);
    return name;
  }
  char* plain = nullptr;
  if (XFetchName(d, w, &plain) && plain) {
    name = plain;
    XFree(plain);
  }
  return name;
}

// The viewable client window of that exact name, from the window manager's list.
Window FindWindow(Display* d, const std::string& wanted) {
  const Atom list = XInternAtom(d, "_NET_CLIENT_LIST", False);
  Atom type;
  int format;
  unsigned long n, after;
  unsigned char* data = nullptr;
  Window found = 0;
  if (XGetWindowProperty(d, DefaultRootWindow(d), list, 0, 4096, False, XA_WINDOW, &type, &format,
                         &n, &after, &data) == Success &&
      data) {
    const auto* windows = reinterpret_cast<Window*>(data);
    for (unsigned long i = 0; i < n && !found; ++i) {
      XWindowAttributes a;
      if (XGetWindowAttributes(d, windows[i], &a) && a.map_state == IsViewable &&
          NameOf(d, windows[i]) == wanted)
        found = windows[i];
    }
    XFree(data);
  }
  return found;
}

// A rectangle of the window as raw pixel values; empty when it cannot be read.
std::vector<unsigned long> Sample(Display* d, Window w, int x0, int y0, int width, int height) {
  std::vector<unsigned long> out;
  XImage* img = XGetImage(d, w, x0, y0, width, height, AllPlanes, ZPixmap);
  if (!img) return out;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) out.push_back(XGetPixel(img, x, y));
  XDestroyImage(img);
  return out;
}

// The middle row of the window, across its whole width: on the simulation
// screen it crosses the track, the panel frame and the minimap.
std::vector<unsigned long> MiddleRow(Display* d, Window w, const XWindowAttributes& a) {
  return Sample(d, w, 0, a.height / 2, a.width, 1);
}

// Counts the drawing requests into the window over ms milliseconds: the
// server reports each as one or more rectangles, the last with more false.
double FramesPerSecond(Display* d, Window w, double ms) {
  int eventBase = 0, errorBase = 0;
  if (!XDamageQueryExtension(d, &eventBase, &errorBase)) return -1;
  const Damage damage = XDamageCreate(d, w, XDamageReportRawRectangles);
  XSync(d, False);
  int frames = 0;
  const double t0 = NowMs();
  while (NowMs() - t0 < ms) {
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.type == eventBase + XDamageNotify &&
          !reinterpret_cast<const XDamageNotifyEvent&>(e).more)
        ++frames;
    }
    SleepMs(1);
  }
  XDamageDestroy(d, damage);
  XSync(d, False);
  return frames / ((NowMs() - t0) / 1000);
}

bool Varied(const std::vector<unsigned long>& pixels) {
  for (unsigned long p : pixels)
    if (p != pixels.front()) return true;
  return false;
}

int IgnoreErrors(Display*, XErrorEvent*) {
  return 0;  // a window may go between finding and reading it
}

double CpuSeconds(pid_t pid) {
  std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
  std::string s((std::istreambuf_iterator<char>(f)), {});
  const std::size_t close = s.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(s.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  // Fields from the third (state) on; utime and stime are the 14th and 15th.
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The median time of a memcpy of that many bytes (the window image's size)
// between two buffers: a reference for the host's speed in this stretch,
// which on a virtual machine drifts from minute to minute.
double MemcpyMs(std::size_t bytes) {
  std::vector<char> from(bytes, 1), to(bytes);
  std::vector<double> times;
  for (int i = 0; i < 15; ++i) {
    const double start = NowMs();
    std::memcpy(to.data(), from.data(), bytes);
    times.push_back(NowMs() - start);
    from[static_cast<std::size_t>(i)] = to[bytes - 1 - static_cast<std::size_t>(i)];
  }
  std::nth_element(times.begin(), times.begin() + 7, times.end());
  return times[7];
}

void Xdo(const std::string& args) {
  if (std::system(("xdotool " + args + " >/dev/null 2>&1").c_str()) != 0)
    std::fprintf(stderr, "xdotool %s failed\n", args.c_str());
}

// Waits (polling every millisecond) until the condition holds; false after timeoutMs.
template <class F>
bool WaitFor(F condition, double timeoutMs) {
  const double end = NowMs() + timeoutMs;
  while (NowMs() < end) {
    if (condition()) return true;
    SleepMs(1);
  }
  return condition();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PROGRAM [DRIVE_SECONDS]\n", argv[0]);
    return 2;
  }
  const double driveSeconds = argc > 2 ? std::atof(argv[2]) : 10;
  // The X server's share over the same stretch: work the program hands the
  // server (scaling, say) still costs the machine.
  const char* serverPid = std::getenv("VELNAR_XSERVER_PID");
  const pid_t server = serverPid ? static_cast<pid_t>(std::atoi(serverPid)) : 0;
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    std::fprintf(stderr, "no X display\n");
    return 1;
  }
  XSetErrorHandler(IgnoreErrors);

  pid_t pid;
  char* args[] = {argv[1], nullptr};
  const double launched = NowMs();
  if (posix_spawn(&pid, argv[1], nullptr, nullptr, args, environ) != 0) {
    std::fprintf(stderr, "cannot start %s\n", argv[1]);
    return 1;
  }
  int status = 0;
  const auto fail = [&](const char* what) {
    std::fprintf(stderr, "%s\n", what);
    kill(pid, SIGTERM);
    waitpid(pid, &status, 0);
    return 1;
  };

  // The start window, drawn: its logos and buttons make it more than one colour.
  Window start = 0;
  double shown = 0;
  if (!WaitFor(
          [&] {
            if (!start) start = FindWindow(d, "Velnar");
            if (!start) return false;
            XWindowAttributes a;
            if (!XGetWindowAttributes(d, start, &a)) return false;
            if (a.width < 8 || a.height < 8 || !Varied(Sample(d, start, 0, 0, a.width, a.height)))
              return false;
            shown = NowMs();
            return true;
          },
          30000)) {
    // What there was instead, for the reader of the error.
    const Window w = FindWindow(d, "Velnar");
    std::fprintf(stderr, "start window %s\n", w ? "found but never drawn" : "not listed");
    if (waitpid(pid, &status, WNOHANG) == pid)
      std::fprintf(stderr, "the program ended with status %d\n", status);
    std::system("xprop -root _NET_CLIENT_LIST >&2; xdotool search --name . getwindowname >&2");
    return fail("the start window never showed");
  }

  // Space presses the focused "Uruchom program".
  Xdo("windowactivate --sync " + std::to_string(start));
  const double pressed = NowMs();
  Xdo("key space");
  Window sim = 0;
  double firstFrame = 0;
  if (!WaitFor(
          [&] {
            if (!sim) sim = FindWindow(d, "Velnar - jazda");
            if (!sim) return false;
            XWindowAttributes a;
            if (!XGetWindowAttributes(d, sim, &a) || a.width < 64) return false;
            if (!Varied(MiddleRow(d, sim, a))) return false;
            firstFrame = NowMs();
            return true;
          },
          30000))
    return fail("the simulation never drew a frame");

  XWindowAttributes simAttr;
  XGetWindowAttributes(d, sim, &simAttr);
  // Drive: Up held, Right held for a while in every 1.5 s, so the car circles
  // and the track keeps scrolling. A second of driving first, then the sample.
  Xdo("keydown Up");
  const auto steer = [&](double ms) {
    const double end = NowMs() + ms;
    bool right = false;
    while (NowMs() < end) {
      const bool want = std::fmod(NowMs(), 1500.0) < 400.0;
      if (want != right) {
        Xdo(want ? "keydown Right" : "keyup Right");
        right = want;
      }
      SleepMs(20);
    }
    if (right) Xdo("keyup Right");
  };
  steer(1000);
  const double window = MemcpyMs(static_cast<std::size_t>(simAttr.width) * simAttr.height * 4);
  const double cpu0 = CpuSeconds(pid), server0 = server > 0 ? CpuSeconds(server) : 0;
  const double t0 = NowMs();
  steer(driveSeconds * 1000);
  const double cpu1 = CpuSeconds(pid), server1 = server > 0 ? CpuSeconds(server) : 0;
  const double t1 = NowMs();

  // Frames: each request that draws into the window is one presented frame
  // (the present sends only what changed, so a frame identical to the one
  // before counts for nothing, as it shows nothing new).
  const double fps = FramesPerSecond(d, sim, 2000);
  Xdo("keyup Up");

  kill(pid, SIGTERM);
  waitpid(pid, &status, 0);
  XCloseDisplay(d);

  const double seconds = (t1 - t0) / 1000;
  std::printf(
      "{\"screen\": \"%dx%d\", \"launch_ms\": %.1f, \"first_frame_ms\": %.1f, "
      "\"cpu_percent\": %.2f, \"fps\": %.1f, \"xserver_cpu_percent\": %.2f, "
      "\"memcpy_window_ms\": %.3f}\n",
      simAttr.width, simAttr.height, shown - launched, firstFrame - pressed,
      100.0 * (cpu1 - cpu0) / seconds, fps,
      server > 0 ? 100.0 * (server1 - server0) / seconds : -1.0, window);
  return 0;
}
