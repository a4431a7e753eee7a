#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <array>
#include <string>
#include <vector>

#include "lesson/run_window_model.h"

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
// give the task away. What it shows, and in which words and colours, is the
// lesson's RunWindowModel: this window only draws it. The recording must
// outlive the window.
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
  bool ResultShown() const { return model_.AveragesShown(); }

  // Writes the CSV; false, with any file there as it was, when that fails.
  bool SaveCsv(const QString& path) const;
  // "Zapisz...": the run as CSV or the window as a PNG picture, by the name
  // the pupil chooses.
  void Save();

  const RunWindowModel& Model() const { return model_; }
  const std::vector<RunRow>& Rows() const { return model_.Rows(); }
  const RunAverages& Averages() const { return model_.Averages(); }

  // The charts, and the series drawn for each line of the model's charts.
  std::array<RunChart*, RunChartCount> Charts{};
  std::array<std::vector<QLineSeries*>, RunChartCount> Lines;
  QSlider* TimeSlider;
  QPushButton* PlayButton;
  QComboBox* PlaySpeedBox;
  QPushButton* ShowResultButton;
  QPushButton* SaveButton;
  QPushButton* CloseButton;
  QLabel* Values;
  QLabel* TimeLabel;
  RunTrackView* TrackView;

 protected:
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Retranslate();
  void BuildCharts();
  void ShowLines();
  void Advance();
  void ShowMoment();

  RunWindowModel model_;
  double position_ = 0;
  std::size_t shownRow_ = static_cast<std::size_t>(-1);
  int playSpeed_ = 1;
  QTimer* playTimer_;
  QElapsedTimer playClock_;
};
