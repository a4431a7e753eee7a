#include <SDL.h>
#include <gtest/gtest.h>

#include "engine/dx_input.h"
#include "input_doubles.h"
#include "platform/joystick.h"

// The real port on a machine that may have no pads and no display: polling
// must work and simply find nothing at ids that no pad holds.
TEST(SdlJoystickPort, PollsWithoutPadsOrDisplay) {
  SetCurrentJoystick(nullptr);
  JoystickPort& port = CurrentJoystick();
  int answering = 0;
  for (int round = 0; round < 3; ++round) {
    port.Refresh();
    answering = 0;
    for (int id = 0; id < JoystickPort::MaxId; ++id) {
      JoystickCaps caps;
      JoystickPosition pos;
      const bool hasCaps = port.GetDevCaps(id, caps);
      EXPECT_EQ(hasCaps, port.GetPos(id, pos)) << id;
      if (hasCaps) {
        ++answering;
        EXPECT_LE(caps.numButtons, 32);
        EXPECT_LE(pos.x, caps.xMax);
      }
    }
  }
  // Pads take the lowest free ids, so the answering ones have no gaps.
  for (int id = 0; id < answering; ++id) {
    JoystickCaps caps;
    EXPECT_TRUE(port.GetDevCaps(id, caps)) << id;
  }
  JoystickCaps caps;
  EXPECT_FALSE(port.GetDevCaps(-1, caps));
  EXPECT_FALSE(port.GetDevCaps(JoystickPort::MaxId, caps));
}

// A virtual pad stands in for hardware: plugged in while running, moved, and
// pulled out again.
TEST(SdlJoystickPort, PicksUpAndDropsPadsWhileRunning) {
  SetCurrentJoystick(nullptr);
  JoystickPort& port = CurrentJoystick();
  port.Refresh();  // starts the subsystem
  auto answering = [&] {
    int n = 0;
    for (int id = 0; id < JoystickPort::MaxId; ++id) {
      JoystickCaps caps;
      if (port.GetDevCaps(id, caps)) ++n;
    }
    return n;
  };
  const int before = answering();

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
  port.Refresh();
  ASSERT_EQ(answering(), before + 1);
  int id = -1;
  JoystickCaps caps;
  for (int i = 0; i < JoystickPort::MaxId && id < 0; ++i)
    if (port.GetDevCaps(i, caps) && caps.zMax == 0) id = i;
  ASSERT_GE(id, 0);
  EXPECT_EQ(caps.xMin, 0u);
  EXPECT_EQ(caps.xMax, 65535u);
  EXPECT_EQ(caps.yMax, 65535u);
  EXPECT_EQ(caps.numButtons, 32);  // 40 buttons, of which 32 are read
  JoystickPosition pos;
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
    EXPECT_TRUE(input.States().Contains(isButton1));
    EXPECT_TRUE(input.States().Contains(isButton32));
    SDL_JoystickSetVirtualAxis(handle, 0, 0);
    input.Update();
    EXPECT_FALSE(input.States().Contains(isLeft));
  }

  SDL_JoystickClose(handle);
  for (int i = 0; i < SDL_NumJoysticks(); ++i)
    if (SDL_JoystickGetDeviceInstanceID(i) == instance) SDL_JoystickDetachVirtual(i);
  port.Refresh();
  EXPECT_EQ(answering(), before);
  EXPECT_FALSE(port.GetPos(id, pos));
}
