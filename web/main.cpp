// The browser program. Its windows are pages (index.html, pages.js); this
// wires them to the shared core: "Uruchom program" makes the simulation
// window, Space shows the task over it, and the task judges the car of the
// simulation running now, as on the desktop.
#include <emscripten/emscripten.h>

#include <memory>
#include <optional>
#include <string>

#include "engine/angle_tables.h"
#include "lesson/answer_check.h"
#include "lesson/answer_input.h"
#include "lesson/catalogue.h"
#include "lesson/run_figures.h"
#include "platform/application.h"
#include "platform/form.h"
#include "platform/glyph_canvas.h"
#include "platform/shell.h"
#include "platform/web/web_application.h"
#include "platform/web/web_form_window.h"
#include "platform/web/web_keys.h"
#include "sim/velnar_form.h"
#include "web/scenes.h"

namespace {

// clang-format off
EM_JS(void, PageCall, (const char* name), {
  var handler = Module[UTF8ToString(name)];
  if (handler) handler();
});
// clang-format on

// The simulation windows belong to the application, as on the desktop.
TComponent& Simulations() {
  static TComponent owner;
  return owner;
}

// Brings the start window back when the simulation window goes (Esc), so the
// next pupil can start a new run.
class SimulationWatch final : public FormListener {
 public:
  void FormWindowDestroying(TForm& form) override {
    form.RemoveListener(this);
    PageCall("simulationClosed");
  }
};

SimulationWatch& Watch() {
  static SimulationWatch watch;
  return watch;
}

// The task is modal over the simulation: from its showing to its closing no
// key reaches the car, and a key held across either end counts only once it
// is pressed again.
std::unique_ptr<ModalScope>& TaskScope() {
  static std::unique_ptr<ModalScope> scope;
  return scope;
}

void ShowTask() {
  TaskScope() = std::make_unique<ModalScope>();
  PageCall("showTask");
}

// The figures of the run the task judges, as the desktop's task reads them.
RunFigures CurrentFigures() {
  return VelnarForm1 && VelnarForm1->Car ? FiguresOf(VelnarForm1->Car->Model) : RunFigures{};
}

}  // namespace

int main() {
  InitCosTable();
  // Lives as long as the page: main returns, the page goes on.
  static WebApplication application;
  TVelnarForm1::ShowTaskDialog() = ShowTask;
  PageCall("programReady");
  return 0;
}

extern "C" {

// The language the pupil chose ("pl", "en", "uk", or a tag such as "uk-UA"):
// the words of the simulation, the messages and the run window follow it.
// Set before a run begins; a tag of no language of ours changes nothing.
EMSCRIPTEN_KEEPALIVE void velnar_set_language(const char* tag) {
  if (const std::optional<lesson::Language> language = lesson::LanguageFromTag(tag))
    lesson::SetLanguage(*language);
}

// "Uruchom program": a new simulation window, shown full screen.
EMSCRIPTEN_KEEPALIVE int velnar_start() {
  if (VelnarForm1) return 0;
  bool made = Dispatch([] {
    auto* form = new TVelnarForm1(&Simulations());
    VelnarForm1 = form;
    form->AddListener(&Watch());
    form->SetFullScreen(true);
    form->Show();
  });
  return made && VelnarForm1 ? 1 : 0;
}

// While the start window waits for the pupil: a run's first frame drawn once
// off screen, so that the real one finds the browser's compiled code for every
// step of it and the memory it needs in place, and follows the click sooner.
// Nothing of it is kept or shown.
EMSCRIPTEN_KEEPALIVE void velnar_prepare() {
  if (VelnarForm1) return;  // a run began first
  Dispatch([] { DrawScene(Scene::FirstFrame); });
}

// An on-screen control pressed (1) or released (0), named as its key's
// KeyboardEvent.code ("ArrowUp", "Space", "Escape", "KeyT").
EMSCRIPTEN_KEEPALIVE void velnar_control(const char* code, int down) {
  Dispatch([&] { PressControl(code, down != 0); });
}

// The page's screen area changed (full screen, a resized window).
EMSCRIPTEN_KEEPALIVE void velnar_screen_resized(int width, int height) {
  WebForms::ScreenResized(width, height);
}

// One "Sprawdź" of the task: which 0 is the average speed, 1 the velocity.
// Returns 1 for a right answer, 0 for a wrong one, -1 when the answer is not
// judged (empty, or starting with a point), -2 when it is not a number and -3
// when the run was too short to time (either message is shown as on the
// desktop).
EMSCRIPTEN_KEEPALIVE int velnar_check(int which, const char* text) {
  const RunFigures f = CurrentFigures();
  Verdict verdict = Verdict::NotJudged;
  const bool ok = Dispatch([&] {
    verdict = JudgeAnswer(text, f, which == 0 ? Question::AverageSpeed : Question::AverageVelocity);
  });
  if (!ok) return -2;
  switch (verdict) {
    case Verdict::Right:
      return 1;
    case Verdict::Wrong:
      return 0;
    case Verdict::TooShortToTime:
      if (ApplicationPort* app = Application())
        app->ShowException(lesson::Tr(TooShortToTimeMessage));
      return -3;
    case Verdict::NotJudged:
      break;
  }
  return -1;
}

// The answer fields' key filter: the character to insert, or -1 when it is
// refused (with the beep).
EMSCRIPTEN_KEEPALIVE int velnar_filter_key(int c) {
  const std::optional<char32_t> kept = FilterAnswerKey(static_cast<char32_t>(c));
  if (!kept) {
    CurrentShell().Beep();
    return -1;
  }
  return static_cast<int>(*kept);
}

// Pasted or dropped text for an answer field: what the field keeps, or null
// when the text is refused whole (with the beep).
EMSCRIPTEN_KEEPALIVE const char* velnar_filter_text(const char* text) {
  static std::string kept;
  const std::optional<std::u32string> filtered = FilterAnswerText(DecodeUtf8(text));
  if (!filtered) {
    CurrentShell().Beep();
    return nullptr;
  }
  // Only digits, "-" and "." pass, all of them ASCII.
  kept.assign(filtered->begin(), filtered->end());
  return kept.c_str();
}

// The task was closed (Zamknij, Enter, Esc): the simulation has the keys again.
EMSCRIPTEN_KEEPALIVE void velnar_task_closed() {
  TaskScope().reset();
}

// The car's figures: 0 distance, 1 displacement length, 2 time count (what
// the task judges), 3 Rx, 4 Ry, 5 speed; all 0 without a run.
EMSCRIPTEN_KEEPALIVE double velnar_figure(int which) {
  const RunFigures f = CurrentFigures();
  switch (which) {
    case 0:
      return f.Distance;
    case 1:
      return f.RLength;
    case 2:
      return f.TimeCount;
    case 3:
      return f.Rx;
    case 4:
      return f.Ry;
    default:
      return VelnarForm1 && VelnarForm1->Car ? VelnarForm1->Car->Model.Speed : 0;
  }
}

}  // extern "C"
