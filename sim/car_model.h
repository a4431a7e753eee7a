#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/input_states.h"

// The racing car's state and its move step. It depends on nothing but the
// track, the angle tables and an input state set, so it runs without a window.
class CarModel {
 public:
  CarModel();

  // Position of the car's reference point in world pixels.
  double X = 0;
  double Y = 0;

  double OldX = 0;
  double OldY = 0;
  double Rx = 0;
  double Ry = 0;
  bool Started = false;
  std::int32_t TileCol = 0;
  std::int32_t TileRow = 0;
  std::int32_t TileIndex = 0;
  std::int32_t StartX = 0;
  std::int32_t StartY = 0;
  double Distance = 0;
  double RLength = 0;
  // World pixels per second; negative drives forward along the heading.
  double Speed = 0;
  std::string RxText;
  std::string RyText;
  std::string RLengthText;
  std::uint16_t TimeCount = 0;
  std::string TimeText;
  // 256ths of a turn, 0 up the screen, growing clockwise; kept in 0..255.
  double Heading = 0;

  // Called when the throttle (forward or reverse) first acts after creation or
  // a Stop: the owner switches its time counter on.
  std::function<void()> OnStartTimeCounter;

  // Speed, heading, motion, odometer, bounds and displacement for one frame.
  void Advance(std::uint32_t lag, const TDXInputStates& states);
  // Finds the tile under the car; its road value limits the next Advance.
  void LocateTile();
  // One move step as the car sprite runs it, without the camera in between.
  void Step(std::uint32_t lag, const TDXInputStates& states) {
    Advance(lag, states);
    LocateTile();
  }

  void Stop();
  // One 300 ms tick of the time counter.
  void TimeTick();
};
