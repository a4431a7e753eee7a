#pragma once

#include <string>

// Every number text of the program: a fixed number of decimals, a point as the
// separator whatever the locale, no padding or grouping, rounded half away
// from zero at the last shown digit; a negative value keeps its minus sign even
// when every shown digit is zero (-0.3 with no decimals is "-0").
std::string FormatFixed(double value, int decimals);
// The same into an existing string, reusing its storage (once per frame).
void FormatFixed(double value, int decimals, std::string& out);
