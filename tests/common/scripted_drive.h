#pragma once

#include <cstdint>

#include "engine/input_states.h"
#include "sim/car_model.h"
#include "sim/run_recording.h"

// A car driven and recorded as the simulation window does it, without a
// window: frames of a given length, the clock switched on by the car's
// throttle and ticking every 300 ms from then on, Space stopping both.
struct ScriptedDrive {
  CarModel Car;
  RunRecording Recording;

  ScriptedDrive() {
    Car.OnStartTimeCounter = [this] { sinceTick_ = 0; };
    Recording.RecordPosition(Car.X, Car.Y);
  }

  void Frames(int count, TDXInputStates states, std::uint32_t ms = 16) {
    for (int i = 0; i < count; ++i) {
      Car.Step(ms, states);
      Recording.RecordPosition(Car.X, Car.Y);
      if (!Car.Started) continue;
      if ((sinceTick_ += ms) >= TickMilliseconds) {
        sinceTick_ -= TickMilliseconds;
        Car.TimeTick();
        Recording.RecordTick(Car);
      }
    }
  }

  // Space: the car and the clock stop, the task opens on these figures.
  void Stop() {
    Car.Stop();
    Recording.RecordStop(Car);
  }

 private:
  std::uint32_t sinceTick_ = 0;
};
