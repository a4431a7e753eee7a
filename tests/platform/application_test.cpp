#include "platform/qt_application.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <memory>
#include <stdexcept>

#include "platform/form.h"
#include "platform/interval_timer.h"
#include "platform/key_state_table.h"
#include "platform/virtual_keys.h"
#include "tests/common/test_app.h"

namespace {

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override { TestApp(); }
  void TearDown() override { TestApp().SetOnIdle(nullptr); }
  RecordingShell shell;
};

TEST_F(ApplicationTest, ErrorLeavingAHandlerIsShownAndTheProgramGoesOn) {
  TTimer timer;
  timer.SetInterval(5);
  int calls = 0;
  timer.OnTimer = [&](TComponent* sender) {
    EXPECT_EQ(sender, &timer);
    if (++calls == 1) throw std::runtime_error("Display mode cannot be changed (640x480 16bit)");
  };
  ASSERT_TRUE(RunUntil([&] { return calls >= 3; }));
  ASSERT_EQ(shell.Messages.size(), 1u);
  EXPECT_EQ(shell.Messages[0], "Display mode cannot be changed (640x480 16bit)");
  timer.SetEnabled(false);
  const int stoppedAt = calls;
  RunUntil([] { return false; }, 30);
  EXPECT_EQ(calls, stoppedAt);

  // Dispatch itself reports whether the handler went through.
  EXPECT_TRUE(Dispatch([] {}));
  EXPECT_FALSE(Dispatch([] { throw std::logic_error("second"); }));
  EXPECT_EQ(shell.Messages.back(), "second");
}

TEST_F(ApplicationTest, IdleTicksGoOnInsideAModalFormOpenedFromATick) {
  TForm dialog;
  // Should the ticks stop inside the dialog, this closes it with another result.
  QObject guard;
  QTimer::singleShot(2000, &guard, [&] { dialog.ModalResult = 99; });
  int ticks = 0, ticksWhileModal = 0, modalResult = -1;
  bool inModal = false;
  TestApp().SetOnIdle([&](bool& done) {
    done = false;
    ++ticks;
    if (inModal) {
      // The nested loop's own ticks: close the dialog after a few of them.
      if (++ticksWhileModal == 20) dialog.ModalResult = 1;
      return;
    }
    if (modalResult == -1) {
      inModal = true;
      modalResult = dialog.ShowModal();
      inModal = false;
    }
  });
  ASSERT_TRUE(RunUntil([&] { return modalResult != -1 && ticks > 25; }));
  EXPECT_EQ(modalResult, 1);
  EXPECT_EQ(ticksWhileModal, 20);
  EXPECT_FALSE(dialog.Visible());
  // Back in the main loop the ticks continue.
  const int after = ticks;
  ASSERT_TRUE(RunUntil([&] { return ticks > after + 5; }));
}

TEST_F(ApplicationTest, IdleTicksGoOnInsideALoopNestedTwice) {
  int depth = 0, innerTicks = 0;
  bool finished = false;
  TestApp().SetOnIdle([&](bool& done) {
    done = false;
    if (finished) return;
    if (depth < 2) {
      ++depth;
      QEventLoop loop;
      QTimer::singleShot(300, &loop, &QEventLoop::quit);
      loop.exec();
      --depth;
      if (depth == 0) finished = true;
    } else {
      ++innerTicks;
    }
  });
  ASSERT_TRUE(RunUntil([&] { return finished; }));
  EXPECT_GT(innerTicks, 10);
}

TEST_F(ApplicationTest, FailingIdleHandlerShowsOneBoxAtATime) {
  int calls = 0, ticksDuringBox = 0;
  // The box stays open for a while, with its own loop.
  KeepBoxesOpen(shell, 100, [&] {
    if (ticksDuringBox == 0) ticksDuringBox = calls;
  });
  TestApp().SetOnIdle([&](bool& done) {
    done = false;
    ++calls;
    throw std::runtime_error("frame failed");
  });
  ASSERT_TRUE(RunUntil([&] { return shell.Messages.size() >= 2; }));
  // One failure, one box; the next tick only after the box was closed.
  EXPECT_EQ(calls, static_cast<int>(shell.Messages.size()));
  EXPECT_EQ(ticksDuringBox, 1);
  TestApp().SetOnIdle(nullptr);
}

TEST_F(ApplicationTest, HandlerThatIsDoneWaitsForTheNextEvent) {
  // One loop with a single event at its end: a handler that is done runs
  // again only when that event comes, one that is not runs on and on.
  auto quietLoop = [] {
    QEventLoop loop;
    QTimer::singleShot(60, &loop, &QEventLoop::quit);
    loop.exec();
  };
  int ticks = 0;
  TestApp().SetOnIdle([&](bool& done) {
    ++ticks;
    done = true;
  });
  quietLoop();
  const int quiet = ticks;
  EXPECT_GE(quiet, 1);
  EXPECT_LE(quiet, 3) << "a handler that is done must not be called without an event";
  TestApp().SetOnIdle([&](bool& done) {
    ++ticks;
    done = false;
  });
  quietLoop();
  EXPECT_GT(ticks - quiet, 10) << "a handler that is not done must be called back at once";
}

TEST_F(ApplicationTest, ReleasedFormIsFreedBeforeTheNextIdleTick) {
  struct Probe : TComponent {
    using TComponent::TComponent;
    ~Probe() override { *freed = true; }
    bool* freed = nullptr;
  };
  bool freed = false, tickSawItAlive = false, released = false;
  auto* form = new TForm;
  auto* probe = new Probe(form);
  probe->freed = &freed;
  int ticks = 0;
  TestApp().SetOnIdle([&](bool& done) {
    done = false;
    ++ticks;
    if (!released) {
      form->Release();
      released = true;
      return;
    }
    if (!freed) tickSawItAlive = true;
  });
  ASSERT_TRUE(RunUntil([&] { return freed && ticks > 3; }));
  EXPECT_FALSE(tickSawItAlive);
}

}  // namespace

namespace {

// A paused timer resumes with what was left of its interval, then goes back
// to whole intervals.
TEST_F(ApplicationTest, IntervalTimerResumesWithTheRestOfItsInterval) {
  IntervalTimerFactory* factory = IntervalTimerFactorySlot();
  ASSERT_NE(factory, nullptr);
  std::unique_ptr<IntervalTimerEngine> engine;
  int fired = 0;
  std::uint32_t leftAfterFirst = 0;
  engine = factory->Create([&] {
    if (++fired == 1) leftAfterFirst = engine->Remaining();
  });
  // Were the first delay ignored, nothing would fire for a minute.
  engine->Start(60000, 5);
  ASSERT_TRUE(RunUntil([&] { return fired >= 1; }));
  EXPECT_GT(leftAfterFirst, 50000u) << "the next expiry is a whole interval on";
  engine->Stop();
  EXPECT_EQ(engine->Remaining(), 0u);
}

// A modal loop hides the keys of the window behind it at once, whatever the
// focus events still say, and gives the keyboard back to that window after.
TEST_F(ApplicationTest, ModalLoopTakesTheForegroundFromTheFormBehindIt) {
  TForm form;
  KeyStateTable& table = RealKeyStateTable();
  table.SetFocusForm(&form);
  table.KeyPressed(vk::Up, false, 111);
  bool foregroundInside = true, upInside = true;
  TestApp().ExecModal([&] {
    foregroundInside = table.IsForeground(&form);
    upInside = table.IsDown(vk::Up);
    table.KeyPressed(vk::Down, false, 116);  // a press the dialog's loop let through
    return 0;
  });
  EXPECT_FALSE(foregroundInside);
  EXPECT_FALSE(upInside) << "the moment the dialog opens, every key is up";
  EXPECT_TRUE(table.IsForeground(&form)) << "in front again after the dialog";
  EXPECT_FALSE(table.IsDown(vk::Up));
  EXPECT_FALSE(table.IsDown(vk::Down));
  table.SetFocusForm(nullptr);
}

}  // namespace
