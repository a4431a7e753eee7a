#pragma once

#include "engine/image_sprite.h"
#include "sim/car_model.h"
#include "sim/run_recording.h"

class TCustomDXInput;

// The racing car in the sprite tree: its move runs the car's model and points
// the camera at it, and it is drawn turned by its heading at a fixed place on
// the screen, so the track moves beneath a car that stays put.
class TWyscigowkaDX : public TImageSprite {
 public:
  explicit TWyscigowkaDX(TSprite* parent);

  // The car's state and move step; X and Y are the sprite's own position.
  CarModel Model;
  // Whose input states drive the car (not owned); none leaves it coasting.
  TCustomDXInput* Input = nullptr;

 protected:
  void DoMove(int moveCount) override;
  void DoDraw() override;
};

// Where the middle of the car's picture lies on the track, in world pixels,
// when its reference point is at `reference`: the car is drawn 100 pixels left
// of the screen's middle, and the camera puts the reference point half the
// car's size left of and above that middle.
PathPoint CarCentreOnTrack(PathPoint reference);
