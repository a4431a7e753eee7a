#pragma once

#include <cstdint>
#include <cstring>

// Reading and writing one raw pixel in a row of memory, packed as bitmaps and
// surfaces pack them: 1 bit most significant first, 4 bits high nibble first,
// 8, 16-bit little-endian words, 24 bits as three bytes low first, 32-bit words.
inline std::uint32_t ReadRawPixel(const std::uint8_t* row, int x, int bitCount) {
  switch (bitCount) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
      return (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4;
    case 8:
      return row[x];
    case 16: {
      std::uint16_t v;
      std::memcpy(&v, row + 2 * x, 2);
      return v;
    }
    case 24: {
      const std::uint8_t* p = row + 3 * x;
      return p[0] | (p[1] << 8) | (std::uint32_t{p[2]} << 16);
    }
    case 32: {
      std::uint32_t v;
      std::memcpy(&v, row + 4 * x, 4);
      return v;
    }
    default:
      return 0;
  }
}

inline void WriteRawPixel(std::uint8_t* row, int x, int bitCount, std::uint32_t value) {
  switch (bitCount) {
    case 1: {
      const std::uint8_t bit = static_cast<std::uint8_t>(0x80u >> (x & 7));
      row[x >> 3] = (value & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
      break;
    }
    case 4: {
      std::uint8_t& b = row[x >> 1];
      b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (value & 0x0F))
                  : static_cast<std::uint8_t>((b & 0x0F) | ((value & 0x0F) << 4));
      break;
    }
    case 8:
      row[x] = static_cast<std::uint8_t>(value);
      break;
    case 16: {
      const auto v = static_cast<std::uint16_t>(value);
      std::memcpy(row + 2 * x, &v, 2);
      break;
    }
    case 24: {
      std::uint8_t* p = row + 3 * x;
      p[0] = static_cast<std::uint8_t>(value);
      p[1] = static_cast<std::uint8_t>(value >> 8);
      p[2] = static_cast<std::uint8_t>(value >> 16);
      break;
    }
    case 32:
      std::memcpy(row + 4 * x, &value, 4);
      break;
    default:
      break;
  }
}
