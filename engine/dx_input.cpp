#include "engine/dx_input.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "platform/key_state.h"

// ---- TCustomInput ----------------------------------------------------------

TCustomInput::TCustomInput(TCustomDXInput& owner) : owner_(owner) {}

void TCustomInput::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  if (!owner_.Loading()) Initialize();
}

void TCustomInput::SetForceFeedback(bool value) {
  if (value == forceFeedback_) return;
  forceFeedback_ = value;
  if (!owner_.Loading()) Initialize();
}

void TCustomInput::Initialize() {
  Finalize();
}

void TCustomInput::Finalize() {
  states_ = TDXInputStates{};
  initialized_ = false;
}

void TCustomInput::AssignCommon(const TCustomInput& source) {
  BindInputStates = source.BindInputStates;
  SetForceFeedback(source.forceFeedback_);
  SetEnabled(source.enabled_);
}

bool TCustomInput::MayRead() const {
  return !owner_.ActiveOnly() || owner_.IsForeground();
}

bool TCustomInput::Designing() const {
  return owner_.Designing();
}

// ---- TKeyboard -------------------------------------------------------------

namespace {

TKeyAssignList MakeDefaultAssigns() {
  TKeyAssignList a{};
  a[isUp] = {75, 38, 104};     // K, Up, keypad 8
  a[isDown] = {74, 40, 98};    // J, Down, keypad 2
  a[isLeft] = {72, 37, 100};   // H, Left, keypad 4
  a[isRight] = {76, 39, 102};  // L, Right, keypad 6
  a[isButton1] = {90, 32, 0};  // Z, Space
  a[isButton2] = {88, 13, 0};  // X, Enter
  a[isButton9] = {113, 0, 0};  // F2
  return a;
}

}  // namespace

TKeyboard::TKeyboard(TCustomDXInput& owner) : TCustomInput(owner), Assigns(DefaultAssigns()) {}

const TKeyAssignList& TKeyboard::DefaultAssigns() {
  static const TKeyAssignList table = MakeDefaultAssigns();
  return table;
}

std::vector<std::uint8_t> TKeyboard::WriteAssignsData() const {
  std::vector<std::uint8_t> data;
  data.reserve(AssignsDataSize);
  for (const TKeyAssign& row : Assigns) {
    for (std::int32_t code : row) {
      const auto u = static_cast<std::uint32_t>(code);
      for (int shift = 0; shift < 32; shift += 8) data.push_back(std::uint8_t(u >> shift));
    }
  }
  return data;
}

void TKeyboard::ReadAssignsData(std::span<const std::uint8_t> data) {
  if (data.size() != AssignsDataSize) throw EDXInputError("Stream read error");
  TKeyAssignList table;
  std::size_t at = 0;
  for (TKeyAssign& row : table) {
    for (std::int32_t& code : row) {
      std::uint32_t u = 0;
      for (int shift = 0; shift < 32; shift += 8) u |= std::uint32_t(data[at++]) << shift;
      code = static_cast<std::int32_t>(u);
    }
  }
  Assigns = table;
}

bool TKeyboard::ReadBinaryProperty(std::string_view name, std::span<const std::uint8_t> data) {
  if (name != "Assigns" && name != "Aissgns") return false;
  ReadAssignsData(data);
  return true;
}

void TKeyboard::Assign(const TKeyboard& source) {
  if (&source == this) return;
  Assigns = source.Assigns;
  AssignCommon(source);
}

void TKeyboard::Initialize() {
  Finalize();
  if (!Enabled() || Designing()) return;
  initialized_ = true;
}

void TKeyboard::Update() {
  std::fill(std::begin(keys_), std::end(keys_), std::uint8_t{0});
  states_ = TDXInputStates{};
  if (!initialized_ || !MayRead()) return;

  CurrentKeyState().GetKeyboardState(keys_);

  for (int s = 0; s < InputStateCount; ++s) {
    for (std::int32_t code : Assigns[s]) {
      if (code >= 1 && code <= 255 && (keys_[code] & 0x80)) {
        states_.Include(static_cast<TDXInputState>(s));
        break;
      }
    }
  }
}

// ---- TJoystick -------------------------------------------------------------

TJoystick::TJoystick(TCustomDXInput& owner) : TCustomInput(owner) {}

void TJoystick::SetID(int value) {
  if (value == id_) return;
  id_ = value;
  // Switching pads takes effect at once rather than at the next re-initialisation.
  if (!owner_.Loading() && initialized_) Initialize();
}

void TJoystick::SetDeadZone(int axis, int value) {
  deadZone_[axis] = std::clamp(value, 0, 100);
}

void TJoystick::SetRange(int axis, int value) {
  range_[axis] = std::max(value, 0);
}

void TJoystick::Assign(const TJoystick& source) {
  if (&source == this) return;
  AutoCenter = source.AutoCenter;
  deadZone_ = source.deadZone_;
  range_ = source.range_;
  id_ = source.id_;
  AssignCommon(source);
  if (initialized_) Initialize();  // the pad or its tables may have changed
}

void TJoystick::ClearPosition() {
  x_ = y_ = z_ = 0;
  buttons_ = 0;
}

void TJoystick::Finalize() {
  TCustomInput::Finalize();
  ClearPosition();
  portId_ = -1;
}

// The ID-th pad among those that answer. Ids of pads pulled out leave gaps,
// which do not count.
bool TJoystick::FindPad(JoystickPort& port) {
  portId_ = -1;
  int seen = 0;
  for (int id = 0; id < JoystickPort::MaxId; ++id) {
    JoystickCaps caps;
    if (!port.GetDevCaps(id, caps)) continue;
    if (seen++ == id_) {
      portId_ = id;
      caps_ = caps;
      return true;
    }
  }
  return false;
}

void TJoystick::Initialize() {
  Finalize();
  if (!Enabled() || id_ < 0 || Designing()) return;
  JoystickPort& port = CurrentJoystick();
  port.Refresh();
  FindPad(port);
  // Initialised even without a pad: one plugged in later is picked up by Update.
  initialized_ = true;
}

int TJoystick::ScaleAxis(std::uint32_t raw, std::uint32_t min, std::uint32_t max, int deadZone,
                         int range) {
  if (max <= min) return 0;
  const std::int64_t half = (std::int64_t(max) - std::int64_t(min)) / 2;
  // Measured from the middle of the device's own range, so a device whose
  // minimum is not 0 is centred too.
  const std::int64_t v = std::int64_t(raw) - std::int64_t(min) - half;
  const std::int64_t dz = half * deadZone / 100;
  const std::int64_t span = half - dz;
  if (span <= 0) return 0;
  if (std::llabs(v) <= dz) return 0;

  const std::int64_t num = (v > 0 ? v - dz : v + dz) * std::int64_t(range);
  std::int64_t q = num / span;
  const std::int64_t r = num % span;
  // Round to nearest, ties to even.
  const std::int64_t twice = 2 * std::llabs(r);
  if (twice > span || (twice == span && (q & 1))) q += num < 0 ? -1 : 1;
  return static_cast<int>(std::clamp<std::int64_t>(q, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

void TJoystick::Update() {
  ClearPosition();
  states_ = TDXInputStates{};
  if (!initialized_ || !MayRead()) return;

  JoystickPort& port = CurrentJoystick();
  port.Refresh();
  // Re-read the capabilities every time: the pad may have been pulled out,
  // and another one may have taken its id since.
  if (portId_ < 0 || !port.GetDevCaps(portId_, caps_)) {
    if (!FindPad(port)) return;
  }
  JoystickPosition pos;
  if (!port.GetPos(portId_, pos)) return;

  x_ = ScaleAxis(pos.x, caps_.xMin, caps_.xMax, deadZone_[0], range_[0]);
  y_ = ScaleAxis(pos.y, caps_.yMin, caps_.yMax, deadZone_[1], range_[1]);
  z_ = ScaleAxis(pos.z, caps_.zMin, caps_.zMax, deadZone_[2], range_[2]);
  const int buttonCount = std::clamp(caps_.numButtons, 0, 32);
  for (int b = 0; b < buttonCount; ++b) {
    if (pos.buttons & (1u << b)) {
      buttons_ |= 1u << b;
      states_.Include(static_cast<TDXInputState>(isButton1 + b));
    }
  }
  if (x_ < 0) states_.Include(isLeft);
  if (x_ > 0) states_.Include(isRight);
  if (y_ < 0) states_.Include(isUp);
  if (y_ > 0) states_.Include(isDown);
}

// ---- TMouse ----------------------------------------------------------------

TMouse::TMouse(TCustomDXInput& owner) : TCustomInput(owner) {
  BindInputStates = false;
  SetEnabled(false);
}

void TMouse::Assign(const TMouse& source) {
  if (&source == this) return;
  AssignCommon(source);
}

void TMouse::Initialize() {
  Finalize();
  if (!Enabled() || Designing()) return;
  // Leave the mouse disabled, so the component stays usable after the error.
  SetEnabled(false);
  throw EDXInputError("DirectInput is necessary to use the mouse");
}

void TMouse::Update() {
  states_ = TDXInputStates{};
}

// ---- TCustomDXInput --------------------------------------------------------

TCustomDXInput::TCustomDXInput(TComponent* owner) : TComponent(owner) {
  auto joystick = std::make_unique<TJoystick>(*this);
  auto keyboard = std::make_unique<TKeyboard>(*this);
  auto mouse = std::make_unique<TMouse>(*this);
  joystick_ = joystick.get();
  keyboard_ = keyboard.get();
  mouse_ = mouse.get();
  devices_.push_back(std::move(joystick));
  devices_.push_back(std::move(keyboard));
  devices_.push_back(std::move(mouse));

  // A component made while its owner reads its stored description starts
  // when the reading ends; one made in code is ready at once.
  if (owner && owner->Loading())
    BeginLoading();
  else
    Initialize();
}

TCustomDXInput::~TCustomDXInput() {
  for (auto& d : devices_) d->Finalize();
}

void TCustomDXInput::SetUseDirectInput(bool value) {
  if (value == useDirectInput_) return;
  useDirectInput_ = value;
  if (!Loading()) Initialize();
}

void TCustomDXInput::Loaded() {
  Initialize();
}

void TCustomDXInput::Initialize() {
  for (auto& d : devices_) d->Finalize();
  if (Designing()) return;
  for (auto& d : devices_) d->Initialize();
  Update();
}

bool TCustomDXInput::IsForeground() const {
  const TComponent* form = Owner();
  return !form || CurrentKeyState().IsForeground(form);
}

void TCustomDXInput::Update() {
  TDXInputStates now;
  for (auto& d : devices_) {
    d->Update();
    if (d->BindInputStates) now = now | d->States();
  }
  states_ = (states_ | (now - oldStates_)) - (oldStates_ - now);
  oldStates_ = now;
}
