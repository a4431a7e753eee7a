#pragma once

#include <array>
#include <cstdint>

// The logical inputs the keyboard and a joystick are turned into.
enum TDXInputState : std::uint8_t {
  isUp,
  isDown,
  isLeft,
  isRight,
  isButton1,
  isButton2,
  isButton3,
  isButton4,
  isButton5,
  isButton6,
  isButton7,
  isButton8,
  isButton9,
  isButton10,
  isButton11,
  isButton12,
  isButton13,
  isButton14,
  isButton15,
  isButton16,
  isButton17,
  isButton18,
  isButton19,
  isButton20,
  isButton21,
  isButton22,
  isButton23,
  isButton24,
  isButton25,
  isButton26,
  isButton27,
  isButton28,
  isButton29,
  isButton30,
  isButton31,
  isButton32,
};

inline constexpr int InputStateCount = 36;

// A set of input states held in five bytes: state n is bit n mod 8 of byte n div 8.
class TDXInputStates {
 public:
  constexpr TDXInputStates() = default;
  constexpr TDXInputStates(std::initializer_list<TDXInputState> states) {
    for (TDXInputState s : states) Include(s);
  }

  constexpr bool Contains(TDXInputState s) const { return (bytes_[s >> 3] >> (s & 7)) & 1; }
  constexpr void Include(TDXInputState s) { bytes_[s >> 3] |= std::uint8_t(1u << (s & 7)); }
  constexpr void Exclude(TDXInputState s) { bytes_[s >> 3] &= std::uint8_t(~(1u << (s & 7))); }
  constexpr bool Empty() const {
    for (std::uint8_t b : bytes_)
      if (b) return false;
    return true;
  }

  constexpr TDXInputStates operator|(const TDXInputStates& o) const {
    TDXInputStates r;
    for (int i = 0; i < 5; ++i) r.bytes_[i] = bytes_[i] | o.bytes_[i];
    return r;
  }
  constexpr TDXInputStates operator&(const TDXInputStates& o) const {
    TDXInputStates r;
    for (int i = 0; i < 5; ++i) r.bytes_[i] = bytes_[i] & o.bytes_[i];
    return r;
  }
  // Set difference: the states of this set that are not in o.
  constexpr TDXInputStates operator-(const TDXInputStates& o) const {
    TDXInputStates r;
    for (int i = 0; i < 5; ++i) r.bytes_[i] = bytes_[i] & std::uint8_t(~o.bytes_[i]);
    return r;
  }
  constexpr bool operator==(const TDXInputStates&) const = default;

  const std::array<std::uint8_t, 5>& Bytes() const { return bytes_; }
  std::array<std::uint8_t, 5>& Bytes() { return bytes_; }

 private:
  std::array<std::uint8_t, 5> bytes_{};
};
