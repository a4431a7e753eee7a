#include "lesson/answer_check.h"

#include <charconv>
#include <system_error>

#include "lesson/catalogue.h"

namespace {

constexpr const char* kNotANumber = lesson::N_("Błędnie podana liczba.");

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool WellFormed(std::string_view text) {
  if (!text.empty() && text.front() == '-') text.remove_prefix(1);
  int digits = 0;
  int points = 0;
  for (char c : text) {
    if (IsDigit(c))
      ++digits;
    else if (c == '.')
      ++points;
    else
      return false;
  }
  return digits > 0 && points <= 1;
}

}  // namespace

double ConvertAnswer(std::string_view text) {
  if (!WellFormed(text)) throw EZamiana(lesson::Tr(kNotANumber));
  double value = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  const auto [end, error] = std::from_chars(first, last, value, std::chars_format::fixed);
  if (error == std::errc::result_out_of_range) {
    // Out of range is either too large (a non-zero digit before the point)
    // or too small to tell from zero; only the first is not a usable number.
    for (const char* p = first; p != last && *p != '.'; ++p)
      if (*p >= '1' && *p <= '9') throw EZamiana(lesson::Tr(kNotANumber));
    return text.front() == '-' ? -0.0 : 0.0;
  }
  if (error != std::errc() || end != last) throw EZamiana(lesson::Tr(kNotANumber));
  return value;
}

std::optional<bool> CheckAnswer(std::string_view text, double q, std::uint16_t n) {
  if (text.empty() || text.front() == '.') return std::nullopt;
  double lo = 0;
  double hi = 0;
  if (n > 0) {
    lo = (q - 1) / n;
    hi = (q + 1) / n;
  }
  const double value = ConvertAnswer(text);
  return lo <= value && value <= hi;
}

Verdict JudgeAnswer(std::string_view text, const RunFigures& run, Question question) {
  if (text.empty() || text.front() == '.') return Verdict::NotJudged;
  if (run.TimeCount == 0 && run.Distance > 0) return Verdict::TooShortToTime;
  const double q = question == Question::AverageSpeed ? run.Distance : run.RLength;
  const std::optional<bool> right = CheckAnswer(text, q, run.TimeCount);
  if (!right) return Verdict::NotJudged;
  return *right ? Verdict::Right : Verdict::Wrong;
}
