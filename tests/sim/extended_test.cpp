#include "sim/extended.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <sstream>

namespace {

// Rounding to 64 bits first and to 53 bits on the store is not the same as
// rounding once: 1 + 2^-53 + 2^-105 is above the double halfway point, but
// its 64-bit rounding lies exactly on it and then goes to the even 1.
TEST(SoftExtended, StoresToDoubleAsTheX87Does) {
  const SoftExtended sum = SoftExtended(1.0) + 0x1.0000000000001p-53;
  EXPECT_EQ(static_cast<double>(sum), 1.0);
  EXPECT_EQ(1.0 + 0x1.0000000000001p-53, 0x1.0000000000001p+0) << "a double sum rounds once";

  // The extended 0.3 of the car's throttle: 3/10 rounded once to 64 bits.
  const SoftExtended rate = SoftExtended(3) / 10;
  EXPECT_EQ(rate.Significand(), 0x999999999999999AULL);
  EXPECT_EQ(rate.Exponent(), -2);
}

// Below the normal range a result keeps fewer bits; what is shifted out still
// counts. (1 + 2^-63)^2 x 2^-16384 is 2^61 + 1/2 + 2^-65 units of the
// smallest denormal: just above the tie, so it rounds up.
TEST(SoftExtended, UnderflowRoundsOnEverythingShiftedOut) {
  const std::uint64_t oneAndAnUlp = 0x8000000000000001ULL;
  const SoftExtended product = SoftExtended::FromParts(false, -16000, oneAndAnUlp) *
                               SoftExtended::FromParts(false, -384, oneAndAnUlp);
  EXPECT_EQ(product.Exponent(), -16384);
  EXPECT_EQ(product.Significand(), ((std::uint64_t{1} << 61) + 1) << 2);
}

#if LDBL_MANT_DIG == 64

SoftExtended FromX87(long double v) {
  std::uint64_t significand;
  std::uint16_t signAndExponent;
  std::memcpy(&significand, &v, 8);
  std::memcpy(&signAndExponent, reinterpret_cast<const char*>(&v) + 8, 2);
  const bool negative = signAndExponent >> 15;
  const int biased = signAndExponent & 0x7FFF;
  if (biased == 0x7FFF)
    return significand << 1 ? SoftExtended(NAN) : SoftExtended(negative ? -INFINITY : INFINITY);
  if (significand == 0) return negative ? -SoftExtended(0.0) : SoftExtended(0.0);
  // Denormals have the exponent of the smallest normal and no integer bit.
  return SoftExtended::FromParts(negative, biased == 0 ? -16382 : biased - 16383, significand);
}

// Equal to the last bit, the sign of zero included.
bool Same(SoftExtended s, long double x) {
  if (std::isnan(x)) return s.IsNaN();
  const SoftExtended r = FromX87(x);
  return !s.IsNaN() && s.Negative() == r.Negative() && s.Significand() == r.Significand() &&
         s.Exponent() == r.Exponent();
}

std::string Show(long double x) {
  std::ostringstream out;
  out << std::hexfloat << x;
  return out.str();
}

// Operands built to reach the hard cases: short significands that make exact
// halfway results, neighbours that cancel, sums that carry, wide exponent
// gaps, and values near both ends of the range.
class Operands {
 public:
  long double Next() {
    std::uint64_t significand = bits_() | (std::uint64_t{1} << 63);
    if (bits_() % 3 == 0) significand &= ~((std::uint64_t{1} << (bits_() % 64)) - 1);
    int exponent = static_cast<int>(bits_() % 160) - 80;
    if (bits_() % 40 == 0) exponent = static_cast<int>(bits_() % 32760) - 16380;
    if (bits_() % 40 == 0) exponent = -16382 - static_cast<int>(bits_() % 70);  // denormal
    long double v = std::ldexp(static_cast<long double>(significand), exponent - 63);
    if (bits_() & 1) v = -v;
    if (bits_() % 200 == 0) v = 0;
    return v;
  }
  long double Near(long double a) {
    return a * (1 + std::ldexp(1.0L, -static_cast<int>(bits_() % 70)));
  }
  std::uint64_t Bits() { return bits_(); }

 private:
  std::mt19937_64 bits_{20240519};
};

// Every operation the program uses, against the processor's own 80-bit
// arithmetic, to the last bit.
TEST(SoftExtended, RoundsAsTheX87Does) {
  // The reference must really be the 80-bit format at 64-bit precision.
  volatile long double one = 1;
  ASSERT_NE(one + 0x1p-63L, one) << "long double does not compute with a 64-bit significand";

  Operands operands;
  int failures = 0;
  auto check = [&](const char* op, bool same, long double a, long double b) {
    if (!same && ++failures <= 10) ADD_FAILURE() << op << " of " << Show(a) << " and " << Show(b);
  };
  for (int i = 0; i < 300000; ++i) {
    const long double a = operands.Next();
    const long double b = i % 3 == 0 ? operands.Near(a) : operands.Next();
    const SoftExtended sa = FromX87(a), sb = FromX87(b);
    check("+", Same(sa + sb, a + b), a, b);
    check("-", Same(sa - sb, a - b), a, b);
    check("*", Same(sa * sb, a * b), a, b);
    check("/", Same(sa / sb, a / b), a, b);
    check("sqrt", Same(Sqrt(Abs(sa)), std::sqrt(std::fabs(a))), a, b);
    check("floor", Same(Floor(sa), std::floor(a)), a, b);
    check("<", (sa < sb) == (a < b) && (sa == sb) == (a == b) && (sa >= sb) == (a >= b), a, b);
    const double stored = static_cast<double>(a), soft = static_cast<double>(sa);
    check("store", std::memcmp(&stored, &soft, sizeof stored) == 0, a, b);
    if (std::fabs(a) < 0x1p62L)
      check("to integer", TruncToInt64(sa) == TruncToInt64(a) && RoundToInt64(sa) == std::llrint(a),
            a, b);
  }
  // Stores that land below the double's normal range.
  for (int i = 0; i < 20000; ++i) {
    const long double a = std::ldexp(static_cast<long double>(operands.Bits() | 1ULL << 63),
                                     -1140 + static_cast<int>(operands.Bits() % 130));
    const double stored = static_cast<double>(a), soft = static_cast<double>(FromX87(a));
    check("subnormal store", std::memcmp(&stored, &soft, sizeof stored) == 0, a, 0);
  }
  EXPECT_EQ(failures, 0);
}

#endif

}  // namespace
