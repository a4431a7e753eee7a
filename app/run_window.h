#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <string>
#include <vector>

#include "lesson/run_figures.h"
#include "lesson/run_series.h"
#include "sim/run_recording.h"

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineSeries;
class QPushButton;
class QSlider;
class QTimer;
class RunTrackView;

// The whole track at one pixel per world pixel, painted from the track's own
// tile pictures; made once.
const QImage& TrackPicture();
// Where the car's reference point (X, Y) lies on that picture: the car is
// drawn left of and below it.
QPointF TrackPicturePoint(double x, double y);

// "Przebieg jazdy": the run after it ended. The track with the path driven and
// the displacement arrow, the distance and displacement length against time,
// the speed against time, a replay, and saving as CSV or PNG. The task's two
// averages appear on the speed chart only once both answers were checked or
// the pupil asks for them, so the window does not give the task away.
class TRunWindow : public QDialog {
 public:
  TRunWindow(const RunRecording& recording, const RunFigures& figures, bool answersChecked,
             QWidget* parent = nullptr);
  ~TRunWindow() override;

  // The replay's moment, in ticks from the first one (fractions between ticks).
  double Position() const { return position_; }
  void SetPosition(double ticks);
  void SetPlaying(bool playing);
  bool Playing() const;
  // 1, 2 or 4 times the run's own pace.
  void SetPlaySpeed(int factor);

  // Shows the average speed and the magnitude of the average velocity.
  void ShowResult();
  bool ResultShown() const { return resultShown_; }

  // Write the files; false with nothing left behind when that fails.
  bool SaveCsv(const QString& path) const;
  bool SavePng(const QString& path);
  // Asks for a file through the standard file dialog and saves as its name
  // ends (.png as a picture, anything else as CSV).
  void Save();

  const std::vector<RunSample>& Samples() const { return samples_; }
  const std::vector<RunRow>& Rows() const { return rows_; }
  const std::vector<PathPoint>& Path() const { return path_; }

  QLineSeries* DistanceSeries;
  QLineSeries* DisplacementSeries;
  QLineSeries* SpeedSeries;
  QLineSeries* AverageSpeedLine;
  QLineSeries* AverageVelocityLine;
  QLineSeries* DistanceCursor;
  QLineSeries* SpeedCursor;
  QSlider* TimeSlider;
  QPushButton* PlayButton;
  QComboBox* PlaySpeedBox;
  QPushButton* ShowResultButton;
  QPushButton* SaveButton;
  QPushButton* CloseButton;
  QLabel* Values;
  RunTrackView* TrackView;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildCharts(const RunFigures& figures);
  void Advance();
  void ShowMoment();

  std::vector<RunSample> samples_;
  std::vector<RunRow> rows_;
  std::vector<PathPoint> path_;
  double position_ = 0;
  int playSpeed_ = 1;
  bool resultShown_ = false;
  QTimer* playTimer_;
  QElapsedTimer playClock_;
  QChartView* distanceView_;
  QChartView* speedView_;
  double distanceTop_ = 1;
  double speedTop_ = 1;
};
