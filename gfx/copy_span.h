#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// A run copied without a call: 16-byte blocks, the last one ending exactly at
// the run's end (overlapping bytes already copied), so nothing outside the run
// is touched; shorter runs use two overlapping moves.
inline void CopySpan(std::uint8_t* d, const std::uint8_t* s, std::size_t n) {
  if (n >= 16) {
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) std::memcpy(d + i, s + i, 16);
    if (i < n) std::memcpy(d + n - 16, s + n - 16, 16);
  } else if (n >= 8) {
    std::uint64_t a, b;
    std::memcpy(&a, s, 8);
    std::memcpy(&b, s + n - 8, 8);
    std::memcpy(d, &a, 8);
    std::memcpy(d + n - 8, &b, 8);
  } else if (n >= 4) {
    std::uint32_t a, b;
    std::memcpy(&a, s, 4);
    std::memcpy(&b, s + n - 4, 4);
    std::memcpy(d, &a, 4);
    std::memcpy(d + n - 4, &b, 4);
  } else if (n >= 2) {
    std::uint16_t a, b;
    std::memcpy(&a, s, 2);
    std::memcpy(&b, s + n - 2, 2);
    std::memcpy(d, &a, 2);
    std::memcpy(d + n - 2, &b, 2);
  } else if (n == 1) {
    *d = *s;
  }
}
