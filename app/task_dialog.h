#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "lesson/answer_check.h"
#include "lesson/run_figures.h"

class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class Announcer;
class RunRecording;

namespace Ui {
class TOKBottomDlg1;
}

// The task: the pupil works out the run's average speed and the magnitude of
// its average velocity, and each answer is judged with a face. Created once and
// reused for every run; it reads the run's figures at each check.
class TOKBottomDlg1 : public QDialog {
 public:
  explicit TOKBottomDlg1(QWidget* parent = nullptr);
  ~TOKBottomDlg1() override;

  // Where the figures of the run being judged come from; no provider reads as
  // an unstarted run (all zero).
  std::function<RunFigures()> Figures;
  // The recording of that run, for the run window; none shows an empty run.
  std::function<const RunRecording*()> Recording;

  // Handlers. The checks raise EZamiana for an answer that is not a number;
  // connected to their buttons they run through the application's dispatcher,
  // which shows the message while the dialog stays open. A run too short to
  // time gets its message the same way, instead of a verdict.
  void Button1Click();
  void Button2Click();
  void OKBtnClick();
  void FormClose();
  // Opens the run window modally over the dialog.
  void RunButtonClick();
  // Has a screen reader say the run's figures.
  void ReadButtonClick();
  // Both answers have a verdict in this showing of the dialog.
  bool BothAnswersChecked() const;
  // The key filter of both answer fields; returns false when the key is to be
  // dropped. key is changed in place (a comma becomes a point).
  bool Edit1KeyPress(char32_t& key);

  // Every way of closing (the button, Esc, the window's close box) resets.
  void done(int result) override;

  QFrame* Bevel1;
  QPlainTextEdit* Memo1;
  QLabel* Label1;
  QLineEdit* Edit1;
  QLabel* Label3;
  QPushButton* Button1;
  QLabel* Image9;
  QLabel* Label2;
  QLineEdit* Edit2;
  QLabel* Label4;
  QPushButton* Button2;
  QLabel* Image1;
  QLabel* Image10;
  QLabel* Image11;
  QPushButton* OKBtn;
  // Added beside the task, where the two hidden icon images lie.
  QPushButton* RunButton;
  // "Odczytaj": the run's figures read aloud, as the I key does in the
  // simulation; FiguresSpoken is what a screen reader is told.
  QPushButton* ReadButton;
  Announcer* FiguresSpoken;

 protected:
  void changeEvent(QEvent* event) override;

 private:
  class AnswerFilter;
  void Check(QLineEdit* answer, QLabel* verdict, Question question);
  void KeepAnswerText(QLineEdit* field, const QString& edited);
  void Retranslate();
  void FitTexts();

  std::unique_ptr<Ui::TOKBottomDlg1> ui_;
  // Each widget where the form puts it for the Polish words.
  std::vector<std::pair<QWidget*, QRect>> designed_;
  QSize designedSize_;
};

// The one task dialog, made at start-up (null before and after).
extern TOKBottomDlg1* OKBottomDlg1;

// Shows OKBottomDlg1 modally and returns when it closes (its result is of no
// use to the caller). The frame loop's idle ticks go on meanwhile.
void ShowTaskDialogModal();
