#include "lesson/run_figures.h"

#include "sim/car_model.h"

RunFigures FiguresOf(const CarModel& car) {
  return {car.Distance, car.Rx, car.Ry, car.RLength, car.TimeCount};
}

RunAverages AveragesOf(const RunFigures& figures) {
  if (figures.TimeCount == 0) return {};
  const double t = figures.TimeCount;
  return {figures.Distance / t, figures.Rx / t, figures.Ry / t, figures.RLength / t};
}
