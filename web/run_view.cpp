// What the browser's run window "Przebieg jazdy" (run_window.js) reads of the
// run: the lesson's rows, charts, averages, CSV and replay moments, all made
// here by the same code as on the desktop, so that the page shows the
// desktop's figures digit for digit and computes none of its own.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "gfx/dib.h"
#include "gfx/stream.h"
#include "lesson/run_figures.h"
#include "lesson/run_series.h"
#include "lesson/run_view.h"
#include "sim/car_model.h"
#include "sim/number_format.h"
#include "sim/picture_catalogue.h"
#include "sim/race_car.h"
#include "sim/track_map.h"
#include "sim/velnar_form.h"

namespace {

enum Series { DistanceLine, DisplacementLine, SpeedSteps, VxSteps, VySteps, SeriesCount };

struct RunView {
  std::vector<RunRow> rows;
  RunAverages averages;
  std::vector<ChartPoint> series[SeriesCount];
  std::vector<float> path;  // x, y of each point's car centre, in track pixels
  std::string text;
};

RunView& View() {
  static RunView view;
  return view;
}

const RunRecording& Recording() {
  static const RunRecording none;
  return VelnarForm1 ? VelnarForm1->Recording : none;
}

void AppendNumber(std::string& out, const char* name, double value) {
  char number[40];
  std::snprintf(number, sizeof number, "%.17g", value);
  out += '"';
  out += name;
  out += "\":";
  out += number;
  out += ',';
}

void AppendText(std::string& out, const char* name, const std::string& value) {
  // The texts are numbers, units and Polish words: no quote or backslash.
  out += '"';
  out += name;
  out += "\":\"";
  out += value;
  out += "\",";
}

std::string Closed(std::string json) {
  if (json.back() == ',') json.pop_back();
  return json + '}';
}

}  // namespace

extern "C" {

// Takes the run as it stands now (the task is open, the car stands) and
// returns its figures for the window as JSON: the count of rows, the charts'
// extents and the averages' legend texts.
EMSCRIPTEN_KEEPALIVE const char* velnar_run_open() {
  RunView& v = View();
  const RunRecording& recording = Recording();
  v.rows = RunRows(recording.Samples());
  const RunFigures figures =
      VelnarForm1 && VelnarForm1->Car ? FiguresOf(VelnarForm1->Car->Model) : RunFigures{};
  v.averages = AveragesOf(figures);
  v.series[DistanceLine] = Decimated(RunLine(v.rows, &RunRow::S), ChartBuckets);
  v.series[DisplacementLine] = Decimated(RunLine(v.rows, &RunRow::R), ChartBuckets);
  v.series[SpeedSteps] = Decimated(RunSteps(v.rows, &RunRow::V), ChartBuckets);
  v.series[VxSteps] = Decimated(RunSteps(v.rows, &RunRow::Vx), ChartBuckets);
  v.series[VySteps] = Decimated(RunSteps(v.rows, &RunRow::Vy), ChartBuckets);

  v.path.resize(recording.PathSize() * 2);
  for (std::size_t i = 0; i < recording.PathSize(); ++i) {
    const PathPoint c = CarCentreOnTrack(recording.PathAt(i));
    v.path[2 * i] = static_cast<float>(c.X);
    v.path[2 * i + 1] = static_cast<float>(c.Y);
  }

  // The charts' extents, as the desktop's axes take them.
  const RunAverages& a = v.averages;
  double sMax = 0, vMax = a.Speed;
  double low = std::min({0.0, a.Vx, a.Vy});
  double high = std::max({0.0, a.Vx, a.Vy, a.Velocity});
  for (const RunRow& r : v.rows) {
    sMax = std::max({sMax, r.S, r.R});
    vMax = std::max(vMax, r.V);
    low = std::min({low, r.Vx, r.Vy});
    high = std::max({high, r.Vx, r.Vy});
  }
  const PathPoint start =
      CarCentreOnTrack({static_cast<double>(StartX), static_cast<double>(StartY)});
  std::string& json = v.text;
  json = "{";
  AppendNumber(json, "rows", static_cast<double>(v.rows.size()));
  AppendNumber(json, "tMax", v.rows.empty() ? 1 : std::max<double>(1, v.rows.back().T));
  AppendNumber(json, "sMax", sMax);
  AppendNumber(json, "vMax", vMax);
  AppendNumber(json, "low", low);
  AppendNumber(json, "high", high);
  AppendNumber(json, "speed", a.Speed);
  AppendNumber(json, "vx", a.Vx);
  AppendNumber(json, "vy", a.Vy);
  AppendNumber(json, "startX", start.X);
  AppendNumber(json, "startY", start.Y);
  AppendNumber(json, "trackWidth", MapColumns * TileSize);
  AppendNumber(json, "trackHeight", MapRows * TileSize);
  AppendText(json, "speedLabel", "s/t = " + FormatFixed(a.Speed, 2) + " m/s");
  AppendText(json, "vxLabel", "Rx/t = " + FormatFixed(a.Vx, 2) + " m/s");
  AppendText(json, "vyLabel", "Ry/t = " + FormatFixed(a.Vy, 2) + " m/s");
  AppendText(json, "velocityLabel", "|R|/t = " + FormatFixed(a.Velocity, 2) + " m/s");
  json = Closed(json);
  return json.c_str();
}

// A chart's series as x, y pairs: 0 s and 1 |R| against t, 2 v, 3 vx and 4 vy
// as steps across their ticks; thinned as on the desktop.
EMSCRIPTEN_KEEPALIVE const double* velnar_run_series(int which, int* count) {
  const std::vector<ChartPoint>& s = View().series[std::clamp(which, 0, SeriesCount - 1)];
  static_assert(sizeof(ChartPoint) == 2 * sizeof(double));
  *count = static_cast<int>(s.size());
  return s.empty() ? nullptr : &s.front().X;
}

// The path's points, the car's centre at each, as x, y in track pixels.
EMSCRIPTEN_KEEPALIVE const float* velnar_run_path(int* count) {
  *count = static_cast<int>(View().path.size() / 2);
  return View().path.data();
}

// The values shown beside the charts at a row, as the desktop writes them,
// with the label of the area under the speed.
EMSCRIPTEN_KEEPALIVE const char* velnar_run_values(int row) {
  RunView& v = View();
  if (v.rows.empty()) return "{}";
  const RunRow& r = v.rows[static_cast<std::size_t>(std::clamp<int>(row, 0, v.rows.size() - 1))];
  std::string& json = v.text;
  json = "{";
  AppendText(json, "t", std::to_string(r.T));
  AppendNumber(json, "time", r.T);
  AppendText(json, "s", FormatFixed(r.S, 1));
  AppendText(json, "r", FormatFixed(r.R, 1));
  AppendText(json, "rx", FormatFixed(r.Rx, 1));
  AppendText(json, "ry", FormatFixed(r.Ry, 1));
  AppendText(json, "v", FormatFixed(r.V, 2));
  AppendText(json, "vx", FormatFixed(r.Vx, 2));
  AppendText(json, "vy", FormatFixed(r.Vy, 2));
  AppendText(json, "area", "s = " + FormatFixed(r.S, 1) + " m");
  json = Closed(json);
  return json.c_str();
}

// The replay at `position` rows: the count of path points driven, and the
// car's centre in track pixels written to car[0], car[1].
EMSCRIPTEN_KEEPALIVE int velnar_run_moment(double position, double* car) {
  const ReplayMoment m = MomentOf(Recording(), position);
  const PathPoint c = CarCentreOnTrack(m.Car);
  car[0] = c.X;
  car[1] = c.Y;
  return static_cast<int>(m.DrivenPoints);
}

// The run as CSV, as the desktop saves it.
EMSCRIPTEN_KEEPALIVE const char* velnar_run_csv() {
  RunView& v = View();
  v.text = RunCsv(v.rows);
  return v.text.c_str();
}

// The whole track at one pixel per world pixel, from the track's own tile
// pictures, as RGBA rows; made once.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* velnar_track_picture() {
  static std::vector<std::uint8_t> picture;
  if (!picture.empty()) return picture.data();
  const int width = MapColumns * TileSize, height = MapRows * TileSize;
  picture.assign(static_cast<std::size_t>(width) * height * 4, 0);
  for (std::size_t i = 3; i < picture.size(); i += 4) picture[i] = 255;
  const PictureCatalogueItem& item = PictureCatalogue()[PictureDroga];
  TBytesStream data(item.Data.data(), item.Data.size());
  TPicture tiles;
  tiles.ReadData(data);
  const TDIB* sheet = tiles.Graphic();
  if (!sheet) return picture.data();
  const int perRow = sheet->Width() / TileSize;
  for (int r = 0; r < MapRows; ++r)
    for (int c = 0; c < MapColumns; ++c) {
      const int pattern = TrackMap[r * MapColumns + c];
      const int sx = (pattern % perRow) * TileSize, sy = (pattern / perRow) * TileSize;
      for (int y = 0; y < TileSize; ++y) {
        std::uint8_t* out =
            &picture[(static_cast<std::size_t>(r * TileSize + y) * width + c * TileSize) * 4];
        for (int x = 0; x < TileSize; ++x, out += 4) {
          const TColor colour = sheet->PixelColor(sx + x, sy + y);
          out[0] = colour & 0xFF;
          out[1] = (colour >> 8) & 0xFF;
          out[2] = (colour >> 16) & 0xFF;
        }
      }
    }
  return picture.data();
}

}  // extern "C"
