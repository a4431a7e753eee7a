#include <SDL.h>
#include <gtest/gtest.h>

#include "engine/dx_input.h"
#include "input_doubles.h"
#include "platform/joystick.h"

namespace {

int Answering(const JoystickPort& port) {
  int n = 0;
  for (int id = 0; id < JoystickPort::MaxId; ++id) {
    JoystickCaps caps;
    if (port.GetDevCaps(id, caps)) ++n;
  }
  return n;
}

}  // namespace

// The real port, with no display and whatever pads the machine has (usually
// none). A virtual pad stands in for hardware: plugged in while running,
// moved, and pulled out again.
TEST(SdlJoystickPort, PicksUpAndDropsPadsWhileRunning) {
  SetCurrentJoystick(nullptr);
  JoystickPort& port = CurrentJoystick();
  port.Refresh();  // starts the subsystem
  const int before = Answering(port);
  JoystickCaps caps;
  JoystickPosition pos;
  EXPECT_FALSE(port.GetDevCaps(-1, caps));
  EXPECT_FALSE(port.GetPos(before, pos));

  const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 40, 0);
  if (index < 0) GTEST_SKIP() << "no virtual joystick support: " << SDL_GetError();
  SDL_Joystick* handle = SDL_JoystickOpen(index);
  ASSERT_NE(handle, nullptr);
  const SDL_JoystickID instance = SDL_JoystickInstanceID(handle);
  SDL_JoystickSetVirtualAxis(handle, 0, -32768);
  SDL_JoystickSetVirtualAxis(handle, 1, 32767);
  SDL_JoystickSetVirtualButton(handle, 0, SDL_PRESSED);
  SDL_JoystickSetVirtualButton(handle, 31, SDL_PRESSED);

  port.Refresh();
  ASSERT_EQ(Answering(port), before + 1);
  // Pads take the lowest free id.
  const int id = before;
  ASSERT_TRUE(port.GetDevCaps(id, caps));
  EXPECT_EQ(caps.xMax, 65535u);
  EXPECT_EQ(caps.yMax, 65535u);
  EXPECT_EQ(caps.zMax, 0u);        // two axes only
  EXPECT_EQ(caps.numButtons, 32);  // 40 buttons, of which 32 are read
  ASSERT_TRUE(port.GetPos(id, pos));
  EXPECT_EQ(pos.x, 0u);
  EXPECT_EQ(pos.y, 65535u);
  EXPECT_EQ(pos.buttons, 1u | (1u << 31));

  // And through the input component, which reads the first pad that answers.
  if (before == 0) {
    ScriptedKeyState keys;
    TDXInput input;
    EXPECT_TRUE(input.States().Contains(isLeft));
    EXPECT_TRUE(input.States().Contains(isDown));
    EXPECT_TRUE(input.States().Contains(isButton32));
    SDL_JoystickSetVirtualAxis(handle, 0, 0);
    input.Update();
    EXPECT_FALSE(input.States().Contains(isLeft));
  }

  SDL_JoystickClose(handle);
  for (int i = 0; i < SDL_NumJoysticks(); ++i)
    if (SDL_JoystickGetDeviceInstanceID(i) == instance) SDL_JoystickDetachVirtual(i);
  port.Refresh();
  EXPECT_EQ(Answering(port), before);
  EXPECT_FALSE(port.GetPos(id, pos));
}
