#pragma once

#include <optional>
#include <string>
#include <string_view>

// The characters an answer field takes: digits, "-", "." and backspace; a
// comma is taken as a point. Returns the character to insert, or nullopt when
// the character is refused (the field then beeps and drops it).
std::optional<char32_t> FilterAnswerKey(char32_t c);

// Text that arrives whole (pasted or dropped) under the same rule, without the
// backspace: commas become points, and any other refused character refuses the
// whole text (nullopt).
std::optional<std::u32string> FilterAnswerText(std::u32string_view text);
