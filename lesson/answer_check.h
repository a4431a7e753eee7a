#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "lesson/catalogue.h"
#include "lesson/run_figures.h"
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

// What "Sprawdź" makes of an answer to the task.
enum class Verdict {
  NotJudged,  // empty, or starting with a point
  Right,
  Wrong,
  // The car moved, but before the clock counted a tick: no average can be
  // told from a time of zero, so the pupil is asked to drive longer.
  TooShortToTime,
};

// Shown instead of a verdict for TooShortToTime, where a wrong number's
// message is shown (translated with lesson::Tr when shown).
inline constexpr const char* TooShortToTimeMessage =
    lesson::N_("Czas jazdy był zbyt krótki, by go zmierzyć. Jedź dłużej.");

// The task's two questions: the average speed s/t and the magnitude of the
// average velocity |R|/t.
enum class Question { AverageSpeed, AverageVelocity };

// Judges an answer to a question about the run: as CheckAnswer does, except
// that a run that moved the car within no time count is too short to judge
// at all. A car that never moved, with no time, still takes only zero.
// Raises EZamiana when the answer is not a number.
Verdict JudgeAnswer(std::string_view text, const RunFigures& run, Question question);
