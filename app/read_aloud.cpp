#include "app/read_aloud.h"

#include <QAccessible>
#include <QAccessibleEvent>
#include <string>

#include "app/catalogue_translator.h"
#include "lesson/catalogue.h"
#include "lesson/run_window_model.h"
#include "platform/form.h"
#include "platform/form_accessible.h"

QString FiguresAloud(const RunFigures& figures) {
  return Qs(lesson::Arg(lesson::Tr("s = %1 m, |R| = %2 m, t = %3 s"),
                        {NumberText(figures.Distance, 1), NumberText(figures.RLength, 1),
                         NumberText(figures.TimeCount, 0)})
                .c_str());
}

Announcer::Announcer(QWidget* parent) : QLabel(parent) {
  setFocusPolicy(Qt::NoFocus);
  setTextInteractionFlags(Qt::NoTextInteraction);
  setGeometry(0, 0, 1, 1);
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, Qt::transparent);
  setPalette(palette);
}

void Announcer::Announce(const QString& sentence) {
  // Qt 6.4 has no announcement of its own. Over AT-SPI its bridge turns a
  // NameChanged into "object:property-change:accessible-name", which Orca
  // reads out; an Alert is what the bridges of other systems (and later Qt
  // versions) present as a spoken notice. Setting the name tells NameChanged
  // every time, so asking twice for the same figures is answered twice.
  setAccessibleName(sentence);
  setText(sentence);
  QAccessibleEvent alert(this, QAccessible::Alert);
  QAccessible::updateAccessibility(&alert);
}

void AddReadAloudKey(TForm& form, std::function<RunFigures()> figures) {
  // The simulation window is no widget: it tells a screen reader what it
  // shows, and says the figures, through its own accessible status line.
  SetFormDescription(form, lesson::Tr("Obok toru: przemieszczenie Rx, Ry i |R| w metrach jako "
                                      "liczby i zielone strzałki na mapce, licznik drogi s, czas t "
                                      "i szybkościomierz. Klawisz I odczytuje drogę, "
                                      "przemieszczenie i czas."));
  form.OnKeyDown = [previous = std::move(form.OnKeyDown), &form, figures = std::move(figures)](
                       TComponent* sender, std::uint16_t& key, TShiftState shift) {
    if (key == 'I') AnnounceFromForm(form, FiguresAloud(figures()).toStdString());
    if (previous) previous(sender, key, shift);
  };
}
