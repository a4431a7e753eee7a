#include "lesson/answer_input.h"

std::optional<char32_t> FilterAnswerKey(char32_t c) {
  if (c == U',') c = U'.';
  if (c == 8 || c == U'-' || c == U'.' || (c >= U'0' && c <= U'9')) return c;
  return std::nullopt;
}

std::optional<std::u32string> FilterAnswerText(std::u32string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    const std::optional<char32_t> kept = FilterAnswerKey(c);
    if (!kept || *kept == 8) return std::nullopt;
    out.push_back(*kept);
  }
  return out;
}
