#include "sim/number_format.h"

#include <cmath>
#include <cstdio>
#include <string>

std::string FormatFixed(long double value, int decimals) {
  if (decimals < 0) decimals = 0;
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";

  const bool negative = value < 0;
  const long double magnitude = std::fabs(value);

  // Print more digits than any long double carries, so the text is the exact
  // binary value, then round the decimal digits ourselves: printf would round
  // an exact tie such as 2.25 to even.
  const int extra = 30;
  char buf[128];
  const int n = std::snprintf(buf, sizeof buf, "%.*Lf", decimals + extra, magnitude);
  std::string digits;
  if (n > 0 && static_cast<std::size_t>(n) < sizeof buf) {
    digits.assign(buf, static_cast<std::size_t>(n));
  } else {
    // Very large values: the buffer is sized for what the program shows, so
    // fall back to a dynamic one.
    digits.resize(static_cast<std::size_t>(n) + 1);
    std::snprintf(digits.data(), digits.size(), "%.*Lf", decimals + extra, magnitude);
    digits.resize(static_cast<std::size_t>(n));
  }

  // The C library writes the separator of the current locale (Qt switches to
  // the user's), so find it rather than assume a point.
  const std::size_t point = digits.find_first_not_of("0123456789");
  const std::size_t frac = digits.find_first_of("0123456789", point);
  const auto shown = static_cast<std::size_t>(decimals);
  const bool roundUp = digits[frac + shown] >= '5';
  std::string kept = digits.substr(0, point) + digits.substr(frac, shown);
  if (roundUp) {
    int i = static_cast<int>(kept.size()) - 1;
    while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9')
      kept[static_cast<std::size_t>(i--)] = '0';
    if (i >= 0)
      ++kept[static_cast<std::size_t>(i)];
    else
      kept.insert(kept.begin(), '1');
  }
  const std::size_t intDigits = kept.size() - static_cast<std::size_t>(decimals);
  std::string out = negative ? "-" : "";
  out += kept.substr(0, intDigits);
  if (decimals > 0) {
    out += '.';
    out += kept.substr(intDigits);
  }
  return out;
}
