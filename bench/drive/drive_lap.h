#pragma once

#include "sim/velnar_form.h"

// One frame of the benchmarks' scripted lap, as the frame loop runs it without
// the present: Up held (and Right for a stretch of every lap of 300 frames,
// after which the car starts again), the sprites' move with the car's step,
// and everything drawn into the back buffer; the clock ticks every 18 frames.
inline void DriveLapFrame(TVelnarForm1& form, int frame) {
  TWyscigowkaDX& car = *form.Car;
  const int lap = frame % 300;
  if (lap == 0) {
    car.X = 192;
    car.Y = 550;
    car.Model.Heading = 0;
    car.Model.Speed = 0;
  }
  TDXInputStates& keys = form.DXInput1->States();
  keys = TDXInputStates{isUp};
  if (lap >= 100 && lap < 160) keys.Include(isRight);
  if (frame % 18 == 17) car.Model.TimeTick();
  form.DXSpriteEngine1->Move(16);
  form.DXSpriteEngine1->Dead();
  form.RenderFrame();
}
