#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "platform/form.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace Ui {
class TStartowe1Form1;
}

// The start window and the program's main window: start a run, read about the
// program, or quit. It hides while a simulation runs and comes back when the
// simulation window goes, so that the pupil can start a new run or quit.
class TStartowe1Form1 : public QWidget, private FormListener {
 public:
  // Makes a new simulation window owned by owner (and stores it wherever the
  // program keeps it); the window is expected to free itself when it closes.
  using SimulationFactory = std::function<TForm*(TComponent* owner)>;

  // Simulation windows are made with simulationOwner as their owner.
  explicit TStartowe1Form1(TComponent* simulationOwner, QWidget* parent = nullptr);
  ~TStartowe1Form1() override;

  SimulationFactory CreateSimulation;
  // What "Zamknij program" and closing this window do after it closed: end
  // the application (tests record it instead).
  std::function<void()> OnTerminate;

  void Button1Click();
  void Button2Click();
  void Button3Click();

  // The simulation window running now, or null.
  TForm* Simulation() const { return simulation_; }

  QLabel* Image3;
  QLabel* Image4;
  QPushButton* Button1;
  QPushButton* Button2;
  QPushButton* Button3;
  // The program's language, by the languages' own names. A choice is
  // remembered for the next start and every open window follows it at once.
  QComboBox* LanguageBox;

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void FormWindowDestroying(TForm& form) override;
  void Retranslate();

  std::unique_ptr<Ui::TStartowe1Form1> ui_;
  TComponent* simulationOwner_;
  TForm* simulation_ = nullptr;
};

extern TStartowe1Form1* Startowe1Form1;
