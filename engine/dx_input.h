#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "engine/input_states.h"
#include "platform/component.h"
#include "platform/exception.h"
#include "platform/joystick.h"

class EDXInputError : public Exception {
 public:
  using Exception::Exception;
};

class TCustomDXInput;

// One input device of the input component. Each Update recomputes the
// device's own state set from scratch; the component merges the sets.
class TCustomInput {
 public:
  explicit TCustomInput(TCustomDXInput& owner);
  virtual ~TCustomInput() = default;
  TCustomInput(const TCustomInput&) = delete;
  TCustomInput& operator=(const TCustomInput&) = delete;

  // Whether this device's states count towards the component's States.
  bool BindInputStates = true;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // Kept so stored settings round-trip; there is no force-feedback hardware
  // layer, so it changes nothing but a re-initialisation.
  bool ForceFeedback() const { return forceFeedback_; }
  void SetForceFeedback(bool value);

  bool Initialized() const { return initialized_; }
  const TDXInputStates& States() const { return states_; }

  virtual void Initialize();
  virtual void Finalize();
  virtual void Update() = 0;

 protected:
  // Copies the settings every device has (Enabled goes through its setter).
  void AssignCommon(const TCustomInput& source);
  // Whether the device may be read now: the component's ActiveOnly rule.
  bool MayRead() const;
  bool Designing() const;

  TCustomDXInput& owner_;
  TDXInputStates states_;
  bool initialized_ = false;

 private:
  bool enabled_ = true;
  bool forceFeedback_ = false;
};

// Three virtual-key codes per input state; 0 is an empty slot and codes
// outside 1..255 never match.
using TKeyAssign = std::array<std::int32_t, 3>;
using TKeyAssignList = std::array<TKeyAssign, InputStateCount>;

class TKeyboard : public TCustomInput {
 public:
  explicit TKeyboard(TCustomDXInput& owner);

  TKeyAssignList Assigns;

  static const TKeyAssignList& DefaultAssigns();

  // The key-state table of the last Update: 0x80 for a key that was down.
  std::uint8_t Keys(int vk) const { return vk >= 0 && vk < 256 ? keys_[vk] : 0; }

  // The stored form of Assigns: 432 bytes, the codes as little-endian 32-bit
  // integers, row by row.
  static constexpr std::size_t AssignsDataSize = sizeof(std::int32_t) * 3 * InputStateCount;
  std::vector<std::uint8_t> WriteAssignsData() const;
  // Data of any other size raises EDXInputError and leaves Assigns as it was.
  void ReadAssignsData(std::span<const std::uint8_t> data);
  // A binary property of the stored description: "Assigns", or "Aissgns"
  // written by older versions. False for a name that is not ours.
  bool ReadBinaryProperty(std::string_view name, std::span<const std::uint8_t> data);

  void Assign(const TKeyboard& source);

  void Initialize() override;
  void Update() override;

 private:
  std::uint8_t keys_[256] = {};
};

class TJoystick : public TCustomInput {
 public:
  explicit TJoystick(TCustomDXInput& owner);

  bool AutoCenter = true;

  // The joystick used is the ID-th one that answers (0 = the first).
  int ID() const { return id_; }
  void SetID(int value);

  // Dead zones in percent of the half range (0..100), ranges 0 or more; both
  // are clamped when written.
  int DeadZoneX() const { return deadZone_[0]; }
  int DeadZoneY() const { return deadZone_[1]; }
  int DeadZoneZ() const { return deadZone_[2]; }
  void SetDeadZoneX(int v) { SetDeadZone(0, v); }
  void SetDeadZoneY(int v) { SetDeadZone(1, v); }
  void SetDeadZoneZ(int v) { SetDeadZone(2, v); }
  int RangeX() const { return range_[0]; }
  int RangeY() const { return range_[1]; }
  int RangeZ() const { return range_[2]; }
  void SetRangeX(int v) { SetRange(0, v); }
  void SetRangeY(int v) { SetRange(1, v); }
  void SetRangeZ(int v) { SetRange(2, v); }

  // The position of the last Update: -Range..Range per axis, 0 inside the
  // dead zone; bit i of Buttons is button i.
  int X() const { return x_; }
  int Y() const { return y_; }
  int Z() const { return z_; }
  std::uint32_t Buttons() const { return buttons_; }

  // The id of the pad being read, -1 when none is attached.
  int PortId() const { return portId_; }

  // One axis from a raw reading and the device's raw range.
  static int ScaleAxis(std::uint32_t raw, std::uint32_t min, std::uint32_t max, int deadZone,
                       int range);

  void Assign(const TJoystick& source);

  void Initialize() override;
  void Finalize() override;
  void Update() override;

 private:
  void SetDeadZone(int axis, int value);
  void SetRange(int axis, int value);
  void ClearPosition();
  bool FindPad(JoystickPort& port);

  int id_ = 0;
  std::array<int, 3> deadZone_{50, 50, 50};
  std::array<int, 3> range_{1000, 1000, 1000};
  int portId_ = -1;
  JoystickCaps caps_;
  int x_ = 0, y_ = 0, z_ = 0;
  std::uint32_t buttons_ = 0;
};

// There is no mouse layer: the mouse stays disabled, and enabling it is an
// error.
class TMouse : public TCustomInput {
 public:
  explicit TMouse(TCustomDXInput& owner);

  void Assign(const TMouse& source);

  void Initialize() override;
  void Update() override;
};

class TCustomDXInput : public TComponent {
 public:
  explicit TCustomDXInput(TComponent* owner = nullptr);
  ~TCustomDXInput() override;

  // Reads every device and moves States by the transitions since the last
  // Update. Allocates nothing.
  void Update();
  // Finalises and re-initialises every device, then updates once.
  void Initialize();

  // What the application reads; it may also change it. A state changes here
  // only when one of its inputs goes down or the last of them goes up.
  TDXInputStates& States() { return states_; }
  const TDXInputStates& States() const { return states_; }
  const TDXInputStates& OldStates() const { return oldStates_; }

  // With ActiveOnly, nothing is read while the owner's window is not the
  // focused one.
  bool ActiveOnly() const { return activeOnly_; }
  void SetActiveOnly(bool value) { activeOnly_ = value; }

  // There is no DirectInput layer here: the setting is kept for the stored
  // description and re-initialises the component when changed.
  bool UseDirectInput() const { return useDirectInput_; }
  void SetUseDirectInput(bool value);

  TJoystick& Joystick() { return *joystick_; }
  TKeyboard& Keyboard() { return *keyboard_; }
  TMouse& Mouse() { return *mouse_; }
  const TJoystick& Joystick() const { return *joystick_; }
  const TKeyboard& Keyboard() const { return *keyboard_; }
  const TMouse& Mouse() const { return *mouse_; }
  void SetJoystick(const TJoystick& source) { joystick_->Assign(source); }
  void SetKeyboard(const TKeyboard& source) { keyboard_->Assign(source); }
  void SetMouse(const TMouse& source) { mouse_->Assign(source); }

  // Whether the owner's window has the keyboard focus; a component without
  // an owner counts as always in front.
  bool IsForeground() const;

 protected:
  void Loaded() override;

 private:
  std::vector<std::unique_ptr<TCustomInput>> devices_;  // joystick, keyboard, mouse
  TJoystick* joystick_;
  TKeyboard* keyboard_;
  TMouse* mouse_;
  bool activeOnly_ = true;
  bool useDirectInput_ = true;
  TDXInputStates oldStates_;
  TDXInputStates states_;
};

class TDXInput : public TCustomDXInput {
 public:
  using TCustomDXInput::TCustomDXInput;
};
