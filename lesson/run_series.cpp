#include "lesson/run_series.h"

#include "sim/number_format.h"

std::vector<RunRow> RunRows(const std::vector<RunSample>& samples) {
  std::vector<RunRow> rows;
  rows.reserve(samples.size());
  // The run starts from rest at the start point, where every figure is zero.
  double s0 = 0, rx0 = 0, ry0 = 0;
  for (const RunSample& x : samples) {
    RunRow row{x.Tick, x.Distance, x.Rx, x.Ry, x.RLength, 0, 0, 0};
    if (x.Tick > 0) {
      row.V = x.Distance - s0;
      row.Vx = x.Rx - rx0;
      row.Vy = x.Ry - ry0;
      s0 = x.Distance;
      rx0 = x.Rx;
      ry0 = x.Ry;
    }
    rows.push_back(row);
  }
  return rows;
}

std::string RunCsv(const std::vector<RunRow>& rows) {
  std::string csv = "t [s],s [m],Rx [m],Ry [m],|R| [m],v [m/s],vx [m/s],vy [m/s]\n";
  csv.reserve(csv.size() + rows.size() * 72);
  std::string cell;
  for (const RunRow& r : rows) {
    csv += std::to_string(r.T);
    for (double value : {r.S, r.Rx, r.Ry, r.R, r.V, r.Vx, r.Vy}) {
      FormatFixed(value, 3, cell);
      csv += ',';
      csv += cell;
    }
    csv += '\n';
  }
  return csv;
}
