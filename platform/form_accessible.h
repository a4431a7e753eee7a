#pragma once

#include <string>

class TForm;

// A form's window as a screen reader sees it: a window named by its caption,
// described by what the application says it shows (the picture itself has
// no words a reader can reach), with one status line.

// What the window shows, for a screen reader to tell.
void SetFormDescription(TForm& form, const std::string& description);

// Has a screen reader say a sentence from the form's window: the status line
// takes it as its name, and an alert is raised on it.
void AnnounceFromForm(TForm& form, const std::string& sentence);
