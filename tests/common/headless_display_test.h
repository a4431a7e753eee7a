#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "gfx/display.h"
#include "platform/headless_display.h"
#include "tests/common/test_app.h"

// A form with a display set up as the simulation's (640 x 480 x 16, full
// screen, started by the test), drawing on a headless device.
class HeadlessDisplayTest : public ::testing::Test {
 protected:
  explicit HeadlessDisplayTest(int formWidth = 640, int formHeight = 480)
      : formWidth_(formWidth), formHeight_(formHeight) {}

  void SetUp() override {
    TestApp();
    SetDisplayDeviceFactory(&factory);
    form = std::make_unique<TDXForm>();
    form->SetBounds(0, 0, formWidth_, formHeight_);
    draw = new TDXDraw(form.get());
    draw->AutoInitialize = false;
    draw->Display().SetBitCount(16);
    draw->Display().SetWidth(640);
    draw->Display().SetHeight(480);
    draw->SetOptions(draw->Options() + doFullScreen);
  }
  void TearDown() override {
    form.reset();
    SetDisplayDeviceFactory(nullptr);
  }

  HeadlessDisplayFactory factory;
  std::unique_ptr<TDXForm> form;
  TDXDraw* draw = nullptr;  // owned by the form

 private:
  int formWidth_;
  int formHeight_;
};
