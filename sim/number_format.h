#pragma once

#include <string>

// Every number text of the program: a fixed number of decimals, a point as the
// separator whatever the locale, no padding or grouping, rounded half away
// from zero at the last shown digit; a negative value keeps its minus sign even
// when every shown digit is zero (-0.3 with no decimals is "-0").
std::string FormatFixed(long double value, int decimals);
