#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lesson/run_figures.h"
#include "lesson/run_series.h"
#include "lesson/run_view.h"
#include "sim/run_recording.h"

// The run window "Przebieg jazdy" as both front ends show it: what its charts,
// legends, values and track picture hold, in which colours and words, and how
// its replay moves. The front ends only draw this with their own toolkits and
// decide nothing about what is shown.

// A colour as 8-bit red, green, blue and opacity.
struct Rgba {
  std::uint8_t R = 0, G = 0, B = 0, A = 255;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

namespace RunColours {
// The chart lines: one colour per quantity, the same for its average.
inline constexpr Rgba Distance{0, 90, 200};
inline constexpr Rgba Displacement{0, 160, 0};
inline constexpr Rgba Speed{200, 90, 0};
inline constexpr Rgba Vx{0, 120, 170};
inline constexpr Rgba Vy{150, 40, 160};
// The area under the speed up to the cursor, its label and the label's box.
inline constexpr Rgba SpeedShade{200, 90, 0, 70};
inline constexpr Rgba SpeedShadeText{143, 64, 0};
inline constexpr Rgba ShadeLabelBox{255, 255, 255, 210};
inline constexpr Rgba Cursor{128, 128, 128};
// The track picture.
inline constexpr Rgba Path{255, 140, 0};
inline constexpr Rgba PathToCome{255, 140, 0, 110};
inline constexpr Rgba Arrow{0, 200, 0};
inline constexpr Rgba StartMarker{0, 170, 0};
inline constexpr Rgba EndMarker{200, 0, 0};
inline constexpr Rgba MarkerRing{255, 255, 255};
inline constexpr Rgba Car{255, 230, 0};
inline constexpr Rgba CarRing{0, 0, 0};
inline constexpr Rgba LabelShadow{0, 0, 0};
inline constexpr Rgba LabelText{255, 255, 255};
}  // namespace RunColours

// --- Axes -------------------------------------------------------------------

// An axis from Min to Max with a tick at every multiple of Step between them.
struct ChartAxis {
  std::string Title;
  double Min = 0;
  double Max = 1;
  double Step = 1;
  std::vector<double> Ticks() const;
};

// Time runs from 0 to the run's last tick exactly (at least one tick), with
// round steps of whole ticks: the chart ends where the run did.
ChartAxis TimeAxis(std::uint32_t lastTick);
// Values with a little room beyond their extremes, both ends on round steps
// (1, 2, 2.5 or 5 times a power of ten), about five steps to the axis.
ChartAxis ValueAxis(double low, double high);

// --- Charts -----------------------------------------------------------------

enum class LineStyle { Solid, Dashed };

struct ChartLine {
  std::string Label;
  Rgba Colour;
  LineStyle Style = LineStyle::Solid;
  // One of the task's answers: shown only with the result.
  bool Average = false;
  std::vector<ChartPoint> Points;
};

struct LegendEntry {
  std::string Text;
  Rgba Colour;
  LineStyle Style = LineStyle::Solid;
  std::size_t Line = 0;  // the chart line it names
};

struct RunChartModel {
  std::string Title;
  ChartAxis X;
  ChartAxis Y;
  std::vector<ChartLine> Lines;
  // The line whose area is shaded up to the cursor, labelled with its value
  // (the speed's, which is the distance); none when the chart has no shade.
  std::optional<std::size_t> ShadedLine;
};

enum RunChartId : std::size_t { DistanceChart, SpeedChart, VelocityChart, RunChartCount };

// --- Values at a moment -----------------------------------------------------

// One figure as "name = number unit".
struct ValueCell {
  std::string Name;
  std::string Number;
  std::string Unit;
};

struct MomentValues {
  // Where the charts' cursors stand, in "Czas" seconds.
  double Time = 0;
  // Rows of two cells: metres on the left, metres per second on the right;
  // a cell without a name stays empty.
  std::vector<std::array<ValueCell, 2>> Grid;
  // The label of the shaded area under the speed: the distance so far.
  std::string AreaLabel;
  // Instead of the figures when nothing was driven: lines of a message.
  std::vector<std::string> Message;
};

// --- The track picture ------------------------------------------------------

// Track pixels: the whole track at one pixel per world pixel; every point is
// where the car's middle is drawn.
struct TrackMarker {
  PathPoint At{};
  std::string Label;
  Rgba Colour;
};

struct TrackArrow {
  PathPoint From{};
  PathPoint To{};
  std::string Label;
  double Width = 1;  // the pen in screen pixels
  // The displacement is drawn over the path, its components under it: for a
  // straight run the arrow and the path coincide.
  bool OverPath = false;
};

struct TrackScene {
  std::size_t DrivenPoints = 0;  // the path up to the moment, drawn solid
  std::size_t PathPoints = 0;    // the whole path, the rest of it faint
  TrackMarker Start;
  std::optional<TrackMarker> End;
  std::optional<PathPoint> Car;
  std::vector<TrackArrow> Arrows;
};

// The path's pen and the dots' radii in screen pixels, whatever the scale.
inline constexpr double TrackPathWidth = 3;
inline constexpr double MarkerRadius = 5;
inline constexpr double CarRadius = 6;

// An arrow from `from` to `to` in screen pixels drawn with a pen `width`
// wide: its two head strokes end at HeadLeft and HeadRight, its label stands
// at LabelAt (the text's left end, on its baseline). An arrow shorter than a
// pixel is not drawn.
struct ArrowShape {
  PathPoint HeadLeft{};
  PathPoint HeadRight{};
  PathPoint LabelAt{};
};
std::optional<ArrowShape> ArrowShapeOf(PathPoint from, PathPoint to, double width);

// Where a marker's label of `labelWidth` screen pixels starts across: right of
// the marker, or left of it where it would pass `rightEdge`. The label's
// baseline is 4 pixels below the marker's middle.
double MarkerLabelLeft(PathPoint at, double labelWidth, double rightEdge);

// --- The replay -------------------------------------------------------------

// The replay's tempos: 1, 2 and 4 times the run's own pace.
inline constexpr std::array<int, 3> PlaySpeeds{1, 2, 4};
std::string PlaySpeedText(int factor);

// A number with the decimals given, as the current language writes it in
// prose and read aloud: a comma in Polish and Ukrainian, a point in English.
std::string NumberText(double value, int decimals);

struct ReplayStep {
  double Position = 0;
  bool Stopped = false;  // at the last row: the replay ends there
};

// --- Saving -------------------------------------------------------------------

struct LocalTime {
  int Year = 0, Month = 1, Day = 1, Hour = 0, Minute = 0;
};
// przebieg-YYYY-MM-DD-HHMM with the extension ("csv" or "png").
std::string RunFileName(const LocalTime& now, std::string_view extension);

// --- The window ---------------------------------------------------------------

class RunWindowModel {
 public:
  // The recording must outlive the model; figures are what the task judges.
  RunWindowModel(const RunRecording& recording, const RunFigures& figures, bool averagesShown);

  const std::vector<RunRow>& Rows() const { return rows_; }
  const RunAverages& Averages() const { return averages_; }
  // No row was recorded or no path driven: the window shows a message
  // instead of the figures, and no arrows.
  bool NothingDriven() const;
  // The replay's positions run from row 0 to this one.
  double LastPosition() const;

  const RunChartModel& Chart(std::size_t id) const { return charts_[id]; }
  bool AveragesShown() const { return averagesShown_; }
  void ShowAverages() { averagesShown_ = true; }
  bool LineShown(std::size_t chart, std::size_t line) const;
  // A key for every line that is drawn, and for nothing else.
  std::vector<LegendEntry> Legend(std::size_t chart) const;

  // The figures at a row (clamped to the rows there are).
  MomentValues ValuesAt(std::size_t row) const;
  // The track picture at a replay position (rows from the first, fractions
  // between ticks).
  TrackScene SceneAt(double position) const;
  static PathPoint TrackSize();
  // The whole track at one pixel per track pixel, from the track's own tile
  // pictures with the words of the current language: TrackSize() wide and
  // high, rows top down, each pixel 0xRRGGBB. Made once per language.
  static const std::vector<std::uint32_t>& TrackPicture();
  // Point i of the path in track pixels.
  PathPoint PathAt(std::size_t i) const;
  std::size_t PathSize() const { return recording_.PathSize(); }

  bool CanReplay() const { return rows_.size() > 1; }
  // Where "Odtwórz" starts from: from the end, the run starts over.
  double ReplayStart(double position) const;
  // The replay `elapsedMs` of real time later at `speed` times the run's own
  // pace, where one row is one tick of the clock.
  ReplayStep ReplayAdvance(double position, double elapsedMs, int speed) const;

  std::string Csv() const { return RunCsv(rows_); }

 private:
  void BuildCharts();

  const RunRecording& recording_;
  RunFigures figures_;
  std::vector<RunRow> rows_;
  RunAverages averages_;
  bool averagesShown_;
  // The car's middle from its reference point: a path of millions of points
  // is moved by it point by point.
  PathPoint centre_;
  std::array<RunChartModel, RunChartCount> charts_;
};
