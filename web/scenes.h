#pragma once

#include <cstdint>
#include <vector>

// Frames that the desktop and the browser must draw byte for byte alike, each
// on a fresh simulation window with a headless display, scripted keys and the
// clock's ticks given by the script, so that nothing but the code decides
// them. The desktop's test keeps them as pictures; the browser's test draws
// them again in the page and compares.
enum class Scene {
  // The desktop's golden frame: a fixed car state, no text.
  Golden,
  // The first frame of a run, with its read-outs.
  FirstFrame,
  // A frame after a scripted drive through the first bend, the path shown.
  Drive,
};

// The scene's back buffer as a bitmap file (as TDIB saves it). The canvas
// backend installed now writes the texts.
std::vector<std::uint8_t> DrawScene(Scene scene);
