#pragma once

#include <string>

#include "sim/number_format.h"

// A figure as the run window writes it in Polish: the task's own digits, with
// a decimal comma.
inline std::string Polish(double value, int decimals) {
  std::string text = FormatFixed(value, decimals);
  for (char& c : text)
    if (c == '.') c = ',';
  return text;
}
