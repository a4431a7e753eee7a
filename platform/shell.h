#pragma once

#include <string>

// The desktop services the program asks for: a web address opened in the
// system's browser, the system beep and a message box.
class ShellPort {
 public:
  virtual ~ShellPort() = default;
  // False when no browser could be started.
  virtual bool OpenUrl(const std::string& url) = 0;
  virtual void Beep() = 0;
  // A modal box with one OK button; returns when it is closed.
  virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
};

// The port the program uses (the desktop's by default); tests install their own.
ShellPort& CurrentShell();
void SetCurrentShell(ShellPort* port);  // nullptr restores the real one
