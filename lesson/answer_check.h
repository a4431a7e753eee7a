#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/exception.h"

// A text that should have been a number is not one.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// The pupil's answer is not a number.
class EZamiana : public EConvertError {
 public:
  using EConvertError::EConvertError;
};

// The answer as a number: an optional leading minus, digits and at most one
// point (at least one digit somewhere). Anything else, and a magnitude too
// large for a double, raises EZamiana.
double ConvertAnswer(std::string_view text);

// Judges an answer against the measured quantity q (metres) over n time ticks:
// right when it lies within (q - 1) / n and (q + 1) / n, ends included; with
// n = 0 only zero is right. Empty answers and answers starting with "." are
// not judged (nullopt). Raises EZamiana when the answer is not a number.
std::optional<bool> CheckAnswer(std::string_view text, double q, std::uint16_t n);
