#include "sim/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "sim/extended.h"

namespace {

// Exact for any double and up to three decimals: the product of a 53-bit
// mantissa and 10^3 (10 bits) fits the 64-bit mantissa of an Extended, so the
// tie test below sees the true value.
bool FormatFast(double value, int decimals, std::string& out) {
  static constexpr int Scale[] = {1, 10, 100, 1000};
  if (decimals > 3) return false;
  const Extended magnitude = Abs(Extended(value));
  if (!(magnitude < 1e15)) return false;
  const Extended scaled = magnitude * Scale[decimals];
  const Extended whole = Floor(scaled);
  auto units = static_cast<std::uint64_t>(TruncToInt64(whole));
  if (scaled - whole >= 0.5) ++units;

  char digits[32];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, units);
  std::size_t n = static_cast<std::size_t>(end - digits);
  out.clear();
  if (value < 0) out += '-';
  const auto shown = static_cast<std::size_t>(decimals);
  if (n <= shown) {  // 0.0x: pad with leading zeros
    out += '0';
    out += '.';
    out.append(shown - n, '0');
    out.append(digits, n);
    return true;
  }
  out.append(digits, n - shown);
  if (shown) {
    out += '.';
    out.append(digits + (n - shown), shown);
  }
  return true;
}

// Any magnitude and number of decimals: print the exact binary value with
// more digits than it carries, then round the decimal digits ourselves (printf
// would round an exact tie such as 2.25 to even).
std::string FormatExact(double value, int decimals) {
  const bool negative = value < 0;
  const long double magnitude = std::fabs(static_cast<long double>(value));
  const int extra = 30;
  // A long double has at most 4933 integer digits.
  std::string digits(5000 + static_cast<std::size_t>(decimals + extra), '\0');
  const int n = std::snprintf(digits.data(), digits.size(), "%.*Lf", decimals + extra, magnitude);
  digits.resize(static_cast<std::size_t>(n));

  // The C library writes the separator of the current locale (Qt switches to
  // the user's), so find it rather than assume a point.
  const std::size_t point = digits.find_first_not_of("0123456789");
  const std::size_t frac = digits.find_first_of("0123456789", point);
  const auto shown = static_cast<std::size_t>(decimals);
  const bool roundUp = digits[frac + shown] >= '5';
  std::string kept = digits.substr(0, point) + digits.substr(frac, shown);
  if (roundUp) {
    std::size_t i = kept.size();
    while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
    if (i > 0)
      ++kept[i - 1];
    else
      kept.insert(kept.begin(), '1');
  }
  const std::size_t intDigits = kept.size() - shown;
  std::string out = negative ? "-" : "";
  out += kept.substr(0, intDigits);
  if (shown) {
    out += '.';
    out += kept.substr(intDigits);
  }
  return out;
}

}  // namespace

void FormatFixed(double value, int decimals, std::string& out) {
  if (decimals < 0) decimals = 0;
  if (std::isnan(value)) {
    out = "NAN";
  } else if (std::isinf(value)) {
    out = value < 0 ? "-INF" : "INF";
  } else if (!FormatFast(value, decimals, out)) {
    out = FormatExact(value, decimals);
  }
}

std::string FormatFixed(double value, int decimals) {
  std::string out;
  FormatFixed(value, decimals, out);
  return out;
}
