#include "gfx/display.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/canvas.h"
#include "platform/headless_display.h"
#include "platform/qt_application.h"
#include "tests/common/test_app.h"

namespace {

using N = TDXDrawNotifyType;

struct Recorder : DXDrawSubscriber {
  Recorder(std::string name, std::vector<std::string>& log) : name(std::move(name)), log(log) {}
  void DXDrawNotify(TCustomDXDraw& sender, TDXDrawNotifyType type) override {
    static const char* names[] = {
        "destroying", "initializing",     "initialize", "initialize surface",
        "finalize",   "finalize surface", "restore",    "size changed"};
    log.push_back(name + ":" + names[static_cast<int>(type)]);
    if (onNotify) onNotify(sender, type);
  }
  std::string name;
  std::vector<std::string>& log;
  std::function<void(TCustomDXDraw&, TDXDrawNotifyType)> onNotify;
};

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    SetDisplayDeviceFactory(&factory);
    form = std::make_unique<TDXForm>();
    form->SetBounds(0, 0, 800, 600);
    draw = new TDXDraw(form.get());
  }
  void TearDown() override {
    form.reset();
    SetDisplayDeviceFactory(nullptr);
  }

  // The simulation's settings: 640 x 480 x 16 full screen.
  void ConfigureAsSimulation() {
    draw->AutoInitialize = false;
    draw->SetOptions(
        {doAllowReboot, doWaitVBlank, doCenter, doRetainedMode, doHardware, doSelectDriver});
    draw->Display().SetBitCount(16);
    draw->Display().SetWidth(640);
    draw->Display().SetHeight(480);
    draw->SetOptions(draw->Options() + doFullScreen);
  }

  static std::vector<DisplayMode> Modes(std::initializer_list<DisplayMode> modes) { return modes; }

  HeadlessDisplayFactory factory;
  std::unique_ptr<TDXForm> form;
  TDXDraw* draw = nullptr;  // owned by the form
  std::vector<std::string> log;
};

TEST_F(DisplayTest, OptionsInForceFollowTheRules) {
  ConfigureAsSimulation();
  EXPECT_EQ(draw->NowOptions(),
            (TDXDrawOptions{doFullScreen, doAllowReboot, doWaitVBlank, doCenter}));

  draw->SetOptions(draw->Options() - doFullScreen);
  EXPECT_EQ(draw->NowOptions(), (TDXDrawOptions{doWaitVBlank, doCenter}));

  // 3D keeps its companions, DirectX 7 mode drops retained mode, flipping
  // needs full screen and video memory; hardware is never in force.
  draw->SetOptions({doFullScreen, doFlip, do3D, doDirectX7Mode, doRetainedMode, doHardware});
  EXPECT_EQ(draw->NowOptions(), (TDXDrawOptions{doFullScreen, doFlip, do3D, doDirectX7Mode}));
  draw->SetOptions({doFullScreen, doFlip, doSystemMemory});
  EXPECT_EQ(draw->NowOptions(), (TDXDrawOptions{doFullScreen, doSystemMemory}));

  // While initialised only the presentation options change.
  ConfigureAsSimulation();
  draw->Initialize();
  draw->SetOptions({doStretch, doFlip, doSystemMemory});
  EXPECT_EQ(draw->NowOptions(), (TDXDrawOptions{doFullScreen, doAllowReboot, doStretch}));
  draw->Finalize();
  EXPECT_EQ(draw->NowOptions(), (TDXDrawOptions{doStretch, doSystemMemory}));
}

TEST_F(DisplayTest, DisplayPropertiesValidateTheirValues) {
  TDXDrawDisplay& d = draw->Display();
  EXPECT_EQ(d.BitCount(), 8);
  EXPECT_EQ(d.Width(), 640);
  EXPECT_EQ(d.Height(), 480);
  for (int bits : {0, 15, 64, -16}) {
    try {
      d.SetBitCount(bits);
      ADD_FAILURE() << bits << " was accepted";
    } catch (const EDirectDrawError& e) {
      EXPECT_STREQ(e.what(), "It should be either of 8 or 16 or 24 or 32");
    }
  }
  EXPECT_EQ(d.BitCount(), 8);
  d.SetBitCount(24);
  EXPECT_EQ(d.BitCount(), 24);
  d.SetWidth(-5);
  d.SetHeight(-1);
  EXPECT_EQ(d.Width(), 0);
  EXPECT_EQ(d.Height(), 0);
}

TEST_F(DisplayTest, ModeSelectionFallsBackByRatioThenBits) {
  ConfigureAsSimulation();
  // 640 x 480 only at 32 bits, no other 4:3 mode at 16: fixed bits fail.
  factory.Modes = Modes({{640, 480, 32}, {800, 600, 32}, {1280, 720, 24}});
  draw->Display().FixedRatio = true;
  try {
    draw->Initialize();
    FAIL() << "the mode was changed";
  } catch (const EDXDrawError& e) {
    EXPECT_STREQ(e.what(), "Display mode cannot be changed (640x480 16bit)");
  }
  EXPECT_FALSE(draw->Initialized());
  EXPECT_EQ(draw->Surface(), nullptr);
  EXPECT_EQ(draw->Device(), nullptr);

  // Without 640 x 480 x 16: the smallest mode of the same ratio wins.
  factory.Modes =
      Modes({{1024, 768, 16}, {640, 480, 32}, {1280, 720, 16}, {800, 600, 16}, {800, 600, 32}});
  draw->Initialize();
  EXPECT_EQ(draw->Display().Width(), 800);
  EXPECT_EQ(draw->Display().Height(), 600);
  EXPECT_EQ(draw->Display().BitCount(), 16);
  EXPECT_EQ(draw->SurfaceWidth(), 800) << "the surface follows the control, the whole screen";
  EXPECT_EQ(draw->Surface()->BitCount(), 16);
  ASSERT_EQ(draw->Display().Count(), 5);
  EXPECT_EQ(draw->Display().Modes()[0], (TDXDrawDisplayMode{640, 480, 32}));
  draw->Finalize();

  // No mode of that ratio: any larger one; with free bits the deeper one at
  // the size serves when the asked bits are missing there.
  factory.Modes = Modes({{1280, 720, 32}, {1600, 900, 16}});
  draw->Display().FixedBitCount = false;
  draw->Initialize();
  EXPECT_EQ(draw->Display().Width(), 1280);
  EXPECT_EQ(draw->Display().BitCount(), 32);
  draw->Finalize();

  // Fixed size refuses a larger screen.
  draw->Display().SetWidth(640);
  draw->Display().SetHeight(480);
  draw->Display().SetBitCount(16);
  draw->Display().FixedSize = true;
  factory.Modes = Modes({{800, 600, 16}});
  EXPECT_THROW(draw->Initialize(), EDXDrawError);
  // And 8 bits never serve a 16-bit request, even with free bits.
  draw->Display().FixedSize = false;
  factory.Modes = Modes({{640, 480, 8}, {1024, 768, 24}});
  draw->Initialize();
  EXPECT_EQ(draw->Display().Width(), 1024);
  EXPECT_EQ(draw->Display().BitCount(), 24);
}

TEST_F(DisplayTest, InitializeReportsMissingFormAndDevice) {
  TDXDraw loose;
  try {
    loose.Initialize();
    FAIL();
  } catch (const EDXDrawError& e) {
    EXPECT_STREQ(e.what(), "Form not found");
  }
  factory.FailCreate = true;
  try {
    draw->Initialize();
    FAIL();
  } catch (const EDirectDrawError& e) {
    EXPECT_STREQ(e.what(), "DirectDraw cannot be initialized");
  }
  EXPECT_FALSE(draw->Initialized());
  factory.FailCreate = false;
  factory.FailPrimary = true;
  try {
    draw->Initialize();
    FAIL();
  } catch (const EDXDrawError& e) {
    EXPECT_STREQ(e.what(), "Primary Surface cannot be made");
  }
}

TEST_F(DisplayTest, InitializeAndFinalizeRunEveryStepInOrder) {
  ConfigureAsSimulation();
  Recorder a("a", log), b("b", log);
  draw->Subscribe(&a);
  draw->Subscribe(&b);
  log.clear();
  bool canDrawWhileStarting = true;
  draw->OnInitializing = [&](TComponent*) { log.push_back("OnInitializing"); };
  a.onNotify = [&](TCustomDXDraw& d, TDXDrawNotifyType t) {
    if (t == N::dxntInitializing) canDrawWhileStarting = d.CanDraw();
  };
  draw->OnInitialize = [&](TComponent* sender) {
    EXPECT_EQ(sender, draw);
    log.push_back("OnInitialize");
  };
  draw->OnInitializeSurface = [&](TComponent*) { log.push_back("OnInitializeSurface"); };
  draw->OnRestoreSurface = [&](TComponent*) { log.push_back("OnRestoreSurface"); };
  draw->OnFinalize = [&](TComponent*) {
    log.push_back("OnFinalize");
    throw std::runtime_error("handler failed");
  };
  draw->OnFinalizeSurface = [&](TComponent*) { log.push_back("OnFinalizeSurface"); };

  EXPECT_FALSE(draw->CanDraw());
  draw->Initialize();
  EXPECT_FALSE(canDrawWhileStarting);
  EXPECT_TRUE(draw->CanDraw());
  EXPECT_EQ(draw->SurfaceWidth(), 640);
  EXPECT_EQ(draw->SurfaceHeight(), 480);
  EXPECT_TRUE(factory.Last->FullScreen);
  EXPECT_EQ(factory.Last->Form, form.get());
  EXPECT_EQ(log, (std::vector<std::string>{"OnInitializing", "b:initializing", "a:initializing",
                                           "b:size changed", "a:size changed", "b:initialize",
                                           "a:initialize", "OnInitialize", "b:initialize surface",
                                           "a:initialize surface", "OnInitializeSurface",
                                           "b:restore", "a:restore", "OnRestoreSurface"}));

  log.clear();
  // A failing OnFinalize does not keep the subscribers from hearing finalize,
  // nor the device from going; the error is passed on afterwards.
  EXPECT_THROW(draw->Finalize(), std::runtime_error);
  EXPECT_EQ(log, (std::vector<std::string>{"OnFinalizeSurface", "b:finalize surface",
                                           "a:finalize surface", "OnFinalize", "b:finalize",
                                           "a:finalize"}));
  EXPECT_FALSE(draw->Initialized());
  EXPECT_FALSE(draw->CanDraw());
  EXPECT_EQ(draw->Surface(), nullptr);
  EXPECT_EQ(draw->SurfaceWidth(), 640) << "the size is kept for the next time";
  log.clear();
  draw->Finalize();
  EXPECT_TRUE(log.empty());
  draw->Unsubscribe(&a);
  draw->Unsubscribe(&b);
}

TEST_F(DisplayTest, LateSubscriberCatchesUp) {
  ConfigureAsSimulation();
  draw->Initialize();
  Recorder late("late", log);
  draw->Subscribe(&late);
  EXPECT_EQ(log, (std::vector<std::string>{"late:size changed", "late:initialize",
                                           "late:initialize surface", "late:restore"}));
  log.clear();
  draw->Unsubscribe(&late);
  EXPECT_EQ(log, (std::vector<std::string>{"late:finalize surface", "late:finalize"}));

  // Subscribing from inside the notification phase of Initialize: the restore
  // comes with everybody's.
  draw->Finalize();
  log.clear();
  Recorder inner("inner", log);
  draw->OnInitialize = [&](TComponent*) { draw->Subscribe(&inner); };
  draw->Initialize();
  EXPECT_EQ(log, (std::vector<std::string>{"inner:size changed", "inner:initialize",
                                           "inner:initialize surface", "inner:restore"}));
  draw->Unsubscribe(&inner);

  // A display going away tells its subscribers to forget it.
  Recorder last("last", log);
  draw->Subscribe(&last);
  log.clear();
  form.reset();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "last:destroying");
}

TEST_F(DisplayTest, FlipPresentsAfterTheVerticalBlankAndCentres) {
  ConfigureAsSimulation();
  draw->Flip();  // not initialised: nothing
  draw->Initialize();
  HeadlessDisplayDevice& device = *factory.Last;
  draw->Surface()->SetPixels(3, 2, 0xF800);
  draw->Surface()->Canvas().TextOut(300, 300, "x");  // the canvas holds the surface
  draw->Flip();
  EXPECT_EQ(device.FramesPresented, 0) << "presented while the canvas held the back buffer";
  draw->Surface()->Canvas().Release();
  draw->Flip();
  ASSERT_EQ(device.FramesPresented, 1);
  EXPECT_EQ(device.Calls, (std::vector<char>{'W', 'P'}));
  EXPECT_EQ(device.Frames[0].Target, (PresentRect{0, 0, 640, 480}));
  EXPECT_EQ(device.Frames[0].At(3, 2), 0xF800u);
  EXPECT_EQ(device.Frames[0].At(2, 3), 0u);
  draw->Finalize();

  // Windowed, with a smaller surface: centred in the control; stretched fills
  // it; without the wait option no wait.
  draw->SetOptions({doCenter});
  draw->AutoSize = false;
  draw->SetSurfaceWidth(640);
  draw->SetSurfaceHeight(480);
  draw->Initialize();
  draw->Flip();
  HeadlessDisplayDevice& windowed = *factory.Last;
  ASSERT_EQ(windowed.FramesPresented, 1);
  EXPECT_EQ(windowed.Frames[0].Target, (PresentRect{80, 60, 720, 540}));
  EXPECT_EQ(windowed.VerticalBlankWaits, 0);
  draw->SetOptions({doStretch});
  draw->Flip();
  EXPECT_EQ(windowed.Frames[1].Target, (PresentRect{0, 0, 800, 600}));
}

TEST_F(DisplayTest, LostSurfacesAreRestoredOrTheFrameIsSkipped) {
  ConfigureAsSimulation();
  Recorder sub("sub", log);
  draw->Subscribe(&sub);
  draw->Initialize();
  HeadlessDisplayDevice& device = *factory.Last;
  draw->Surface()->Fill(0x1234);
  log.clear();

  device.LoseScreen();
  device.FailRestore = true;
  EXPECT_FALSE(draw->CanDraw());
  draw->Flip();
  EXPECT_EQ(device.FramesPresented, 0);
  EXPECT_TRUE(log.empty()) << "nothing is announced while the screen stays away";

  device.FailRestore = false;
  EXPECT_TRUE(draw->CanDraw());
  EXPECT_EQ(log, (std::vector<std::string>{"sub:restore"}));
  EXPECT_EQ(draw->Surface()->Pixels(5, 5), 0u) << "restored surfaces start cleared";
  draw->Flip();
  EXPECT_EQ(device.FramesPresented, 1);
  draw->Unsubscribe(&sub);
}

TEST_F(DisplayTest, ResizingRemakesTheBackBuffer) {
  draw->SetOptions({doCenter});
  draw->AutoSize = false;
  Recorder sub("sub", log);
  draw->Subscribe(&sub);
  draw->SetSurfaceWidth(320);
  EXPECT_EQ(draw->SurfaceWidth(), 320);
  draw->Initialize();
  EXPECT_EQ(draw->Surface()->Width(), 320);
  log.clear();
  draw->SetSurfaceHeight(200);
  EXPECT_EQ(draw->Surface()->Height(), 200);
  EXPECT_EQ(log, (std::vector<std::string>{"sub:finalize surface", "sub:initialize surface",
                                           "sub:size changed"}));
  log.clear();
  draw->SetSurfaceHeight(200);
  EXPECT_TRUE(log.empty());

  // With AutoSize the surface follows the window.
  draw->AutoSize = true;
  form->Show();
  form->SetBounds(0, 0, 500, 400);
  TestApp().ProcessMessages();
  EXPECT_EQ(draw->SurfaceWidth(), 500);
  EXPECT_EQ(draw->SurfaceHeight(), 400);
  draw->Unsubscribe(&sub);
}

TEST_F(DisplayTest, AutoInitializeOnShowAndFinalizeWithTheWindow) {
  draw->SetOptions({doCenter, doWaitVBlank});
  int initialized = 0, finalized = 0;
  draw->OnInitialize = [&](TComponent*) { ++initialized; };
  draw->OnFinalize = [&](TComponent*) { ++finalized; };
  form->Show();
  EXPECT_EQ(initialized, 1);
  // Showing the window asks for a repaint: the back buffer is shown, without
  // waiting for the vertical blank.
  TestApp().ProcessMessages();
  ASSERT_NE(factory.Last, nullptr);
  EXPECT_GE(factory.Last->FramesPresented, 1);
  EXPECT_EQ(factory.Last->VerticalBlankWaits, 0);
  form->Hide();
  form->Show();
  EXPECT_EQ(initialized, 1) << "only the first showing initialises";
  form.reset();
  EXPECT_EQ(finalized, 1);
}

}  // namespace
