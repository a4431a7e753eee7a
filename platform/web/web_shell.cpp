// The desktop services in a page: links open in a new tab, the beep is a
// short tone, and a message box is the page's own (Module.showMessage). A
// page cannot wait for a box to close: it shows, the call returns, and the
// keyboard belongs to the box until it is closed.
#include <emscripten/emscripten.h>

#include <memory>
#include <vector>

#include "platform/form.h"
#include "platform/shell.h"

namespace {

// clang-format off
EM_JS(int, OpenInNewTab, (const char* url), {
  return window.open(UTF8ToString(url), '_blank', 'noopener') ? 1 : 0;
});

EM_JS(void, PlayBeep, (), {
  var Context = window.AudioContext || window.webkitAudioContext;
  if (!Context) return;
  var audio = Module.beepAudio || (Module.beepAudio = new Context());
  var tone = audio.createOscillator();
  var level = audio.createGain();
  tone.frequency.value = 800;
  level.gain.value = 0.1;
  tone.connect(level);
  level.connect(audio.destination);
  tone.start();
  tone.stop(audio.currentTime + 0.12);
  Module.beeps = (Module.beeps || 0) + 1;
});

EM_JS(int, ShowPageMessage, (const char* title, const char* text), {
  if (!Module['showMessage']) return 0;
  Module['showMessage'](UTF8ToString(title), UTF8ToString(text));
  return 1;
});
// clang-format on

std::vector<std::unique_ptr<ModalScope>>& OpenBoxes() {
  static std::vector<std::unique_ptr<ModalScope>> boxes;
  return boxes;
}

class PageShell final : public ShellPort {
 public:
  bool OpenUrl(const std::string& url) override { return OpenInNewTab(url.c_str()) != 0; }
  void Beep() override { PlayBeep(); }
  void ShowMessage(const std::string& title, const std::string& text) override {
    if (ShowPageMessage(title.c_str(), text.c_str()))
      OpenBoxes().push_back(std::make_unique<ModalScope>());
  }
};

ShellPort* installed = nullptr;

}  // namespace

ShellPort& CurrentShell() {
  static PageShell page;
  return installed ? *installed : page;
}

void SetCurrentShell(ShellPort* port) {
  installed = port;
}

// The page closed the message box shown last.
extern "C" EMSCRIPTEN_KEEPALIVE void velnar_message_closed() {
  if (!OpenBoxes().empty()) OpenBoxes().pop_back();
}
