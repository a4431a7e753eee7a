// Drives the car through scripted runs and prints, for each run, one digest of
// every figure the car and its instruments computed at every frame: position,
// heading, speed, distance, displacement, the texts, the odometer cells, the
// needle, the minimap's arrows and the run's recording. Then it renders two
// frames of the simulation window and compares them with the committed
// pictures. Built with x87 long double, with the portable extended type and
// as WebAssembly, it must give the same digests as the x87 build that wrote
// expected_digest.txt.
//
//   drive_digest --arithmetic x87|soft --check FILE --golden DIR
//   drive_digest --write FILE --golden DIR   (new expected digests and pictures)

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gfx/dib.h"
#include "gfx/stream.h"
#include "sim/car_model.h"
#include "sim/extended.h"
#include "sim/instrument_panel.h"
#include "sim/minimap.h"
#include "sim/run_recording.h"
#include "sim/track_map.h"
#include "sim/velnar_form.h"
#include "tests/common/golden_state.h"
#include "tests/common/headless_scene.h"

namespace {

constexpr int Drives = 200;
constexpr int FramesPerDrive = 2000;

// FNV-1a over the bits of every figure.
class Digest {
 public:
  void Bytes(const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) hash_ = (hash_ ^ p[i]) * 0x100000001B3ULL;
  }
  void Add(double v) { Bytes(&v, sizeof v); }
  void Add(std::int64_t v) { Bytes(&v, sizeof v); }
  void Add(const std::string& s) {
    Add(static_cast<std::int64_t>(s.size()));
    Bytes(s.data(), s.size());
  }
  void Add(MapPoint p) {
    Add(std::int64_t{p.X});
    Add(std::int64_t{p.Y});
  }
  std::uint64_t Value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xCBF29CE484222325ULL;
};

// SplitMix64: the same numbers from every standard library.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }

 private:
  std::uint64_t state_;
};

// A car with its run's recording and the 300 ms clock, as the simulation
// window keeps them.
class Run {
 public:
  void Frame(std::uint32_t lag, const TDXInputStates& keys) {
    car_.Step(lag, keys);
    recording_.RecordPosition(car_.X, car_.Y);
    if (car_.Started) {
      for (clockMs_ += lag; clockMs_ >= 300; clockMs_ -= 300) {
        car_.TimeTick();
        recording_.RecordTick(car_);
      }
    } else {
      clockMs_ = 0;
    }
    AddFigures();
  }
  void Stop() {
    car_.Stop();
    recording_.RecordStop(car_);
  }

  std::uint64_t Finish() {
    for (const RunSample& s : recording_.Samples()) {
      digest_.Add(std::int64_t{s.Tick});
      digest_.Add(std::int64_t{s.PathPoints});
      for (double v : {s.Distance, s.Rx, s.Ry, s.RLength, s.X, s.Y}) digest_.Add(v);
    }
    for (std::size_t i = 0; i < recording_.PathSize(); ++i) {
      digest_.Add(recording_.PathAt(i).X);
      digest_.Add(recording_.PathAt(i).Y);
    }
    for (const MinimapRun& r : recording_.MinimapRuns())
      for (int v : {r.Y, r.Left, r.Right}) digest_.Add(std::int64_t{v});
    return digest_.Value();
  }

 private:
  void AddFigures() {
    const CarModel& c = car_;
    for (double v : {c.X, c.Y, c.Heading, c.Speed, c.Distance, c.Rx, c.Ry, c.RLength})
      digest_.Add(v);
    digest_.Add(std::int64_t{c.TileIndex});
    for (const std::string* s : {&c.RxText, &c.RyText, &c.RLengthText, &c.TimeText})
      digest_.Add(*s);
    const OdometerCells cells = OdometerCellsFor(c.Distance);
    for (int v : {cells.RedUpperPattern, cells.RedUpperY, cells.RedLowerPattern, cells.RedLowerY})
      digest_.Add(std::int64_t{v});
    for (int v : cells.BlackDigits) digest_.Add(std::int64_t{v});
    digest_.Add(NeedleAngleFor(c.Speed));
    digest_.Add(ReadOutsFor(c.RxText, c.RyText, c.RLengthText, c.TimeText, c.Distance)[4].Text);
    const MapPoint m = MinimapPoint(c.X, c.Y), o = MinimapOrigin;
    for (MapPoint tip : {MapPoint{o.X, m.Y}, MapPoint{m.X, o.Y}, m}) {
      const auto [p, q] = ArrowHeadPoints(o.X, o.Y, tip.X, tip.Y);
      digest_.Add(p);
      digest_.Add(q);
    }
  }

  CarModel car_;
  RunRecording recording_;
  std::uint32_t clockMs_ = 0;
  Digest digest_;
};

// Keys held for a while, as a pupil holds them, with every lag from 1 to 250 ms
// and now and then a stop for the task.
std::uint64_t RandomDrive(int index) {
  Random random(0x5EED0000ULL + static_cast<std::uint64_t>(index));
  Run run;
  TDXInputStates keys{isUp};
  for (int frame = 0; frame < FramesPerDrive; ++frame) {
    if (random.Below(16) == 0) {
      keys = {};
      if (random.Below(4) != 0) keys.Include(isUp);
      if (random.Below(6) == 0) keys.Include(isDown);
      if (random.Below(3) == 0) keys.Include(random.Below(2) ? isLeft : isRight);
    }
    if (random.Below(500) == 0) run.Stop();
    run.Frame(1 + random.Below(250), keys);
  }
  return run.Finish();
}

// The drive of the recording test: up the left straight, through the bend to
// the right, a stop, reversing, and on again.
struct BendLeg {
  int Frames;
  TDXInputStates Keys;
  bool StopAfter;
};
const BendLeg BendDrive[] = {
    {5, {}, false},     {110, {isUp}, false},  {24, {isUp, isRight}, false},
    {60, {isUp}, true}, {20, {isDown}, false}, {40, {isUp}, false},
};

std::uint64_t Bend() {
  Run run;
  for (const BendLeg& leg : BendDrive) {
    for (int i = 0; i < leg.Frames; ++i) run.Frame(16, leg.Keys);
    if (leg.StopAfter) run.Stop();
  }
  return run.Finish();
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The back buffer as a BMP file, as the golden-frame test writes it.
std::vector<std::uint8_t> FrameFile(TVelnarForm1& form) {
  TDIB frame;
  form.DXDraw1->Surface()->AssignTo(frame);
  TMemoryStream out;
  frame.SaveToStream(out);
  return out.Bytes();
}

// Two frames of the real simulation window on the headless display: the
// golden-frame test's fixed state, and the bend drive's last frame driven
// through the keyboard, the frame timer and the car's sprite. The canvas
// paints nothing, as in the golden-frame test, so the frames hold the pictures.
bool Frames(const std::string& goldenDir, bool write) {
  HeadlessScene scene;
  ScriptedKeyState& keys = scene.keys;
  bool same = true;
  auto compare = [&](TVelnarForm1& form, const char* name) {
    const std::string path = goldenDir + "/" + name;
    const std::vector<std::uint8_t> bytes = FrameFile(form);
    if (write)
      std::ofstream(path, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    const bool equal = !bytes.empty() && ReadFile(path) == bytes;
    std::printf("frame %s: %s\n", name, equal ? "same" : "DIFFERENT");
    same = same && equal;
  };

  auto* form = new TVelnarForm1();
  TWyscigowkaDX& car = *form->Car;
  PlaceGoldenCar(car);
  form->DXTimer1Timer(form, 1);
  compare(*form, "frame.bmp");
  delete form;

  constexpr int VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40, VK_SPACE = 32;
  form = new TVelnarForm1();
  for (const BendLeg& leg : BendDrive) {
    keys.keys = {};
    if (leg.Keys.Contains(isUp)) keys.Press(VK_UP);
    if (leg.Keys.Contains(isRight)) keys.Press(VK_RIGHT);
    if (leg.Keys.Contains(isDown)) keys.Press(VK_DOWN);
    for (int i = 0; i < leg.Frames; ++i) form->DXTimer1Timer(form, 16);
    std::uint16_t space = VK_SPACE;
    if (leg.StopAfter) form->FormKeyDown(form, space, {});
  }
  compare(*form, "drive.bmp");
  delete form;
  return same;
}

int Usage() {
  std::fprintf(stderr,
               "usage: drive_digest [--arithmetic x87|soft] (--check FILE | --write FILE)"
               " [--golden DIR]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string arithmetic, check, write, golden;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--arithmetic")
      arithmetic = argv[i + 1];
    else if (option == "--check")
      check = argv[i + 1];
    else if (option == "--write")
      write = argv[i + 1];
    else if (option == "--golden")
      golden = argv[i + 1];
    else
      return Usage();
  }
  if (check.empty() == write.empty()) return Usage();

  // A build that computes with another type than it should proves nothing.
  const std::string built = ExtendedIsX87 ? "x87" : "soft";
  std::printf("arithmetic: %s\n", built.c_str());
  if (!arithmetic.empty() && arithmetic != built) {
    std::printf("built with %s arithmetic, expected %s\n", built.c_str(), arithmetic.c_str());
    return 1;
  }

  std::string digests;
  char line[64];
  for (int i = 0; i < Drives; ++i) {
    std::snprintf(line, sizeof line, "drive %d: %016llx\n", i,
                  static_cast<unsigned long long>(RandomDrive(i)));
    digests += line;
  }
  std::snprintf(line, sizeof line, "bend: %016llx\n", static_cast<unsigned long long>(Bend()));
  digests += line;

  bool same = true;
  if (!write.empty()) {
    std::ofstream(write) << digests;
  } else {
    const std::vector<std::uint8_t> expected = ReadFile(check);
    same = !expected.empty() && std::string(expected.begin(), expected.end()) == digests;
    if (!same) std::printf("digests differ from %s:\n%s", check.c_str(), digests.c_str());
  }
  std::printf("%d random drives of %d frames and the bend drive: %s\n", Drives, FramesPerDrive,
              same ? "same digests" : "DIFFERENT digests");

  if (!golden.empty()) same = Frames(golden, !write.empty()) && same;
  return same ? 0 : 1;
}
