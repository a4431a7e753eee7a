#pragma once

#include <cstdint>
#include <functional>

class TComponent;

// An event that only names its sender.
using TNotifyEvent = std::function<void(TComponent* sender)>;

// Which modifier keys were down with a key event.
struct TShiftState {
  bool Shift = false;
  bool Ctrl = false;
  bool Alt = false;
  friend bool operator==(const TShiftState&, const TShiftState&) = default;
};
