#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <string>
#include <vector>

#include "lesson/run_figures.h"
#include "lesson/run_series.h"
#include "sim/run_recording.h"

class QComboBox;
class QLabel;
class QLineSeries;
class QPushButton;
class QSlider;
class QTimer;
class RunChart;
class RunTrackView;

// "Przebieg jazdy": the run after it ended. The track with the path driven and
// the displacement arrows; the distance and the displacement's length against
// time; the speed (distance per tick) with the area under it, which is the
// distance; the velocity (displacement per tick) by its components; a replay;
// saving as CSV or PNG. The task's averages appear on the charts only once
// both answers were checked or the pupil asks for them, so the window does not
// give the task away. The recording must outlive the window.
class TRunWindow : public QDialog {
 public:
  TRunWindow(const RunRecording& recording, const RunFigures& figures, bool answersChecked,
             QWidget* parent = nullptr);
  ~TRunWindow() override;

  // The replay's moment, in rows from the first one (fractions between ticks).
  double Position() const { return position_; }
  void SetPosition(double rows);
  void SetPlaying(bool playing);
  bool Playing() const;
  // 1, 2 or 4 times the run's own pace.
  void SetPlaySpeed(int factor);

  // Shows the average speed and the average velocity.
  void ShowResult();
  bool ResultShown() const { return resultShown_; }

  // Writes the CSV; false, with any file there as it was, when that fails.
  bool SaveCsv(const QString& path) const;
  // "Zapisz...": the run as CSV or the window as a PNG picture, by the name
  // the pupil chooses.
  void Save();

  const std::vector<RunRow>& Rows() const { return rows_; }
  const RunAverages& Averages() const { return averages_; }

  QLineSeries* DistanceSeries;
  QLineSeries* DisplacementSeries;
  QLineSeries* SpeedSeries;
  QLineSeries* AverageSpeedLine;
  QLineSeries* VxSeries;
  QLineSeries* VySeries;
  QLineSeries* AverageVxLine;
  QLineSeries* AverageVyLine;
  // A legend entry only: the length of the mean velocity.
  QLineSeries* AverageVelocityEntry;
  RunChart* DistanceChart;
  RunChart* SpeedChart;
  RunChart* VelocityChart;
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
  void BuildCharts();
  void Advance();
  void ShowMoment();

  const RunRecording& recording_;
  std::vector<RunRow> rows_;
  RunAverages averages_;
  double position_ = 0;
  std::size_t shownRow_ = static_cast<std::size_t>(-1);
  int playSpeed_ = 1;
  bool resultShown_ = false;
  QTimer* playTimer_;
  QElapsedTimer playClock_;
};
