#include "engine/dx_input.h"

#include <gtest/gtest.h>

#include "input_doubles.h"

namespace {

constexpr int VK_RETURN = 13, VK_SPACE = 32, VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39;
constexpr int VK_K = 75;

class InputTest : public ::testing::Test {
 protected:
  ScriptedKeyState keys;
  ScriptedJoystick pads;
  TComponent form;
};

bool Has(const TDXInputStates& s, TDXInputState st) {
  return s.Contains(st);
}

}  // namespace

TEST_F(InputTest, DefaultAssignsAndTheirStoredForm) {
  TDXInput input(&form);
  const TKeyAssignList& a = input.Keyboard().Assigns;
  EXPECT_EQ(a[isUp], (TKeyAssign{75, 38, 104}));
  EXPECT_EQ(a[isRight], (TKeyAssign{76, 39, 102}));
  EXPECT_EQ(a[isButton2], (TKeyAssign{88, 13, 0}));
  EXPECT_EQ(a[isButton9], (TKeyAssign{113, 0, 0}));
  EXPECT_EQ(a[isButton3], (TKeyAssign{0, 0, 0}));

  const std::vector<std::uint8_t> data = input.Keyboard().WriteAssignsData();
  ASSERT_EQ(data.size(), 432u);
  // Row isUp, second code (Up arrow) as a little-endian 32-bit integer.
  EXPECT_EQ(data[4], 38);
  EXPECT_EQ(data[5], 0);
  // Row isButton9 starts at 12 * 12 bytes.
  EXPECT_EQ(data[144], 113);

  // A negative code survives the round trip with its sign.
  std::vector<std::uint8_t> edited = data;
  edited[0] = 0xFE;
  edited[1] = edited[2] = edited[3] = 0xFF;
  TDXInput other(&form);
  EXPECT_TRUE(other.Keyboard().ReadBinaryProperty("Aissgns", edited));
  EXPECT_EQ(other.Keyboard().Assigns[isUp][0], -2);
  EXPECT_TRUE(other.Keyboard().ReadBinaryProperty("Assigns", data));
  EXPECT_EQ(other.Keyboard().Assigns, input.Keyboard().Assigns);
  EXPECT_FALSE(other.Keyboard().ReadBinaryProperty("Effects", data));

  // Short data is refused without touching the table.
  other.Keyboard().Assigns[isUp][0] = 7;
  std::vector<std::uint8_t> shortData(data.begin(), data.end() - 1);
  EXPECT_THROW(other.Keyboard().ReadAssignsData(shortData), EDXInputError);
  EXPECT_EQ(other.Keyboard().Assigns[isUp][0], 7);
}

TEST_F(InputTest, StatesChangeOnlyOnTransitions) {
  TDXInput input(&form);
  input.Update();
  EXPECT_TRUE(input.States().Empty());

  // Two keys of one state: the state lasts until the last one is up.
  keys.Press(VK_UP);
  keys.Press(VK_K);
  input.Update();
  EXPECT_TRUE(Has(input.States(), isUp));
  keys.Release(VK_UP);
  input.Update();
  EXPECT_TRUE(Has(input.States(), isUp));
  keys.Release(VK_K);
  input.Update();
  EXPECT_FALSE(Has(input.States(), isUp));

  // Opposite directions at once are both reported.
  keys.Press(VK_LEFT);
  keys.Press(VK_RIGHT);
  input.Update();
  EXPECT_TRUE(Has(input.States(), isLeft));
  EXPECT_TRUE(Has(input.States(), isRight));
  keys.Release(VK_LEFT);
  keys.Release(VK_RIGHT);
  input.Update();

  // Removed by the application while held: stays away until pressed anew.
  keys.Press(VK_SPACE);
  input.Update();
  EXPECT_TRUE(Has(input.States(), isButton1));
  input.States().Exclude(isButton1);
  input.Update();
  input.Update();
  EXPECT_FALSE(Has(input.States(), isButton1));
  keys.Release(VK_SPACE);
  input.Update();
  keys.Press(VK_SPACE);
  input.Update();
  EXPECT_TRUE(Has(input.States(), isButton1));
  keys.Release(VK_SPACE);
  input.Update();

  // Added by the application: stays until one of its inputs goes up.
  input.States().Include(isButton2);
  input.Update();
  EXPECT_TRUE(Has(input.States(), isButton2));
  keys.Press(VK_RETURN);
  input.Update();
  keys.Release(VK_RETURN);
  input.Update();
  EXPECT_FALSE(Has(input.States(), isButton2));
  EXPECT_TRUE(input.OldStates().Empty());
}

TEST_F(InputTest, NothingIsReadWhileTheWindowIsNotInFront) {
  TDXInput input(&form);
  keys.Press(VK_UP);
  pads.Plug(0).pos.x = 0;
  input.Update();
  EXPECT_TRUE(Has(input.States(), isUp));
  EXPECT_TRUE(Has(input.States(), isLeft));
  EXPECT_EQ(keys.lastForm, &form);

  keys.foreground = false;
  const int polls = keys.polls;
  input.Update();
  EXPECT_TRUE(input.States().Empty());
  EXPECT_EQ(keys.polls, polls);  // the keyboard was not even read
  EXPECT_EQ(input.Joystick().X(), 0);

  // Without ActiveOnly the keys count whatever has the focus.
  input.SetActiveOnly(false);
  input.Update();
  EXPECT_TRUE(Has(input.States(), isUp));
  EXPECT_TRUE(Has(input.States(), isLeft));
}

TEST_F(InputTest, OnlyCodesOneTo255Match) {
  TDXInput input(&form);
  input.Keyboard().Assigns[isButton5] = {0, 256, -1};
  input.Keyboard().Assigns[isButton6] = {0, 0, 255};
  keys.keys.fill(0x80);
  input.Update();
  EXPECT_FALSE(Has(input.States(), isButton5));
  EXPECT_TRUE(Has(input.States(), isButton6));
  EXPECT_EQ(input.Keyboard().Keys(255), 0x80);
  EXPECT_EQ(input.Keyboard().Keys(256), 0);
}

TEST_F(InputTest, DevicesThatAreNotBoundOrNotEnabledReportNothing) {
  TDXInput input(&form);
  keys.Press(VK_UP);
  input.Keyboard().BindInputStates = false;
  input.Update();
  EXPECT_TRUE(Has(input.Keyboard().States(), isUp));
  EXPECT_FALSE(Has(input.States(), isUp));

  input.Keyboard().BindInputStates = true;
  input.Keyboard().SetEnabled(false);
  EXPECT_FALSE(input.Keyboard().Initialized());
  input.Update();
  EXPECT_FALSE(Has(input.States(), isUp));
  input.Keyboard().SetEnabled(true);
  input.Update();
  EXPECT_TRUE(Has(input.States(), isUp));
}

TEST_F(InputTest, ComponentReadInFromAStoredDescriptionStartsWhenReadingEnds) {
  form.BeginLoading();
  auto* input = new TDXInput(&form);  // owned by the form
  EXPECT_FALSE(input->Keyboard().Initialized());
  input->Keyboard().SetEnabled(false);
  input->Keyboard().SetEnabled(true);
  EXPECT_FALSE(input->Keyboard().Initialized());
  keys.Press(VK_UP);
  form.EndLoading();
  EXPECT_TRUE(input->Keyboard().Initialized());
  // Initialising updates once, so the held key is already there.
  EXPECT_TRUE(Has(input->States(), isUp));
}

TEST_F(InputTest, EnablingTheMouseIsAnErrorThatLeavesItDisabled) {
  TDXInput input(&form);
  EXPECT_FALSE(input.Mouse().Enabled());
  EXPECT_FALSE(input.Mouse().BindInputStates);
  try {
    input.Mouse().SetEnabled(true);
    FAIL() << "no error";
  } catch (const EDXInputError& e) {
    EXPECT_STREQ(e.what(), "DirectInput is necessary to use the mouse");
  }
  EXPECT_FALSE(input.Mouse().Enabled());
  // The component goes on working, also through a full re-initialisation.
  input.SetUseDirectInput(false);
  keys.Press(VK_UP);
  input.Update();
  EXPECT_TRUE(Has(input.States(), isUp));
}

TEST(JoystickAxis, DeadZoneRangeAndRounding) {
  // A 0..65535 pad with dead zone 50 and range 1000.
  EXPECT_EQ(TJoystick::ScaleAxis(32767, 0, 65535, 50, 1000), 0);
  EXPECT_EQ(TJoystick::ScaleAxis(65535, 0, 65535, 50, 1000), 1000);
  EXPECT_EQ(TJoystick::ScaleAxis(49150, 0, 65535, 50, 1000), 0);  // on the edge
  EXPECT_EQ(TJoystick::ScaleAxis(0, 0, 65535, 50, 1000), -1000);
  EXPECT_EQ(TJoystick::ScaleAxis(16384, 0, 65535, 50, 1000), 0);
  // Just past the edge; then half way out, where the quotient is a tie.
  EXPECT_EQ(TJoystick::ScaleAxis(49159, 0, 65535, 50, 1000), 1);
  EXPECT_EQ(TJoystick::ScaleAxis(57342, 0, 65535, 50, 3), 2);  // 1.5 rounds to even
  EXPECT_EQ(TJoystick::ScaleAxis(8192, 0, 65535, 50, 3), -2);

  // Without a dead zone every step away from the middle counts.
  EXPECT_EQ(TJoystick::ScaleAxis(32768, 0, 65535, 0, 1000), 0);
  EXPECT_EQ(TJoystick::ScaleAxis(32800, 0, 65535, 0, 1000), 1);

  // A full dead zone, an empty range or a device without that axis: 0.
  EXPECT_EQ(TJoystick::ScaleAxis(65535, 0, 65535, 100, 1000), 0);
  EXPECT_EQ(TJoystick::ScaleAxis(65535, 0, 65535, 50, 0), 0);
  EXPECT_EQ(TJoystick::ScaleAxis(5, 0, 0, 50, 1000), 0);

  // A device whose range does not start at 0 is centred in its own range.
  EXPECT_EQ(TJoystick::ScaleAxis(150, 100, 200, 50, 1000), 0);
  EXPECT_EQ(TJoystick::ScaleAxis(200, 100, 200, 50, 1000), 1000);
  EXPECT_EQ(TJoystick::ScaleAxis(100, 100, 200, 50, 1000), -1000);
}

TEST_F(InputTest, JoystickAxesAndButtonsBecomeStates) {
  ScriptedJoystick::Pad& pad = pads.Plug(0, 65535, 4);
  TDXInput input(&form);
  EXPECT_EQ(input.Joystick().DeadZoneX(), 50);
  EXPECT_EQ(input.Joystick().RangeY(), 1000);

  pad.pos.x = 65535;
  pad.pos.y = 0;
  pad.pos.buttons = 0b1001 | (1u << 20);  // button 20 is beyond the pad's 4
  input.Update();
  EXPECT_EQ(input.Joystick().X(), 1000);
  EXPECT_EQ(input.Joystick().Y(), -1000);
  EXPECT_TRUE(Has(input.States(), isRight));
  EXPECT_TRUE(Has(input.States(), isUp));
  EXPECT_FALSE(Has(input.States(), isLeft));
  EXPECT_FALSE(Has(input.States(), isDown));
  EXPECT_TRUE(Has(input.States(), isButton1));
  EXPECT_FALSE(Has(input.States(), isButton2));
  EXPECT_TRUE(Has(input.States(), isButton4));
  EXPECT_FALSE(Has(input.States(), isButton21));

  // On the dead-zone edge the stick counts as centred.
  pad.pos.x = 49150;
  pad.pos.y = 32767;
  pad.pos.buttons = 1u << 3;
  input.Update();
  EXPECT_FALSE(Has(input.States(), isRight));
  EXPECT_FALSE(Has(input.States(), isUp));
  EXPECT_FALSE(Has(input.States(), isButton1));

  // All 32 buttons of a pad that has them.
  ScriptedJoystick::Pad& big = pads.Plug(0, 65535, 32);
  big.pos.buttons = 1u << 31;
  input.Update();
  EXPECT_TRUE(Has(input.States(), isButton32));

  // Written values are clamped.
  input.Joystick().SetDeadZoneX(150);
  input.Joystick().SetDeadZoneY(-3);
  input.Joystick().SetRangeZ(-1);
  EXPECT_EQ(input.Joystick().DeadZoneX(), 100);
  EXPECT_EQ(input.Joystick().DeadZoneY(), 0);
  EXPECT_EQ(input.Joystick().RangeZ(), 0);
}

TEST_F(InputTest, PadsPluggedInAndPulledOutWhileRunning) {
  TDXInput input(&form);
  EXPECT_TRUE(input.Joystick().Initialized());
  EXPECT_EQ(input.Joystick().PortId(), -1);
  input.Update();
  EXPECT_TRUE(input.States().Empty());

  // Plugged in later: read from the next poll on.
  pads.Plug(3).pos.y = 65535;
  input.Update();
  EXPECT_EQ(input.Joystick().PortId(), 3);
  EXPECT_TRUE(Has(input.States(), isDown));

  // Pulled out: no reading, and the held direction ends.
  pads.Pull(3);
  input.Update();
  EXPECT_EQ(input.Joystick().PortId(), -1);
  EXPECT_EQ(input.Joystick().Y(), 0);
  EXPECT_FALSE(Has(input.States(), isDown));

  // ID counts only the pads that answer, whatever their ids.
  pads.Plug(5).pos.x = 0;
  pads.Plug(9).pos.x = 65535;
  input.Joystick().SetID(1);
  input.Update();
  EXPECT_EQ(input.Joystick().PortId(), 9);
  EXPECT_TRUE(Has(input.States(), isRight));
  input.Joystick().SetID(-1);
  EXPECT_FALSE(input.Joystick().Initialized());
  input.Update();
  EXPECT_FALSE(Has(input.States(), isRight));
}
