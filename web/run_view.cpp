// What the browser's run window "Przebieg jazdy" (run_window.js) reads of the
// run: the lesson's model of the window (lesson/run_window_model.h) as JSON and
// arrays, the same model the desktop's window draws, so that the page shows
// the desktop's figures, words and colours digit for digit and decides none
// of its own.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "lesson/run_figures.h"
#include "lesson/run_window_model.h"
#include "sim/car_model.h"
#include "sim/race_car.h"
#include "sim/velnar_form.h"

namespace {

// JSON written as it goes: commas between the members of whatever is open.
class Json {
 public:
  Json& Open(char bracket) {
    Comma();
    text_ += bracket;
    first_.push_back(true);
    return *this;
  }
  Json& Close(char bracket) {
    text_ += bracket;
    first_.pop_back();
    return *this;
  }
  Json& Key(const char* name) {
    Comma();
    Quoted(name);
    text_ += ':';
    afterKey_ = true;
    return *this;
  }
  Json& Number(double value) {
    Comma();
    char number[40];
    std::snprintf(number, sizeof number, "%.17g", value);
    text_ += number;
    return *this;
  }
  Json& Bool(bool value) {
    Comma();
    text_ += value ? "true" : "false";
    return *this;
  }
  Json& Null() {
    Comma();
    text_ += "null";
    return *this;
  }
  Json& String(const std::string& value) {
    Comma();
    Quoted(value);
    return *this;
  }
  Json& Colour(const Rgba& c) {
    char css[48];
    std::snprintf(css, sizeof css, "rgba(%d,%d,%d,%.6g)", c.R, c.G, c.B, c.A / 255.0);
    return String(css);
  }
  Json& Point(PathPoint p) { return Open('[').Number(p.X).Number(p.Y).Close(']'); }
  const std::string& Text() const { return text_; }

 private:
  void Comma() {
    if (afterKey_) {
      afterKey_ = false;
      return;
    }
    if (first_.empty()) return;
    if (!first_.back()) text_ += ',';
    first_.back() = false;
  }
  void Quoted(const std::string& value) {
    text_ += '"';
    for (char c : value) {
      if (c == '"' || c == '\\') text_ += '\\';
      text_ += c;
    }
    text_ += '"';
  }

  std::string text_;
  std::vector<bool> first_;
  bool afterKey_ = false;
};

struct RunView {
  std::optional<RunWindowModel> model;
  std::vector<float> path;  // x, y of each point in track pixels
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

const char* Returned(const Json& json) {
  View().text = json.Text();
  return View().text.c_str();
}

void Axis(Json& json, const ChartAxis& axis) {
  json.Open('{').Key("title").String(axis.Title);
  json.Key("min").Number(axis.Min).Key("max").Number(axis.Max);
  json.Key("ticks").Open('[');
  for (double tick : axis.Ticks()) json.Number(tick);
  json.Close(']').Close('}');
}

// Which lines are shown and the legend's keys, as the model has them now.
void Shown(Json& json, const RunWindowModel& model) {
  json.Open('[');
  for (std::size_t c = 0; c < RunChartCount; ++c) {
    json.Open('{').Key("shown").Open('[');
    for (std::size_t i = 0; i < model.Chart(c).Lines.size(); ++i) json.Bool(model.LineShown(c, i));
    json.Close(']').Key("legend").Open('[');
    for (const LegendEntry& entry : model.Legend(c)) {
      json.Open('{').Key("text").String(entry.Text).Key("colour").Colour(entry.Colour);
      json.Key("dashed").Bool(entry.Style == LineStyle::Dashed);
      json.Key("line").Number(static_cast<double>(entry.Line)).Close('}');
    }
    json.Close(']').Close('}');
  }
  json.Close(']');
}

void Marker(Json& json, const TrackMarker& marker) {
  json.Open('{').Key("at").Point(marker.At).Key("label").String(marker.Label);
  json.Key("colour").Colour(marker.Colour).Close('}');
}

}  // namespace

extern "C" {

// Takes the run as it stands now (the task is open, the car stands) and
// returns the window's model as JSON: the rows, the charts with their axes,
// lines and legends, the replay's tempos, the colours and the track's size.
EMSCRIPTEN_KEEPALIVE const char* velnar_run_open(int averagesShown) {
  RunView& v = View();
  const RunRecording& recording = Recording();
  const RunFigures figures =
      VelnarForm1 && VelnarForm1->Car ? FiguresOf(VelnarForm1->Car->Model) : RunFigures{};
  const RunWindowModel& model = v.model.emplace(recording, figures, averagesShown != 0);

  v.path.resize(model.PathSize() * 2);
  for (std::size_t i = 0; i < model.PathSize(); ++i) {
    const PathPoint c = model.PathAt(i);
    v.path[2 * i] = static_cast<float>(c.X);
    v.path[2 * i + 1] = static_cast<float>(c.Y);
  }

  Json json;
  json.Open('{');
  json.Key("rows").Number(static_cast<double>(model.Rows().size()));
  json.Key("last").Number(model.LastPosition());
  json.Key("canReplay").Bool(model.CanReplay());
  json.Key("track").Point(RunWindowModel::TrackSize());
  json.Key("pathWidth").Number(TrackPathWidth);
  json.Key("markerRadius").Number(MarkerRadius);
  json.Key("carRadius").Number(CarRadius);
  json.Key("speeds").Open('[');
  for (int factor : PlaySpeeds)
    json.Open('{')
        .Key("factor")
        .Number(factor)
        .Key("text")
        .String(PlaySpeedText(factor))
        .Close('}');
  json.Close(']');
  json.Key("colours").Open('{');
  json.Key("path").Colour(RunColours::Path).Key("pathToCome").Colour(RunColours::PathToCome);
  json.Key("arrow").Colour(RunColours::Arrow).Key("markerRing").Colour(RunColours::MarkerRing);
  json.Key("car").Colour(RunColours::Car).Key("carRing").Colour(RunColours::CarRing);
  json.Key("labelShadow").Colour(RunColours::LabelShadow);
  json.Key("labelText").Colour(RunColours::LabelText);
  json.Key("cursor").Colour(RunColours::Cursor).Key("shade").Colour(RunColours::SpeedShade);
  json.Key("shadeText").Colour(RunColours::SpeedShadeText);
  json.Key("shadeBox").Colour(RunColours::ShadeLabelBox);
  json.Close('}');
  json.Key("charts").Open('[');
  for (std::size_t c = 0; c < RunChartCount; ++c) {
    const RunChartModel& chart = model.Chart(c);
    json.Open('{').Key("title").String(chart.Title);
    json.Key("x");
    Axis(json, chart.X);
    json.Key("y");
    Axis(json, chart.Y);
    json.Key("lines").Open('[');
    for (const ChartLine& line : chart.Lines) {
      json.Open('{').Key("label").String(line.Label).Key("colour").Colour(line.Colour);
      json.Key("dashed").Bool(line.Style == LineStyle::Dashed).Close('}');
    }
    json.Close(']');
    json.Key("shaded").Number(chart.ShadedLine ? static_cast<double>(*chart.ShadedLine) : -1);
    json.Close('}');
  }
  json.Close(']');
  json.Key("state");
  Shown(json, model);
  json.Close('}');
  return Returned(json);
}

// The averages shown ("Pokaż wynik"): which lines show and the legends now,
// as in "state" of velnar_run_open.
EMSCRIPTEN_KEEPALIVE const char* velnar_run_show_averages() {
  RunWindowModel& model = *View().model;
  model.ShowAverages();
  Json json;
  Shown(json, model);
  return Returned(json);
}

// The window closed: what its opening made is freed.
EMSCRIPTEN_KEEPALIVE void velnar_run_close() {
  RunView& v = View();
  v.model.reset();
  std::vector<float>().swap(v.path);
  std::string().swap(v.text);
}

// A chart line's points as x, y pairs (thinned for long runs, as on the
// desktop).
EMSCRIPTEN_KEEPALIVE const double* velnar_run_line(int chart, int line, int* count) {
  const std::vector<ChartPoint>& points = View()
                                              .model->Chart(static_cast<std::size_t>(chart))
                                              .Lines[static_cast<std::size_t>(line)]
                                              .Points;
  static_assert(sizeof(ChartPoint) == 2 * sizeof(double));
  *count = static_cast<int>(points.size());
  return points.empty() ? nullptr : &points.front().X;
}

// The path's points as x, y in track pixels.
EMSCRIPTEN_KEEPALIVE const float* velnar_run_path(int* count) {
  *count = static_cast<int>(View().path.size() / 2);
  return View().path.data();
}

// The values shown beside the charts at a row, with the label of the area
// under the speed; or the message that stands instead of them.
EMSCRIPTEN_KEEPALIVE const char* velnar_run_values(int row) {
  const MomentValues values = View().model->ValuesAt(static_cast<std::size_t>(std::max(0, row)));
  Json json;
  json.Open('{').Key("time").Number(values.Time).Key("area").String(values.AreaLabel);
  json.Key("message").Open('[');
  for (const std::string& line : values.Message) json.String(line);
  json.Close(']').Key("grid").Open('[');
  for (const std::array<ValueCell, 2>& row : values.Grid) {
    json.Open('[');
    for (const ValueCell& cell : row) {
      if (cell.Name.empty()) {
        json.Null();
        continue;
      }
      json.Open('{').Key("name").String(cell.Name).Key("number").String(cell.Number);
      json.Key("unit").String(cell.Unit).Close('}');
    }
    json.Close(']');
  }
  json.Close(']').Close('}');
  return Returned(json);
}

// The track picture at a replay position: the path driven, the markers, the
// car and the arrows, in track pixels.
EMSCRIPTEN_KEEPALIVE const char* velnar_run_scene(double position) {
  const TrackScene scene = View().model->SceneAt(position);
  Json json;
  json.Open('{').Key("driven").Number(static_cast<double>(scene.DrivenPoints));
  json.Key("points").Number(static_cast<double>(scene.PathPoints));
  json.Key("start");
  Marker(json, scene.Start);
  json.Key("end");
  if (scene.End)
    Marker(json, *scene.End);
  else
    json.Null();
  json.Key("car");
  if (scene.Car)
    json.Point(*scene.Car);
  else
    json.Null();
  json.Key("arrows").Open('[');
  for (const TrackArrow& a : scene.Arrows) {
    json.Open('{').Key("from").Point(a.From).Key("to").Point(a.To).Key("label").String(a.Label);
    json.Key("width").Number(a.Width).Key("over").Bool(a.OverPath).Close('}');
  }
  json.Close(']').Close('}');
  return Returned(json);
}

// An arrow's head and label in screen pixels: head[0..1] and head[2..3] end
// its two strokes, head[4..5] is where its label starts. 0 when the arrow is
// too short to draw.
EMSCRIPTEN_KEEPALIVE int velnar_run_arrow(double fromX, double fromY, double toX, double toY,
                                          double width, double* head) {
  const std::optional<ArrowShape> shape = ArrowShapeOf({fromX, fromY}, {toX, toY}, width);
  if (!shape) return 0;
  const PathPoint points[] = {shape->HeadLeft, shape->HeadRight, shape->LabelAt};
  for (int i = 0; i < 3; ++i) {
    head[2 * i] = points[i].X;
    head[2 * i + 1] = points[i].Y;
  }
  return 1;
}

// Where a marker's label starts across, in screen pixels.
EMSCRIPTEN_KEEPALIVE double velnar_run_marker_label(double x, double y, double labelWidth,
                                                    double rightEdge) {
  return MarkerLabelLeft({x, y}, labelWidth, rightEdge);
}

// "Odtwórz" at `position`: where the replay starts.
EMSCRIPTEN_KEEPALIVE double velnar_run_replay_start(double position) {
  return View().model->ReplayStart(position);
}

// The replay `elapsed` milliseconds later at `speed`, written to *next;
// returns 1 when the replay stops there.
EMSCRIPTEN_KEEPALIVE int velnar_run_advance(double position, double elapsed, int speed,
                                            double* next) {
  const ReplayStep step = View().model->ReplayAdvance(position, elapsed, speed);
  *next = step.Position;
  return step.Stopped ? 1 : 0;
}

// The name a saved file gets from the local time: 0 for the CSV, 1 the PNG.
EMSCRIPTEN_KEEPALIVE const char* velnar_run_file_name(int png, int year, int month, int day,
                                                      int hour, int minute) {
  View().text = RunFileName({year, month, day, hour, minute}, png ? "png" : "csv");
  return View().text.c_str();
}

// The run as CSV, as the desktop saves it.
EMSCRIPTEN_KEEPALIVE const char* velnar_run_csv() {
  View().text = View().model->Csv();
  return View().text.c_str();
}

// The whole track at one pixel per world pixel, with the words of the
// current language, as RGBA rows.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* velnar_track_picture() {
  static std::vector<std::uint8_t> picture;
  const std::vector<std::uint32_t>& rgb = RunWindowModel::TrackPicture();
  picture.resize(rgb.size() * 4);
  for (std::size_t i = 0; i < rgb.size(); ++i) {
    picture[4 * i] = rgb[i] >> 16 & 0xFF;
    picture[4 * i + 1] = rgb[i] >> 8 & 0xFF;
    picture[4 * i + 2] = rgb[i] & 0xFF;
    picture[4 * i + 3] = 255;
  }
  return picture.data();
}

}  // extern "C"
