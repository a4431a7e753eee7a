#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <vector>

#include "platform/form.h"
#include "platform/form_window.h"
#include "platform/key_state_table.h"
#include "platform/virtual_keys.h"
#include "tests/common/test_app.h"

namespace {

bool Polled(KeyStatePort& port, int key) {
  std::uint8_t keys[256];
  port.GetKeyboardState(keys);
  return keys[key] == 0x80;
}

TEST(KeyStateTable, QuickTapCountsOnceAndHeldKeyStaysDown) {
  KeyStateTable table;
  // Pressed and released between two polls: seen at the next poll, once.
  table.KeyPressed(vk::Up);
  table.KeyReleased(vk::Up);
  EXPECT_FALSE(table.IsDown(vk::Up));
  EXPECT_TRUE(Polled(table, vk::Up));
  EXPECT_FALSE(Polled(table, vk::Up));

  // Held across polls: down at each; released: up at the next.
  table.KeyPressed(vk::Left);
  EXPECT_TRUE(Polled(table, vk::Left));
  EXPECT_TRUE(Polled(table, vk::Left));
  table.KeyReleased(vk::Left);
  EXPECT_FALSE(Polled(table, vk::Left));

  // Auto-repeat neither presses nor releases.
  table.KeyPressed(vk::Right);
  table.KeyReleased(vk::Right, true);
  table.KeyPressed(vk::Right, true);
  EXPECT_TRUE(table.IsDown(vk::Right));
  table.KeyReleased(vk::Right);
  table.KeyPressed(vk::Right, true);
  EXPECT_TRUE(Polled(table, vk::Right)) << "the real press is still latched";
  EXPECT_FALSE(Polled(table, vk::Right)) << "a repeat alone is not a press";

  // Codes outside the table are ignored rather than written past it.
  table.KeyPressed(0);
  table.KeyPressed(256);
  table.KeyPressed(-5);
  std::uint8_t keys[256];
  table.GetKeyboardState(keys);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(keys[i], 0) << i;
}

TEST(KeyStateTable, ClearForgetsHeldKeysAndTaps) {
  KeyStateTable table;
  table.KeyPressed(vk::Down);
  table.KeyPressed(vk::Space);
  table.KeyReleased(vk::Space);
  table.Clear();
  EXPECT_FALSE(Polled(table, vk::Down));
  EXPECT_FALSE(Polled(table, vk::Space));
}

TEST(VirtualKeys, QtKeysMapToWindowsCodes) {
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Up, false), 38);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Down, false), 40);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Left, false), 37);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Right, false), 39);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Escape, false), 27);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Space, false), 32);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Return, false), 13);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Enter, true), 13);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Backspace, false), 8);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Tab, false), 9);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Shift, false), 16);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Control, false), 17);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Alt, false), 18);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_K, false), 'K');
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Z, false), 'Z');
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_A, false), 'A');
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_0, false), '0');
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_9, false), '9');
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_F1, false), 0x70);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_F12, false), 0x7B);
  // The keypad: digits with NumLock on get their own codes; with NumLock off
  // the same keys arrive as arrows and stay arrows.
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_8, true), 104);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_0, true), 96);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Up, true), 38);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Left, true), 37);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Minus, true), 109);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_unknown, false), 0);
}

class FormKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    form.Show();
    ASSERT_TRUE(RunUntil([&] { return form.Focused(); }));
    std::uint8_t keys[256];
    RealKeyStateTable().GetKeyboardState(keys);  // drop earlier taps
  }
  void Send(QEvent::Type type, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
            bool repeat = false) {
    QKeyEvent e(type, key, mods, QString(), repeat);
    QCoreApplication::sendEvent(form.Window(), &e);
  }
  struct AppFirst {
    AppFirst() { TestApp(); }
  } appFirst_;  // the form below needs the application
  RecordingShell shell;
  TForm form;
};

TEST_F(FormKeyTest, KeyEventsFeedTheTableAndTheFormsHandler) {
  std::vector<int> downs;
  form.OnKeyDown = [&](TComponent*, std::uint16_t& key, TShiftState shift) {
    downs.push_back(key);
    EXPECT_EQ(shift.Shift, key == vk::Space);
    if (key == vk::Escape) throw std::runtime_error("handler failed");
  };
  Send(QEvent::KeyPress, Qt::Key_Up);
  Send(QEvent::KeyPress, Qt::Key_8, Qt::KeypadModifier);
  Send(QEvent::KeyPress, Qt::Key_Space, Qt::ShiftModifier);
  Send(QEvent::KeyRelease, Qt::Key_Space, Qt::ShiftModifier);
  Send(QEvent::KeyPress, Qt::Key_Escape);
  // A held key's repeats reach no handler.
  Send(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, true);
  EXPECT_EQ(downs, (std::vector<int>{vk::Up, 104, vk::Space, vk::Escape}));
  EXPECT_EQ(shell.Messages, (std::vector<std::string>{"handler failed"}));

  KeyStatePort& port = CurrentKeyState();
  EXPECT_TRUE(port.IsForeground(&form));
  std::uint8_t keys[256];
  port.GetKeyboardState(keys);
  EXPECT_EQ(keys[vk::Up], 0x80);
  EXPECT_EQ(keys[104], 0x80);
  EXPECT_EQ(keys[vk::Space], 0x80) << "a tap between polls must not be lost";
  EXPECT_EQ(keys[vk::Escape], 0x80);
  EXPECT_EQ(keys[vk::Down], 0);
  port.GetKeyboardState(keys);
  EXPECT_EQ(keys[vk::Space], 0);
  EXPECT_EQ(keys[vk::Up], 0x80);

  // A component of the form counts as the form.
  TComponent part(&form);
  EXPECT_TRUE(port.IsForeground(&part));
  TForm other;
  EXPECT_FALSE(port.IsForeground(&other));
}

TEST_F(FormKeyTest, FocusLossAndModalReturnClearTheTable) {
  Send(QEvent::KeyPress, Qt::Key_Up);
  TForm other;
  other.Show();
  ASSERT_TRUE(RunUntil([&] { return other.Focused(); }));
  EXPECT_FALSE(RealKeyStateTable().IsDown(vk::Up));
  EXPECT_FALSE(Polled(CurrentKeyState(), vk::Up));
  other.Hide();

  // A key still held when a modal dialog closes is not left down.
  form.Show();
  ASSERT_TRUE(RunUntil([&] { return form.Focused(); }));
  TForm dialog;
  dialog.OnKeyDown = [&](TComponent*, std::uint16_t& key, TShiftState) {
    if (key == vk::Return) dialog.ModalResult = 1;
  };
  QObject guard;
  QTimer::singleShot(20, &guard, [&] {
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.Window(), &down);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.Window(), &enter);
  });
  QTimer::singleShot(2000, &guard, [&] { dialog.ModalResult = 99; });
  EXPECT_EQ(dialog.ShowModal(), 1);
  EXPECT_FALSE(RealKeyStateTable().IsDown(vk::Down));
  EXPECT_FALSE(Polled(CurrentKeyState(), vk::Return));
}

// The code of a key follows the layout and the modifiers of the moment; a
// release must clear what the press of the same physical key set.
TEST_F(FormKeyTest, ReleaseClearsWhatThePressOfTheSameKeySet) {
  auto send = [&](QEvent::Type type, int key, quint32 scanCode,
                  Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(type, key, mods, scanCode, 0, 0);
    QCoreApplication::sendEvent(form.Window(), &e);
  };
  KeyStateTable& table = RealKeyStateTable();
  constexpr quint32 ScanL = 46, ScanAltGr = 108, ScanKeypad8 = 80, ScanShift = 50, ScanUp = 111;

  // Polish layout: hold L, press AltGr, let go of L (which now reads as l-stroke).
  send(QEvent::KeyPress, Qt::Key_L, ScanL);
  send(QEvent::KeyPress, Qt::Key_AltGr, ScanAltGr);
  EXPECT_TRUE(table.IsDown('L'));
  send(QEvent::KeyRelease, 0x0141, ScanL, Qt::GroupSwitchModifier);
  EXPECT_FALSE(table.IsDown('L')) << "steering stuck to the right";
  send(QEvent::KeyRelease, Qt::Key_AltGr, ScanAltGr);

  // NumLock on: hold keypad 8, press Shift, let go of keypad 8 (now an arrow).
  send(QEvent::KeyPress, Qt::Key_8, ScanKeypad8, Qt::KeypadModifier);
  send(QEvent::KeyPress, Qt::Key_Shift, ScanShift, Qt::ShiftModifier);
  EXPECT_TRUE(table.IsDown(104));
  send(QEvent::KeyRelease, Qt::Key_Up, ScanKeypad8, Qt::KeypadModifier | Qt::ShiftModifier);
  EXPECT_FALSE(table.IsDown(104)) << "throttle stuck open";
  EXPECT_FALSE(table.IsDown(vk::Up)) << "a release presses nothing";
  send(QEvent::KeyRelease, Qt::Key_Shift, ScanShift);

  // Two physical keys with one code: the code stays down until both are up.
  send(QEvent::KeyPress, Qt::Key_Up, ScanUp);
  send(QEvent::KeyPress, Qt::Key_Up, ScanKeypad8, Qt::KeypadModifier);
  send(QEvent::KeyRelease, Qt::Key_Up, ScanUp);
  EXPECT_TRUE(table.IsDown(vk::Up));
  send(QEvent::KeyRelease, Qt::Key_Up, ScanKeypad8, Qt::KeypadModifier);
  EXPECT_FALSE(table.IsDown(vk::Up));

  // Focus leaving forgets which key set what: a later release of the same
  // physical key, with another code, changes nothing.
  send(QEvent::KeyPress, Qt::Key_K, 45);
  table.SetFocusForm(nullptr);
  table.SetFocusForm(&form);
  send(QEvent::KeyPress, Qt::Key_J, 44);
  send(QEvent::KeyRelease, Qt::Key_K, 45);
  EXPECT_TRUE(table.IsDown('J'));
  EXPECT_FALSE(table.IsDown('K'));
}

// Without a window manager nobody gives the focus back when a dialog closes:
// the window behind it takes it back itself.
TEST_F(FormKeyTest, TheWindowBehindADialogTakesTheFocusBack) {
  TForm dialog;
  TestApp().ExecModal([&] {
    dialog.Show();
    EXPECT_TRUE(RunUntil([&] { return dialog.Focused(); }));
    dialog.Hide();
    return 0;
  });
  EXPECT_TRUE(RunUntil([&] { return form.Focused(); }));
}

TEST_F(FormKeyTest, CloseAsksTheHandlerAndHidesByDefault) {
  std::vector<TCloseAction> seen;
  form.OnClose = [&](TComponent*, TCloseAction& action) {
    seen.push_back(action);
    if (seen.size() == 1) action = TCloseAction::caNone;
  };
  form.Close();
  EXPECT_TRUE(form.Visible());
  form.Close();
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(seen, (std::vector<TCloseAction>{TCloseAction::caHide, TCloseAction::caHide}));
}

}  // namespace
