#pragma once

#include <QFont>
#include <functional>

class QDialog;
class QWidget;

// The window fonts of the program. Its windows were laid out for "MS Sans
// Serif" and "Arial", which Linux lacks. Liberation Sans has Arial's metrics;
// MS Sans Serif is about 3 % narrower than Arial at the same height, so the
// dialog font is Liberation Sans narrowed by that much, and each text fits
// its control as laid out.
QFont DialogFont();  // MS Sans Serif 8 points: 11 pixels
QFont ArialFont(int pixelHeight);

// Runs handler when the widget is clicked with the left button. The handler
// runs through the application's dispatcher, so an error is shown, not fatal.
void OnClick(QWidget* widget, std::function<void()> handler);

// Shows the dialog modally and returns its result. The application's idle
// ticks (the frame loop) go on meanwhile, and no key held when it opened stays
// down in the key-state table afterwards.
int RunModal(QDialog& dialog);

// Moves a top-level widget to the middle of its screen's available area.
void CentreOnScreen(QWidget* widget);
