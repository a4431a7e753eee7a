#pragma once

#include <algorithm>
#include <string>
#include <vector>

// The characters the browser's canvas can draw, ascending: printable ASCII,
// the Polish letters, and the Ukrainian alphabet with its apostrophe.
inline std::vector<char32_t> AtlasCharacters() {
  std::vector<char32_t> codes;
  for (char32_t c = 32; c < 127; ++c) codes.push_back(c);
  for (char32_t c : std::u32string(U"ĄĆĘŁŃÓŚŹŻąćęłńóśźż")) codes.push_back(c);
  for (char32_t c = U'А'; c <= U'я'; ++c) codes.push_back(c);
  for (char32_t c : std::u32string(U"ЄІЇҐєіїґʼ’")) codes.push_back(c);
  std::sort(codes.begin(), codes.end());
  return codes;
}
