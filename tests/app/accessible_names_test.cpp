// What a screen reader hears of each window: every control it can reach has
// a name, and no two buttons of a window sound alike.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <string>

#include "app/about_box.h"
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

TEST(AccessibleNames, EveryControlOfEveryWindowHasOne) {
  TApplication& app = TestApp();
  (void)app;
  int reached = 0;

  TComponent simulations;
  TStartowe1Form1 start{&simulations};
  start.show();
  EXPECT_EQ(Unnamed(start, &reached), "") << "the start window";
  EXPECT_GE(reached, 5) << "the logos and three buttons";

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
  EXPECT_GE(reached, 8) << "two fields, three buttons and two faces";
  EXPECT_EQ(QAccessible::queryAccessibleInterface(task.Image9)->text(QAccessible::Name), "dobrze");
  EXPECT_EQ(QAccessible::queryAccessibleInterface(task.Image1)->text(QAccessible::Name), "źle");
  EXPECT_EQ(QAccessible::queryAccessibleInterface(task.Edit1)->text(QAccessible::Name),
            "Szybkosc średnia:");
  task.hide();

  ScriptedDrive drive;
  drive.Frames(120, TDXInputStates{isUp});
  drive.Stop();
  TRunWindow run(drive.Recording, FiguresOf(drive.Car), true);
  run.show();
  reached = 0;
  EXPECT_EQ(Unnamed(run, &reached), "") << "the run window";
  EXPECT_GE(reached, 6) << "four buttons, the speed box and the slider";
}

}  // namespace
