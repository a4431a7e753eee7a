#include "app/startowe_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/about_box.h"
#include "platform/exception.h"
#include "platform/form_window.h"
#include "tests/common/test_app.h"

namespace {

// Stands in for the simulation window: Esc closes it, and closing frees it.
TForm* MakeRun(TComponent* owner) {
  auto* form = new TDXForm(owner);
  form->OnKeyDown = [form](TComponent*, std::uint16_t& key, TShiftState) {
    if (key == 27) form->Close();
  };
  form->OnClose = [](TComponent*, TCloseAction& action) { action = TCloseAction::caFree; };
  return form;
}

// A click delivered the way the window system delivers it, so that a modal
// window blocks it as it would block the pupil's.
void ClickThroughWindow(QWidget* widget) {
  QWindow* window = widget->window()->windowHandle();
  ASSERT_NE(window, nullptr);
  const QPoint at = widget->mapTo(widget->window(), widget->rect().center());
  QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, at);
}

class StartWindowTest : public ::testing::Test {
 protected:
  StartWindowTest() {
    AboutBox = &about;
    start.CreateSimulation = [this](TComponent* owner) {
      ++runs;
      owners.push_back(owner);
      return MakeRun(owner);
    };
    start.OnTerminate = [this] { ++terminations; };
    start.show();
  }
  ~StartWindowTest() override {
    AboutBox = nullptr;
    start.hide();
  }

  TApplication& app = TestApp();  // before any widget
  RecordingShell shell;
  TComponent simulations;
  TStartowe1Form1 start{&simulations};
  TAboutBox about;
  int runs = 0;
  int terminations = 0;
  std::vector<TComponent*> owners;
};

TEST_F(StartWindowTest, EscReturnsToTheStartWindowAndEachRunIsNew) {
  QTest::mouseClick(start.Button1, Qt::LeftButton);
  ASSERT_EQ(runs, 1);
  EXPECT_EQ(owners[0], &simulations);
  TForm* first = start.Simulation();
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(start.isVisible());
  EXPECT_TRUE(first->Visible());
  EXPECT_EQ(simulations.ComponentCount(), 1);

  // Keep the focus away from the start button meanwhile, as a click on
  // another button would.
  start.Button3->setFocus();
  QTest::keyClick(first->Window(), Qt::Key_Escape);
  ASSERT_TRUE(RunUntil([&] { return start.isVisible(); }));
  EXPECT_EQ(start.focusWidget(), start.Button1) << "Space must start the next run";
  EXPECT_EQ(start.Simulation(), nullptr);
  EXPECT_EQ(simulations.ComponentCount(), 0);  // the closed run was freed
  EXPECT_EQ(terminations, 0);

  QTest::mouseClick(start.Button1, Qt::LeftButton);
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(simulations.ComponentCount(), 1);
  EXPECT_FALSE(start.isVisible());
  start.Simulation()->Close();
  EXPECT_TRUE(RunUntil([&] { return start.isVisible(); }));
}

TEST_F(StartWindowTest, FailingStartIsReportedAndTheWindowStays) {
  start.CreateSimulation = [](TComponent*) -> TForm* { throw Exception("Brak ekranu"); };
  QTest::mouseClick(start.Button1, Qt::LeftButton);
  ASSERT_EQ(shell.Messages.size(), 1u);
  EXPECT_EQ(shell.Messages[0], "Brak ekranu");
  EXPECT_TRUE(start.isVisible());
  EXPECT_EQ(start.Simulation(), nullptr);

  start.CreateSimulation = MakeRun;
  QTest::mouseClick(start.Button1, Qt::LeftButton);
  ASSERT_NE(start.Simulation(), nullptr);
  start.Simulation()->Close();
  EXPECT_TRUE(RunUntil([&] { return start.isVisible(); }));
}

TEST_F(StartWindowTest, AboutBoxIsModalAndTheFrameLoopGoesOn) {
  int ticks = 0;
  app.SetOnIdle([&ticks](bool& done) {
    ++ticks;
    done = false;
  });
  bool checked = false;
  QTimer::singleShot(0, [&] {
    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), &about);
    // The start window takes no clicks while the box is open.
    ClickThroughWindow(start.Button1);
    ClickThroughWindow(start.Button2);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(terminations, 0);
    const int before = ticks;
    EXPECT_TRUE(RunUntil([&] { return ticks > before + 3; }, 2000));
    checked = true;
    QTest::mouseClick(about.BitBtn1, Qt::LeftButton);
  });
  ClickThroughWindow(start.Button3);  // returns when the box closes
  app.SetOnIdle({});
  EXPECT_TRUE(checked);
  EXPECT_FALSE(about.isVisible());
  EXPECT_TRUE(start.isVisible());
}

TEST_F(StartWindowTest, ZamknijProgramEndsTheProgram) {
  QTest::mouseClick(start.Button2, Qt::LeftButton);
  EXPECT_EQ(terminations, 1);
  EXPECT_FALSE(start.isVisible());
}

TEST_F(StartWindowTest, LogosShowAHandButOnlyTheAboutBoxOpensSites) {
  for (QLabel* logo : {start.Image3, start.Image4, about.Image3, about.Image4}) {
    EXPECT_FALSE(logo->pixmap().isNull());
    EXPECT_EQ(logo->pixmap().size(), logo->size());
    EXPECT_EQ(logo->cursor().shape(), Qt::PointingHandCursor);
  }
  QTest::mouseClick(start.Image3, Qt::LeftButton);
  QTest::mouseClick(start.Image4, Qt::LeftButton);
  EXPECT_TRUE(shell.Urls.empty());

  about.show();
  QTest::mouseClick(about.Image3, Qt::LeftButton);
  QTest::mouseClick(about.Image4, Qt::LeftButton);
  QTest::mouseClick(about.Label12, Qt::LeftButton);
  QTest::mouseClick(about.Label14, Qt::LeftButton);
  about.hide();
  const std::vector<std::string> expected{MakerSiteAddress(), PartnerSiteAddress(),
                                          MakerSiteAddress(), PartnerSiteAddress()};
  EXPECT_EQ(shell.Urls, expected);
  EXPECT_NE(MakerSiteAddress(), PartnerSiteAddress());
  EXPECT_EQ(about.Label12->text().toStdString(), LinkText(MakerSiteAddress()));
  EXPECT_TRUE(about.Label12->font().underline());
  EXPECT_EQ(about.Label14->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(StartWindowTest, TextsFitTheirControls) {
  EXPECT_EQ(start.windowTitle(), "Velnar");
  for (QPushButton* button : {start.Button1, start.Button2, start.Button3}) {
    EXPECT_EQ(button->fontInfo().family(), "Liberation Sans");
    EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 8, button->width());
  }
  EXPECT_EQ(about.windowTitle(), "O programie...");
  EXPECT_EQ(about.size(), QSize(255, 440));
  for (QLabel* label : about.findChildren<QLabel*>()) {
    if (label->text().isEmpty()) continue;  // the logos
    EXPECT_EQ(label->fontInfo().family(), "Liberation Sans");
    EXPECT_EQ(label->fontInfo().pixelSize(), 13);
    EXPECT_LE(label->geometry().right(), about.width()) << label->text().toStdString();
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
  }
  EXPECT_TRUE(about.Label3->font().bold());
  EXPECT_FALSE(about.Label1->font().bold());
}

}  // namespace
