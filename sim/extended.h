#pragma once

#include <bit>
#include <cfloat>
#include <cmath>
#include <compare>
#include <concepts>
#include <cstdint>
#include <limits>

// The car's figures are computed in the x87 80-bit extended format and stored
// to doubles. At 60 Hz lag counts the heading lands near whole numbers, so a
// build that rounds differently (binary128 in WebAssembly, 64-bit long double
// on ARM) drifts hundreds of pixels away within a lap. SoftExtended rounds
// exactly as the x87 does with its default precision control: a 64-bit
// significand, a 15-bit exponent with gradual underflow, ties to even, and a
// second rounding to 53 bits when a result is stored to a double.
//
// `Extended` is the type the program computes with: the processor's own
// long double where that is the 80-bit format, SoftExtended everywhere else
// (and wherever VELNAR_SOFT_EXTENDED is defined, so that both can be compared
// on one machine). Code written against it uses only what both offer: the
// arithmetic operators, comparisons, static_cast<double>, and the functions
// Sqrt, Floor, Abs, TruncToInt64 and RoundToInt64 below.
class SoftExtended {
 public:
  constexpr SoftExtended() = default;
  constexpr SoftExtended(double value) { *this = FromDouble(value); }  // NOLINT: as long double
  template <std::integral I>
  constexpr SoftExtended(I value) {  // NOLINT: as long double
    if (value == 0) return;
    const bool negative = value < 0;
    std::uint64_t magnitude = static_cast<std::uint64_t>(value);
    if (negative) magnitude = ~magnitude + 1;
    const int zeros = std::countl_zero(magnitude);
    *this = Finite(negative, 63 - zeros, magnitude << zeros);
  }

  explicit constexpr operator double() const;

  constexpr SoftExtended operator-() const {
    SoftExtended r = *this;
    r.negative_ = !r.negative_;
    return r;
  }
  friend constexpr SoftExtended operator+(SoftExtended a, SoftExtended b) { return Add(a, b); }
  friend constexpr SoftExtended operator-(SoftExtended a, SoftExtended b) { return Add(a, -b); }
  friend constexpr SoftExtended operator*(SoftExtended a, SoftExtended b);
  friend constexpr SoftExtended operator/(SoftExtended a, SoftExtended b);
  friend constexpr bool operator==(SoftExtended a, SoftExtended b) {
    return (a <=> b) == std::partial_ordering::equivalent;
  }
  friend constexpr std::partial_ordering operator<=>(SoftExtended a, SoftExtended b);

  friend SoftExtended Sqrt(SoftExtended x);
  friend constexpr SoftExtended Floor(SoftExtended x);
  friend constexpr SoftExtended Abs(SoftExtended x) {
    x.negative_ = false;
    return x;
  }
  // Towards zero, and to nearest with ties to even. Out of range (and NaN)
  // gives the x87's "integer indefinite", the lowest int64.
  friend constexpr std::int64_t TruncToInt64(SoftExtended x) { return ToInt64(x, false); }
  friend constexpr std::int64_t RoundToInt64(SoftExtended x) { return ToInt64(x, true); }

  // The raw fields, for tests that compare with the processor's format. A
  // finite non-zero value is significand * 2^(exponent - 63); FromParts
  // rounds when the value lies below the normal range.
  static constexpr SoftExtended FromParts(bool negative, std::int32_t exponent,
                                          std::uint64_t significand) {
    return Normalize(negative, std::int64_t{exponent} + 1, U128{significand} << 63);
  }
  constexpr bool Negative() const { return negative_; }
  constexpr bool IsNaN() const { return kind_ == Kind::NaN; }
  constexpr std::uint64_t Significand() const { return significand_; }
  constexpr std::int32_t Exponent() const { return exponent_; }

 private:
  using U128 = unsigned __int128;
  enum class Kind : std::uint8_t { Zero, Finite, Infinite, NaN };

  // Exponents of the normal range; below it values lose precision gradually.
  static constexpr std::int32_t MinExponent = -16382;
  static constexpr std::int32_t MaxExponent = 16383;

  std::uint64_t significand_ = 0;
  std::int32_t exponent_ = 0;
  Kind kind_ = Kind::Zero;
  bool negative_ = false;

  static constexpr SoftExtended Special(Kind kind, bool negative) {
    SoftExtended r;
    r.kind_ = kind;
    r.negative_ = negative;
    return r;
  }
  static constexpr SoftExtended Finite(bool negative, std::int32_t exponent,
                                       std::uint64_t significand) {
    SoftExtended r;
    r.kind_ = Kind::Finite;
    r.negative_ = negative;
    r.exponent_ = exponent;
    r.significand_ = significand;
    return r;
  }

  static constexpr int LeadingZeros(U128 m) {
    const auto high = static_cast<std::uint64_t>(m >> 64);
    return high ? std::countl_zero(high) : 64 + std::countl_zero(static_cast<std::uint64_t>(m));
  }
  // Shifts right and keeps in the lowest bit whether anything non-zero fell out.
  static constexpr U128 ShiftRightSticky(U128 m, std::int64_t n) {
    if (n <= 0) return m;
    if (n >= 128) return m != 0;
    return (m >> n) | ((m & ((U128{1} << n) - 1)) != 0);
  }

  // The one rounding step of every operation: m * 2^(exponent - 127), the
  // lowest bit of m possibly a sticky flag, rounded to 64 bits (fewer below
  // the normal range), ties to even.
  static constexpr SoftExtended Round(bool negative, std::int64_t exponent, U128 m);
  static constexpr SoftExtended Normalize(bool negative, std::int64_t exponent, U128 m) {
    if (m == 0) return Special(Kind::Zero, negative);
    const int zeros = LeadingZeros(m);
    return Round(negative, exponent - zeros, m << zeros);
  }
  static constexpr SoftExtended FromDouble(double value);
  static constexpr SoftExtended Add(SoftExtended a, SoftExtended b);
  static constexpr std::int64_t ToInt64(SoftExtended x, bool nearest);
  static constexpr bool MagnitudeBelow(const SoftExtended& a, const SoftExtended& b) {
    if (a.kind_ != b.kind_) return a.kind_ < b.kind_;
    if (a.exponent_ != b.exponent_) return a.exponent_ < b.exponent_;
    return a.significand_ < b.significand_;
  }
};

constexpr SoftExtended SoftExtended::Round(bool negative, std::int64_t exponent, U128 m) {
  if (exponent < MinExponent) {
    m = ShiftRightSticky(m, MinExponent - exponent);
    exponent = MinExponent;
  }
  auto kept = static_cast<std::uint64_t>(m >> 64);
  const auto rest = static_cast<std::uint64_t>(m);
  constexpr std::uint64_t half = std::uint64_t{1} << 63;
  if (rest > half || (rest == half && (kept & 1))) {
    if (++kept == 0) {
      kept = half;
      ++exponent;
    }
  }
  if (kept == 0) return Special(Kind::Zero, negative);
  if (exponent > MaxExponent) return Special(Kind::Infinite, negative);
  // Below the normal range the rounded significand may lack its top bit.
  const int zeros = std::countl_zero(kept);
  return Finite(negative, static_cast<std::int32_t>(exponent - zeros), kept << zeros);
}

// __builtin_bit_cast: Emscripten 3.1.6's library has no std::bit_cast yet.
constexpr SoftExtended SoftExtended::FromDouble(double value) {
  const auto bits = __builtin_bit_cast(std::uint64_t, value);
  const bool negative = bits >> 63;
  const auto biased = static_cast<std::int32_t>((bits >> 52) & 0x7FF);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased == 0x7FF) return Special(fraction ? Kind::NaN : Kind::Infinite, negative);
  if (biased == 0) {
    if (fraction == 0) return Special(Kind::Zero, negative);
    const int zeros = std::countl_zero(fraction);
    return Finite(negative, -1022 - (zeros - 11), fraction << zeros);
  }
  return Finite(negative, biased - 1023, (fraction | (std::uint64_t{1} << 52)) << 11);
}

constexpr SoftExtended::operator double() const {
  switch (kind_) {
    case Kind::Zero:
      return negative_ ? -0.0 : 0.0;
    case Kind::Infinite:
      return negative_ ? -std::numeric_limits<double>::infinity()
                       : std::numeric_limits<double>::infinity();
    case Kind::NaN:
      return negative_ ? -std::numeric_limits<double>::quiet_NaN()
                       : std::numeric_limits<double>::quiet_NaN();
    case Kind::Finite:
      break;
  }
  // The x87 stores a double by rounding its 64-bit significand once more, to
  // 53 bits (fewer below the double's normal range), ties to even.
  std::int64_t exponent = exponent_;
  std::int64_t dropped = 11;
  if (exponent < -1022) dropped += -1022 - exponent;
  std::uint64_t kept = 0;
  if (dropped <= 64) {
    const std::uint64_t rest =
        dropped == 64 ? significand_ : significand_ & ((std::uint64_t{1} << dropped) - 1);
    const std::uint64_t half = std::uint64_t{1} << (dropped - 1);
    kept = dropped == 64 ? 0 : significand_ >> dropped;
    if (rest > half || (rest == half && (kept & 1))) ++kept;
  }
  std::uint64_t bits;
  if (exponent < -1022) {
    // A subnormal double; rounding up into the normal range sets the
    // exponent field's lowest bit by itself.
    bits = kept;
  } else {
    if (kept >> 53) {
      kept >>= 1;
      ++exponent;
    }
    if (exponent > 1023) {
      bits = std::uint64_t{0x7FF} << 52;
    } else {
      bits = (static_cast<std::uint64_t>(exponent + 1023) << 52) |
             (kept & ((std::uint64_t{1} << 52) - 1));
    }
  }
  return __builtin_bit_cast(double, bits | (static_cast<std::uint64_t>(negative_) << 63));
}

constexpr SoftExtended SoftExtended::Add(SoftExtended a, SoftExtended b) {
  if (a.kind_ == Kind::NaN) return a;
  if (b.kind_ == Kind::NaN) return b;
  if (a.kind_ == Kind::Infinite || b.kind_ == Kind::Infinite) {
    if (a.kind_ == b.kind_ && a.negative_ != b.negative_) return Special(Kind::NaN, true);
    return a.kind_ == Kind::Infinite ? a : b;
  }
  if (b.kind_ == Kind::Zero) {
    // -0 + -0 is -0; every other sum of zeros is +0 when rounding to nearest.
    if (a.kind_ == Kind::Zero) return Special(Kind::Zero, a.negative_ && b.negative_);
    return a;
  }
  if (a.kind_ == Kind::Zero) return b;

  if (MagnitudeBelow(a, b)) std::swap(a, b);
  // 63 guard bits below the significand and one free bit above for the carry.
  const U128 ma = U128{a.significand_} << 63;
  const U128 mb =
      ShiftRightSticky(U128{b.significand_} << 63, std::int64_t{a.exponent_} - b.exponent_);
  const U128 m = a.negative_ == b.negative_ ? ma + mb : ma - mb;
  // Exact cancellation gives +0.
  if (m == 0) return Special(Kind::Zero, false);
  return Normalize(a.negative_, std::int64_t{a.exponent_} + 1, m);
}

constexpr SoftExtended operator*(SoftExtended a, SoftExtended b) {
  using Kind = SoftExtended::Kind;
  const bool negative = a.negative_ != b.negative_;
  if (a.kind_ == Kind::NaN) return a;
  if (b.kind_ == Kind::NaN) return b;
  if (a.kind_ == Kind::Infinite || b.kind_ == Kind::Infinite) {
    if (a.kind_ == Kind::Zero || b.kind_ == Kind::Zero)
      return SoftExtended::Special(Kind::NaN, true);
    return SoftExtended::Special(Kind::Infinite, negative);
  }
  if (a.kind_ == Kind::Zero || b.kind_ == Kind::Zero)
    return SoftExtended::Special(Kind::Zero, negative);
  // The product of two 64-bit significands is exact in 128 bits.
  const SoftExtended::U128 m = SoftExtended::U128{a.significand_} * b.significand_;
  return SoftExtended::Normalize(negative, std::int64_t{a.exponent_} + b.exponent_ + 1, m);
}

constexpr SoftExtended operator/(SoftExtended a, SoftExtended b) {
  using Kind = SoftExtended::Kind;
  using U128 = SoftExtended::U128;
  const bool negative = a.negative_ != b.negative_;
  if (a.kind_ == Kind::NaN) return a;
  if (b.kind_ == Kind::NaN) return b;
  if (a.kind_ == b.kind_ && (a.kind_ == Kind::Infinite || a.kind_ == Kind::Zero))
    return SoftExtended::Special(Kind::NaN, true);
  if (a.kind_ == Kind::Infinite || b.kind_ == Kind::Zero)
    return SoftExtended::Special(Kind::Infinite, negative);
  if (a.kind_ == Kind::Zero || b.kind_ == Kind::Infinite)
    return SoftExtended::Special(Kind::Zero, negative);

  // Two steps of long division give 128 quotient bits at least; the last
  // remainder only says whether anything is left.
  const U128 numerator = U128{a.significand_} << 64;
  const U128 high = numerator / b.significand_;
  const auto remainder = static_cast<std::uint64_t>(numerator % b.significand_);
  const U128 next = U128{remainder} << 64;
  const auto low = static_cast<std::uint64_t>(next / b.significand_);
  const bool rest = next % b.significand_ != 0;
  const std::int64_t exponent = std::int64_t{a.exponent_} - b.exponent_;
  if (high >> 64) {
    const U128 m = (high << 63) | (low >> 1) | ((low & 1) | rest);
    return SoftExtended::Round(negative, exponent, m);
  }
  return SoftExtended::Round(negative, exponent - 1, (high << 64) | low | rest);
}

constexpr std::partial_ordering operator<=>(SoftExtended a, SoftExtended b) {
  using Kind = SoftExtended::Kind;
  if (a.kind_ == Kind::NaN || b.kind_ == Kind::NaN) return std::partial_ordering::unordered;
  if (a.kind_ == Kind::Zero && b.kind_ == Kind::Zero) return std::partial_ordering::equivalent;
  if (a.negative_ != b.negative_)
    return a.negative_ ? std::partial_ordering::less : std::partial_ordering::greater;
  if (!SoftExtended::MagnitudeBelow(a, b) && !SoftExtended::MagnitudeBelow(b, a))
    return std::partial_ordering::equivalent;
  const bool below = SoftExtended::MagnitudeBelow(a, b) != a.negative_;
  return below ? std::partial_ordering::less : std::partial_ordering::greater;
}

constexpr SoftExtended Floor(SoftExtended x) {
  using Kind = SoftExtended::Kind;
  if (x.kind_ != Kind::Finite || x.exponent_ >= 63) return x;
  if (x.exponent_ < 0) return x.negative_ ? SoftExtended(-1) : SoftExtended(0);
  const int fractionBits = 63 - x.exponent_;
  const std::uint64_t whole = x.significand_ >> fractionBits;
  const bool fraction = (x.significand_ << (64 - fractionBits)) != 0;
  // Integers up to 2^63 are exact, so this conversion rounds nothing.
  const SoftExtended w(whole);
  return x.negative_ ? -(fraction ? w + 1 : w) : w;
}

constexpr std::int64_t SoftExtended::ToInt64(SoftExtended x, bool nearest) {
  constexpr std::int64_t indefinite = std::numeric_limits<std::int64_t>::min();
  if (x.kind_ == Kind::Zero) return 0;
  if (x.kind_ != Kind::Finite) return indefinite;
  if (x.exponent_ >= 64) return indefinite;
  std::uint64_t magnitude = 0;
  if (x.exponent_ >= 0) {
    const int fractionBits = 63 - x.exponent_;
    magnitude = fractionBits ? x.significand_ >> fractionBits : x.significand_;
    if (nearest && fractionBits) {
      const std::uint64_t rest = x.significand_ & ((std::uint64_t{1} << fractionBits) - 1);
      const std::uint64_t half = std::uint64_t{1} << (fractionBits - 1);
      if (rest > half || (rest == half && (magnitude & 1))) ++magnitude;
    }
  } else if (nearest && x.exponent_ == -1 && x.significand_ > (std::uint64_t{1} << 63)) {
    magnitude = 1;  // above one half
  }
  constexpr std::uint64_t limit = std::uint64_t{1} << 63;
  if (magnitude > limit || (magnitude == limit && !x.negative_)) return indefinite;
  return x.negative_ ? static_cast<std::int64_t>(~magnitude + 1)
                     : static_cast<std::int64_t>(magnitude);
}

inline SoftExtended Sqrt(SoftExtended x) {
  using Kind = SoftExtended::Kind;
  using U128 = SoftExtended::U128;
  if (x.kind_ == Kind::NaN || x.kind_ == Kind::Zero) return x;
  if (x.negative_) return SoftExtended::Special(Kind::NaN, true);
  if (x.kind_ == Kind::Infinite) return x;

  // x = m * 2^(2h) with m in [2^126, 2^128), so that its root has 64 bits.
  const std::int64_t scale = std::int64_t{x.exponent_} - 63;
  const bool odd = scale & 1;
  const U128 m = U128{x.significand_} << (odd ? 63 : 64);
  const std::int64_t h = (scale - (odd ? 63 : 64)) / 2;

  // The double's root is only a first guess: one Newton step and a final
  // correction make r the exact integer root whatever the guess was.
  const double guess = std::sqrt(static_cast<double>(m));
  std::uint64_t r =
      guess >= 18446744073709551615.0 ? ~std::uint64_t{0} : static_cast<std::uint64_t>(guess);
  const U128 newton = (U128{r} + m / r) / 2;
  r = newton >> 64 ? ~std::uint64_t{0} : static_cast<std::uint64_t>(newton);
  while (U128{r} * r > m) --r;
  while (m - U128{r} * r > 2 * U128{r}) ++r;
  // No root of a 64-bit significand lies exactly halfway between two 64-bit
  // ones, so the remainder tells above or below half, and that it is inexact.
  const U128 rest = m - U128{r} * r;
  const U128 low = rest > r ? (U128{1} << 63) | 1 : U128{rest != 0};
  return SoftExtended::Round(false, h + 63, (U128{r} << 64) | low);
}

#if LDBL_MANT_DIG == 64 && !defined(VELNAR_SOFT_EXTENDED)
using Extended = long double;
inline constexpr bool ExtendedIsX87 = true;
#else
using Extended = SoftExtended;
inline constexpr bool ExtendedIsX87 = false;
#endif

// The same functions for the processor's long double, so the code that uses
// Extended reads the same whichever it is.
inline long double Sqrt(long double x) {
  return std::sqrt(x);
}
inline long double Floor(long double x) {
  return std::floor(x);
}
inline long double Abs(long double x) {
  return std::fabs(x);
}
inline std::int64_t TruncToInt64(long double x) {
  return static_cast<std::int64_t>(x);
}
inline std::int64_t RoundToInt64(long double x) {
  return std::llrint(x);
}
