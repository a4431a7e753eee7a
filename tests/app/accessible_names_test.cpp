// What a screen reader hears of each window, in each language: every control
// it can reach has a name, and no two buttons of a window sound alike.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSlider>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <string>

#include "app/about_box.h"
#include "app/catalogue_translator.h"
#include "app/run_window.h"
#include "app/startowe_form.h"
#include "app/task_dialog.h"
#include "tests/common/scripted_drive.h"
#include "tests/common/test_app.h"

namespace {

bool Speaks(QAccessible::Role role) {
  switch (role) {
    case QAccessible::PushButton:
    case QAccessible::EditableText:
    case QAccessible::ComboBox:
    case QAccessible::Slider:
    case QAccessible::Graphic:
    case QAccessible::Link:
      return true;
    default:
      return false;
  }
}

// Walks the window's accessible tree: the shown controls without a name, and
// the names two buttons share.
std::string Unnamed(QWidget& window, int* reached) {
  QStringList faults;
  QSet<QString> buttons;
  std::vector<QAccessibleInterface*> todo{QAccessible::queryAccessibleInterface(&window)};
  while (!todo.empty()) {
    QAccessibleInterface* node = todo.back();
    todo.pop_back();
    if (!node || node->state().invisible) continue;
    for (int i = 0; i < node->childCount(); ++i) todo.push_back(node->child(i));
    if (!Speaks(node->role())) continue;
    ++*reached;
    const QString name = node->text(QAccessible::Name);
    const QString what = node->object() ? node->object()->objectName() : QString();
    if (name.trimmed().isEmpty()) faults << what + " has no name";
    if (node->role() == QAccessible::PushButton && !name.isEmpty()) {
      if (buttons.contains(name)) faults << what + " sounds like another button: " + name;
      buttons.insert(name);
    }
  }
  return faults.join("; ").toStdString();
}

std::string Name(QWidget* widget) {
  return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name).toStdString();
}

TEST(AccessibleNames, EveryControlOfEveryWindowHasOneInEveryLanguage) {
  TApplication& app = TestApp();
  (void)app;
  ScriptedDrive drive;
  drive.Frames(120, TDXInputStates{isUp});
  drive.Stop();

  for (const lesson::LanguageInfo& info : lesson::kLanguages) {
    SCOPED_TRACE(info.Code);
    UseLanguage(info.Id);
    int reached = 0;

    TComponent simulations;
    TStartowe1Form1 start{&simulations};
    start.show();
    EXPECT_EQ(Unnamed(start, &reached), "") << "the start window";
    EXPECT_GE(reached, 6) << "the logos, three buttons and the language";
    EXPECT_EQ(QAccessible::queryAccessibleInterface(start.LanguageBox)
                  ->text(QAccessible::Description)
                  .toStdString(),
              lesson::TrIn(info.Id, "", "Język"));

    TAboutBox about;
    about.show();
    reached = 0;
    EXPECT_EQ(Unnamed(about, &reached), "") << "the About box";
    EXPECT_GE(reached, 3);
    about.hide();

    // The task with both answers judged: its faces are heard as words.
    TOKBottomDlg1 task;
    task.Figures = [] { return RunFigures{.Distance = 121, .RLength = 50, .TimeCount = 10}; };
    task.show();
    QTest::keyClicks(task.Edit1, "12.1");
    task.Button1->click();
    QTest::keyClicks(task.Edit2, "9");
    task.Button2->click();
    reached = 0;
    EXPECT_EQ(Unnamed(task, &reached), "") << "the task";
    EXPECT_GE(reached, 9) << "two fields, four buttons and two faces";
    EXPECT_EQ(Name(task.Image9), lesson::TrIn(info.Id, "verdict", "dobrze"));
    EXPECT_EQ(Name(task.Image1), lesson::TrIn(info.Id, "verdict", "źle"));
    EXPECT_EQ(Name(task.Edit1), lesson::TrIn(info.Id, "", "Szybkosc średnia:"));
    EXPECT_EQ(Name(task.Button2), lesson::TrIn(info.Id, "", "Sprawdź wartość prędkości"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(task.Edit2)
                  ->text(QAccessible::Description)
                  .toStdString(),
              lesson::TrIn(info.Id, "", "w m/s"));
    task.hide();

    TRunWindow run(drive.Recording, FiguresOf(drive.Car), true);
    run.show();
    reached = 0;
    EXPECT_EQ(Unnamed(run, &reached), "") << "the run window";
    EXPECT_GE(reached, 6) << "four buttons, the speed box and the slider";
    EXPECT_EQ(Name(run.TimeSlider), lesson::TrIn(info.Id, "", "Czas t"));
  }
  UseLanguage(lesson::Language::Polish);
}

}  // namespace
