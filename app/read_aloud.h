#pragma once

#include <QLabel>
#include <QString>
#include <functional>

#include "lesson/run_figures.h"

class TForm;

// The run's figures as a screen reader says them, in the program's language
// and with its decimal separator: "s = 107,8 m, |R| = 20,1 m, t = 15 s".
QString FiguresAloud(const RunFigures& figures);

// Has a screen reader say a sentence when the pupil asks for it (the I key
// in the simulation, "Odczytaj" in the task). A label nobody sees: one pixel,
// with no colour to its text, outside the keyboard's way.
class Announcer final : public QLabel {
 public:
  explicit Announcer(QWidget* parent = nullptr);
  void Announce(const QString& sentence);
};

// The I key in the form says the figures from the form's window; every other
// key goes to the form's own handler as before. The window is described for
// a screen reader too.
void AddReadAloudKey(TForm& form, std::function<RunFigures()> figures);
