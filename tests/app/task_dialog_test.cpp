#include "app/task_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "tests/common/test_app.h"

namespace {

QImage ImageOf(const QLabel* label) {
  return label->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
}

class TaskDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog.Figures = [this] { return figures; };
    dialog.show();
  }
  void TearDown() override { dialog.hide(); }

  void Answer(QLineEdit* field, const char* text) {
    field->clear();
    QTest::keyClicks(field, text);
  }

  TApplication& app = TestApp();  // before any widget
  RecordingShell shell;
  TOKBottomDlg1 dialog;
  RunFigures figures{.Distance = 121, .RLength = 50, .TimeCount = 10};
};

TEST_F(TaskDialogTest, KeyFilterTurnsCommaIntoPointAndRefusesTheRest) {
  QTest::keyClicks(dialog.Edit1, "12,5");
  EXPECT_EQ(dialog.Edit1->text(), "12.5");
  EXPECT_EQ(shell.Beeps, 0);

  QTest::keyClick(dialog.Edit1, Qt::Key_A);
  QTest::keyClick(dialog.Edit1, Qt::Key_Space);
  EXPECT_EQ(dialog.Edit1->text(), "12.5");
  EXPECT_EQ(shell.Beeps, 2);

  // The paste shortcut's control character is refused like any other.
  QApplication::clipboard()->setText("99");
  QKeyEvent ctrlV(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QString(QChar(22)));
  QApplication::sendEvent(dialog.Edit1, &ctrlV);
  EXPECT_EQ(dialog.Edit1->text(), "12.5");
  EXPECT_EQ(shell.Beeps, 3);

  // Backspace and the minus pass; the second field has the same filter.
  QTest::keyClick(dialog.Edit1, Qt::Key_Backspace);
  EXPECT_EQ(dialog.Edit1->text(), "12.");
  QTest::keyClicks(dialog.Edit2, "-3,x");
  EXPECT_EQ(dialog.Edit2->text(), "-3.");
  EXPECT_EQ(shell.Beeps, 4);
}

TEST_F(TaskDialogTest, PastedTextPassesTheSameFilterWhole) {
  QApplication::clipboard()->setText("3,75");
  dialog.Edit1->paste();
  EXPECT_EQ(dialog.Edit1->text(), "3.75");
  EXPECT_EQ(shell.Beeps, 0);

  QApplication::clipboard()->setText("4 m/s");
  dialog.Edit1->paste();
  EXPECT_EQ(dialog.Edit1->text(), "3.75");
  EXPECT_EQ(shell.Beeps, 1);
}

TEST_F(TaskDialogTest, ChecksShowTheRightFaceWithinTheBounds) {
  const QImage smile = ImageOf(dialog.Image10);
  const QImage sad = ImageOf(dialog.Image11);
  ASSERT_EQ(smile.size(), QSize(32, 32));
  ASSERT_EQ(sad.size(), QSize(32, 32));
  ASSERT_NE(smile, sad);
  EXPECT_TRUE(dialog.Image9->isHidden());
  EXPECT_TRUE(dialog.Image1->isHidden());

  for (const char* right : {"12", "12.1", "12.2", "12,15"}) {
    Answer(dialog.Edit1, right);
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    EXPECT_TRUE(dialog.Image9->isVisible()) << right;
    EXPECT_EQ(ImageOf(dialog.Image9), smile) << right;
  }
  // A sad face drawn after a smile shows nothing of the smile.
  for (const char* wrong : {"11.9", "12.3", "-3"}) {
    Answer(dialog.Edit1, wrong);
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    EXPECT_EQ(ImageOf(dialog.Image9), sad) << wrong;
  }
  // The velocity is judged on the displacement, independently of the speed.
  EXPECT_TRUE(dialog.Image1->isHidden());
  Answer(dialog.Edit2, "5");
  QTest::mouseClick(dialog.Button2, Qt::LeftButton);
  EXPECT_EQ(ImageOf(dialog.Image1), smile);
  EXPECT_EQ(ImageOf(dialog.Image9), sad);

  // The figures are read at each check.
  figures.RLength = 80;
  QTest::mouseClick(dialog.Button2, Qt::LeftButton);
  EXPECT_EQ(ImageOf(dialog.Image1), sad);
  EXPECT_TRUE(shell.Messages.empty());
}

TEST_F(TaskDialogTest, UnjudgedAndBadAnswers) {
  QTest::mouseClick(dialog.Button1, Qt::LeftButton);
  Answer(dialog.Edit2, ".5");
  QTest::mouseClick(dialog.Button2, Qt::LeftButton);
  EXPECT_TRUE(dialog.Image9->isHidden());
  EXPECT_TRUE(dialog.Image1->isHidden());
  EXPECT_TRUE(shell.Messages.empty());

  Answer(dialog.Edit1, "12");
  QTest::mouseClick(dialog.Button1, Qt::LeftButton);
  const QImage before = ImageOf(dialog.Image9);
  Answer(dialog.Edit1, "1.2.3");
  QTest::mouseClick(dialog.Button1, Qt::LeftButton);
  ASSERT_EQ(shell.Messages.size(), 1u);
  EXPECT_EQ(shell.Messages[0], "Błędnie podana liczba.");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(dialog.Image9->isVisible());
  EXPECT_EQ(ImageOf(dialog.Image9), before);
  EXPECT_EQ(dialog.Edit1->text(), "1.2.3");

  // A lone minus is no number either.
  Answer(dialog.Edit2, "-");
  QTest::mouseClick(dialog.Button2, Qt::LeftButton);
  EXPECT_EQ(shell.Messages.size(), 2u);
  EXPECT_TRUE(dialog.Image1->isHidden());
}

// A car that never moved, with no time: only zero is right.
TEST_F(TaskDialogTest, WithNoTimeOnlyZeroIsRight) {
  figures = {};
  for (const char* zero : {"0", "-0", "0.0"}) {
    Answer(dialog.Edit1, zero);
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    EXPECT_EQ(ImageOf(dialog.Image9), ImageOf(dialog.Image10)) << zero;
  }
  Answer(dialog.Edit1, "35.5");
  QTest::mouseClick(dialog.Button1, Qt::LeftButton);
  EXPECT_EQ(ImageOf(dialog.Image9), ImageOf(dialog.Image11));
  EXPECT_TRUE(shell.Messages.empty());
}

// Space within the first tick after the car moved: both checks tell the
// pupil to drive longer, as a wrong number is told, and judge nothing.
TEST_F(TaskDialogTest, RunTooShortToTimeIsNotJudged) {
  figures = {.Distance = 1.4, .Rx = 0, .Ry = -1.4, .RLength = 1.4, .TimeCount = 0};
  Answer(dialog.Edit1, "0");
  QTest::mouseClick(dialog.Button1, Qt::LeftButton);
  Answer(dialog.Edit2, "1.4");
  QTest::mouseClick(dialog.Button2, Qt::LeftButton);
  const std::vector<std::string> told(2,
                                      "Czas jazdy był zbyt krótki, by go zmierzyć. Jedź dłużej.");
  EXPECT_EQ(shell.Messages, told);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(dialog.Image9->isHidden());
  EXPECT_TRUE(dialog.Image1->isHidden());
  EXPECT_FALSE(dialog.BothAnswersChecked());
}

TEST_F(TaskDialogTest, MemoTextAndTabOrderAsLaidOut) {
  EXPECT_EQ(dialog.Memo1->toPlainText().toStdString(),
            "Na podstawie uzyskanych danych podaj jaka była \n"
            "szybkość średnia samochodu ? \n"
            "Zadanie wykraczające poza materiał :\n"
            "Postaraj się obliczyć wartość prędkości?*\n"
            "\n"
            "Wyniki podaj w (m/s)");
  EXPECT_EQ(dialog.windowTitle(), "Zadanie");
  EXPECT_EQ(dialog.size(), QSize(286, 258));
  EXPECT_TRUE(dialog.OKBtn->isDefault());

  std::vector<QWidget*> chain;
  QWidget* w = dialog.OKBtn;
  do {
    if (w->focusPolicy() & Qt::TabFocus) chain.push_back(w);
    w = w->nextInFocusChain();
  } while (w != dialog.OKBtn && chain.size() < 20);
  // The run window's button and the figures read aloud, added beside the
  // task, come after them all.
  const std::vector<QWidget*> expected{dialog.OKBtn,     dialog.Button1, dialog.Button2,
                                       dialog.Edit1,     dialog.Edit2,   dialog.RunButton,
                                       dialog.ReadButton};
  EXPECT_EQ(chain, expected);

  // Every caption fits its control in the font the program uses.
  for (QLabel* label : {dialog.Label1, dialog.Label2, dialog.Label3, dialog.Label4}) {
    EXPECT_EQ(label->fontInfo().family(), "Liberation Sans");
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
        << label->text().toStdString();
  }
  for (QPushButton* button : {dialog.Button1, dialog.Button2, dialog.OKBtn, dialog.RunButton})
    EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 8, button->width());
}

// Whatever closes the dialog, it opens again empty and without faces; the
// frame loop's idle ticks go on while it is open.
TEST_F(TaskDialogTest, EveryWayOfClosingResets) {
  dialog.hide();
  OKBottomDlg1 = &dialog;
  int ticks = 0;
  app.SetOnIdle([&ticks](bool& done) {
    ++ticks;
    done = false;
  });

  const std::vector<std::function<void()>> closers{
      [this] { QTest::mouseClick(dialog.OKBtn, Qt::LeftButton); },
      [this] { QTest::keyClick(&dialog, Qt::Key_Escape); },
      [this] { dialog.close(); },
  };
  for (std::size_t i = 0; i < closers.size(); ++i) {
    bool sawTicks = false;
    QTimer::singleShot(0, [&] {
      EXPECT_TRUE(dialog.isVisible());
      EXPECT_TRUE(dialog.Edit1->text().isEmpty());
      EXPECT_TRUE(dialog.Image9->isHidden());
      const int before = ticks;
      sawTicks = RunUntil([&] { return ticks > before + 3; }, 2000);
      Answer(dialog.Edit1, "12");
      QTest::mouseClick(dialog.Button1, Qt::LeftButton);
      Answer(dialog.Edit2, "3");
      QTest::mouseClick(dialog.Button2, Qt::LeftButton);
      EXPECT_TRUE(dialog.Image9->isVisible());
      EXPECT_TRUE(dialog.Image1->isVisible());
      closers[i]();
    });
    ShowTaskDialogModal();
    EXPECT_TRUE(sawTicks) << i;
    EXPECT_FALSE(dialog.isVisible()) << i;
    EXPECT_TRUE(dialog.Edit1->text().isEmpty()) << i;
    EXPECT_TRUE(dialog.Edit2->text().isEmpty()) << i;
    EXPECT_TRUE(dialog.Image9->isHidden()) << i;
    EXPECT_TRUE(dialog.Image1->isHidden()) << i;
  }
  app.SetOnIdle({});
  OKBottomDlg1 = nullptr;
}

}  // namespace
