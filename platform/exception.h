#pragma once

#include <stdexcept>
#include <string>

// Base of every error the program reports. The message is shown to the user as
// it stands, so it is written in full where the error is raised.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};
