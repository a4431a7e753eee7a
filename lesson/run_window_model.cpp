#include "lesson/run_window_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

#include "gfx/dib.h"
#include "gfx/stream.h"
#include "lesson/catalogue.h"
#include "sim/number_format.h"
#include "sim/picture_catalogue.h"
#include "sim/race_car.h"
#include "sim/track_map.h"

using lesson::Tr;

namespace {

// Tolerance for a value that lands on a step but for rounding.
constexpr double kOnStep = 1e-9;

// Steps are 1, 2, 2.5 or 5 times a power of ten near a fifth of the span: the
// one giving the count of steps nearest five (on a tie the larger step, so
// the fewer labels). `count` tells how many steps a candidate gives.
template <class Count>
double RoundStep(double span, bool wholeOnly, Count count) {
  const double power = std::pow(10.0, std::floor(std::log10(span / 5)));
  double best = 0, bestMiss = std::numeric_limits<double>::infinity();
  for (double p : {power / 10, power, power * 10})
    for (double m : {1.0, 2.0, 2.5, 5.0}) {
      const double step = m * p;
      if (wholeOnly && (step < 1 || step != std::floor(step))) continue;
      const double miss = std::fabs(count(step) - 5);
      if (miss < bestMiss || (miss == bestMiss && step > best)) {
        best = step;
        bestMiss = miss;
      }
    }
  return best > 0 ? best : 1;
}

std::string Text(double value, int decimals) {
  return NumberText(value, decimals);
}

std::string Average(const char* name, double value) {
  return std::string(name) + " = " + Text(value, 2) + " " + Tr("m/s");
}

PathPoint StartOnTrack() {
  return CarCentreOnTrack({static_cast<double>(StartX), static_cast<double>(StartY)});
}

}  // namespace

std::string NumberText(double value, int decimals) {
  std::string text = FormatFixed(value, decimals);
  std::replace(text.begin(), text.end(), '.',
               lesson::Info(lesson::CurrentLanguage()).DecimalSeparator);
  return text;
}

std::vector<double> ChartAxis::Ticks() const {
  std::vector<double> ticks;
  if (!(Step > 0)) return ticks;
  const double first = std::ceil(Min / Step - kOnStep), last = std::floor(Max / Step + kOnStep);
  for (double k = first; k <= last; ++k) ticks.push_back(k * Step);
  return ticks;
}

ChartAxis TimeAxis(std::uint32_t lastTick) {
  const double end = std::max<double>(1, lastTick);
  const double step = RoundStep(end, true, [end](double s) { return end / s; });
  return {Tr("czas t [s]"), 0, end, step};
}

ChartAxis ValueAxis(double low, double high) {
  if (!(high > low)) high = low + 1;
  // A little room, so that a line along an extreme is not drawn on the frame.
  constexpr double room = 1.02;
  if (low < 0) low *= room;
  if (high > 0) high *= room;
  const auto steps = [low, high](double s) {
    return std::ceil(high / s - kOnStep) - std::floor(low / s + kOnStep);
  };
  const double step = RoundStep(high - low, false, steps);
  return {"", std::floor(low / step + kOnStep) * step, std::ceil(high / step - kOnStep) * step,
          step};
}

std::optional<ArrowShape> ArrowShapeOf(PathPoint from, PathPoint to, double width) {
  const double dx = to.X - from.X, dy = to.Y - from.Y;
  if (std::hypot(dx, dy) < 1) return std::nullopt;
  const double back = std::atan2(-dy, -dx);
  const double head = 10 + 2 * width, spread = 20 * std::numbers::pi / 180;
  return ArrowShape{{to.X + head * std::cos(back + spread), to.Y + head * std::sin(back + spread)},
                    {to.X + head * std::cos(back - spread), to.Y + head * std::sin(back - spread)},
                    {(from.X + to.X) / 2 + 6, (from.Y + to.Y) / 2 - 6}};
}

double MarkerLabelLeft(PathPoint at, double labelWidth, double rightEdge) {
  const double right = at.X + 8;
  return right + labelWidth > rightEdge ? at.X - 8 - labelWidth : right;
}

std::string PlaySpeedText(int factor) {
  return lesson::Arg(Tr("%1x"), {std::to_string(factor)});
}

std::string RunFileName(const LocalTime& now, std::string_view extension) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "-%04d-%02d-%02d-%02d%02d.", now.Year, now.Month, now.Day,
                now.Hour, now.Minute);
  return Tr("file name", "przebieg") + std::string(stamp) + std::string(extension);
}

RunWindowModel::RunWindowModel(const RunRecording& recording, const RunFigures& figures,
                               bool averagesShown)
    : recording_(recording),
      figures_(figures),
      rows_(RunRows(recording.Samples())),
      averages_(AveragesOf(figures)),
      averagesShown_(averagesShown),
      centre_(CarCentreOnTrack({0, 0})) {
  BuildCharts();
}

void RunWindowModel::BuildCharts() {
  const RunAverages& a = averages_;
  double sMax = 0, vMax = a.Speed;
  double low = std::min({0.0, a.Vx, a.Vy});
  double high = std::max({0.0, a.Vx, a.Vy});
  for (const RunRow& r : rows_) {
    sMax = std::max({sMax, r.S, r.R});
    vMax = std::max(vMax, r.V);
    low = std::min({low, r.Vx, r.Vy});
    high = std::max({high, r.Vx, r.Vy});
  }
  const ChartAxis time = TimeAxis(rows_.empty() ? 0 : rows_.back().T);
  const auto values = [](const char* title, double from, double to) {
    ChartAxis axis = ValueAxis(from, to);
    axis.Title = title;
    return axis;
  };
  const auto line = [](const char* label, Rgba colour, const std::vector<ChartPoint>& points) {
    return ChartLine{label, colour, LineStyle::Solid, false, Decimated(points, ChartBuckets)};
  };
  // An average as a dashed level across the whole run. Before the clock has
  // counted a tick there is no average to draw: s/t has no value for t = 0.
  const auto average = [&time, this](std::vector<ChartLine>& lines, std::string label, Rgba colour,
                                     double value) {
    if (figures_.TimeCount == 0) return;
    lines.push_back({std::move(label),
                     colour,
                     LineStyle::Dashed,
                     true,
                     {{time.Min, value}, {time.Max, value}}});
  };

  RunChartModel& distance = charts_[DistanceChart];
  distance = {
      Tr("Droga s i przemieszczenie |R|"), time, values(Tr("[m]"), 0, sMax), {}, std::nullopt};
  distance.Lines.push_back(line(Tr("droga s"), RunColours::Distance, RunLine(rows_, &RunRow::S)));
  distance.Lines.push_back(
      line(Tr("przemieszczenie |R|"), RunColours::Displacement, RunLine(rows_, &RunRow::R)));

  // The task's two answers side by side over the speed: the magnitude of the
  // average velocity |R|/t is never above the average speed s/t, and the gap
  // between them is what the lesson is about (a bent path). Drawn among the
  // components vx and vy it would read as a third component.
  RunChartModel& speed = charts_[SpeedChart];
  speed = {Tr("Szybkość v (droga w sekundzie)"), time, values(Tr("[m/s]"), 0, vMax), {}, 0};
  speed.Lines.push_back(line(Tr("szybkość v"), RunColours::Speed, RunSteps(rows_, &RunRow::V)));
  average(speed.Lines, Average("s/t", a.Speed), RunColours::Distance, a.Speed);
  average(speed.Lines, Average("|R|/t", a.Velocity), RunColours::Displacement, a.Velocity);

  RunChartModel& velocity = charts_[VelocityChart];
  velocity = {Tr("Prędkość (przemieszczenie w sekundzie)"),
              time,
              values(Tr("[m/s]"), low, high),
              {},
              std::nullopt};
  velocity.Lines.push_back(line("vx", RunColours::Vx, RunSteps(rows_, &RunRow::Vx)));
  velocity.Lines.push_back(line("vy", RunColours::Vy, RunSteps(rows_, &RunRow::Vy)));
  average(velocity.Lines, Average("Rx/t", a.Vx), RunColours::Vx, a.Vx);
  average(velocity.Lines, Average("Ry/t", a.Vy), RunColours::Vy, a.Vy);
}

bool RunWindowModel::NothingDriven() const {
  return rows_.empty() || recording_.PathSize() == 0;
}

double RunWindowModel::LastPosition() const {
  return rows_.empty() ? 0 : static_cast<double>(rows_.size() - 1);
}

bool RunWindowModel::LineShown(std::size_t chart, std::size_t line) const {
  const ChartLine& l = charts_[chart].Lines[line];
  return !l.Average || averagesShown_;
}

std::vector<LegendEntry> RunWindowModel::Legend(std::size_t chart) const {
  std::vector<LegendEntry> entries;
  const std::vector<ChartLine>& lines = charts_[chart].Lines;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    // A single point draws no line.
    if (!LineShown(chart, i) || lines[i].Points.size() < 2) continue;
    entries.push_back({lines[i].Label, lines[i].Colour, lines[i].Style, i});
  }
  return entries;
}

MomentValues RunWindowModel::ValuesAt(std::size_t row) const {
  MomentValues v;
  if (NothingDriven()) {
    v.Message = {Tr("Brak pomiarów:"), Tr("czas nie był liczony.")};
    return v;
  }
  const RunRow& r = rows_[std::min(row, rows_.size() - 1)];
  v.Time = r.T;
  const auto metres = [](const char* name, double value) {
    return ValueCell{name, Text(value, 1), Tr("unit", "m")};
  };
  const auto perSecond = [](const char* name, double value) {
    return ValueCell{name, Text(value, 2), Tr("m/s")};
  };
  v.Grid = {{ValueCell{"t", std::to_string(r.T), Tr("unit", "s")}, ValueCell{}},
            {metres("s", r.S), perSecond("v", r.V)},
            {metres("|R|", r.R), ValueCell{}},
            {metres("Rx", r.Rx), perSecond("vx", r.Vx)},
            {metres("Ry", r.Ry), perSecond("vy", r.Vy)}};
  v.AreaLabel = "s = " + Text(r.S, 1) + " " + Tr("unit", "m");
  return v;
}

PathPoint RunWindowModel::TrackSize() {
  return {static_cast<double>(MapColumns * TileSize), static_cast<double>(MapRows * TileSize)};
}

const std::vector<std::uint32_t>& RunWindowModel::TrackPicture() {
  static std::array<std::vector<std::uint32_t>, lesson::kLanguages.size()> pictures;
  const lesson::Language language = lesson::CurrentLanguage();
  std::vector<std::uint32_t>& picture = pictures[static_cast<std::size_t>(language)];
  if (!picture.empty()) return picture;
  const int width = MapColumns * TileSize, height = MapRows * TileSize;
  picture.assign(static_cast<std::size_t>(width) * height, 0);
  const PictureCatalogueItem& item = PictureCatalogue()[PictureDroga];
  TBytesStream data(item.Data.data(), item.Data.size());
  TPicture tiles;
  tiles.ReadData(data);
  TDIB* sheet = tiles.Graphic();
  if (!sheet) return picture;
  TranslatePicture(PictureDroga, language, *sheet);
  const int perRow = sheet->Width() / TileSize;
  for (int r = 0; r < MapRows; ++r)
    for (int c = 0; c < MapColumns; ++c) {
      const int pattern = TrackMap[r * MapColumns + c];
      const int sx = (pattern % perRow) * TileSize, sy = (pattern / perRow) * TileSize;
      for (int y = 0; y < TileSize; ++y) {
        std::uint32_t* out =
            &picture[static_cast<std::size_t>(r * TileSize + y) * width + c * TileSize];
        for (int x = 0; x < TileSize; ++x) {
          // TColor is 0x00BBGGRR.
          const TColor colour = sheet->PixelColor(sx + x, sy + y);
          out[x] = (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
        }
      }
    }
  return picture;
}

PathPoint RunWindowModel::PathAt(std::size_t i) const {
  const PathPoint p = recording_.PathAt(i);
  return {p.X + centre_.X, p.Y + centre_.Y};
}

TrackScene RunWindowModel::SceneAt(double position) const {
  TrackScene scene;
  const ReplayMoment moment = MomentOf(recording_, position);
  scene.DrivenPoints = moment.DrivenPoints;
  scene.PathPoints = recording_.PathSize();
  const PathPoint start = StartOnTrack();
  scene.Start = {start, Tr("marker", "Start"), RunColours::StartMarker};
  if (scene.PathPoints > 0)
    scene.End = TrackMarker{CarCentreOnTrack(recording_.PathAt(scene.PathPoints - 1)),
                            Tr("marker", "Koniec"), RunColours::EndMarker};
  if (NothingDriven()) return scene;
  const PathPoint car = CarCentreOnTrack(moment.Car);
  scene.Car = car;
  scene.Arrows = {{start, {car.X, start.Y}, "Rx", 1.5, false},
                  {start, {start.X, car.Y}, "Ry", 1.5, false},
                  {start, car, "R", 2.5, true}};
  return scene;
}

double RunWindowModel::ReplayStart(double position) const {
  return position >= LastPosition() ? 0 : position;
}

ReplayStep RunWindowModel::ReplayAdvance(double position, double elapsedMs, int speed) const {
  const double last = LastPosition();
  const double next = position + std::max(0.0, elapsedMs) / TickMilliseconds * speed;
  if (next >= last) return {last, true};
  return {std::max(0.0, next), false};
}
