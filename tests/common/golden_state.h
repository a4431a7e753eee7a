#pragma once

#include "sim/race_car.h"

// The car of the golden frame: on the road in the bend, turned and moving,
// with a distance that shows on the odometer. The desktop's golden-frame
// tests, the parity drive and the browser's fixed scene all draw this state.
inline void PlaceGoldenCar(TWyscigowkaDX& car) {
  car.X = 1230;
  car.Y = 800;
  car.Model.Heading = 37;
  car.Model.Speed = -350;
  car.Model.TileIndex = 13 * 20 + 17;  // road
  car.Model.Distance = 1234.5;
}
