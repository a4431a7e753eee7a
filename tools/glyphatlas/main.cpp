// glyphatlas OUTPUT.cpp
//
// Renders the characters of the canvas font with the desktop's own text path
// and writes them as C++ data for the browser build, whose back buffer then
// shows the same text pixel for pixel. Needs no display (offscreen platform).
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/canvas_backend.h"
#include "platform/qt_canvas.h"
#include "tools/glyphatlas/characters.h"

namespace {

std::string Utf8(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | c >> 6);
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xE0 | c >> 12);
    s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: glyphatlas OUTPUT.cpp\n";
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  QtCanvasBackend backend;
  const CanvasFont font;  // the canvas's default: "MS Sans Serif", 11 pixels

  std::ostringstream glyphs, ink;
  std::size_t pairs = 0, count = 0;
  for (char32_t c : AtlasCharacters()) {
    const auto& r = backend.Render(Utf8(c), font);
    glyphs << "    {" << static_cast<unsigned long>(c) << ", " << r.Width << ", " << r.Height
           << ", " << pairs << ", " << r.Ink.size() / 2 << "},\n";
    for (std::size_t i = 0; i < r.Ink.size(); ++i) {
      if (r.Ink[i] < -128 || r.Ink[i] > 127) {
        std::cerr << "glyphatlas: ink too far from its cell\n";
        return 1;
      }
      ink << r.Ink[i] << (i % 16 == 15 ? ",\n" : ",");
    }
    pairs += r.Ink.size() / 2;
    ++count;
  }

  std::ofstream out(argv[1]);
  out << "// Made by tools/glyphatlas from the desktop's rendering; do not edit.\n"
      << "#include \"platform/web/glyph_atlas.h\"\n\nnamespace {\n"
      << "const AtlasGlyph kGlyphs[] = {\n"
      << glyphs.str() << "};\nconst std::int8_t kInk[] = {\n"
      << ink.str() << "0};\n}  // namespace\n\n"
      << "const AtlasFont kAtlasFonts[] = {{\"" << font.Name << "\", " << font.PixelHeight << ", "
      << (font.Bold ? "true" : "false") << ", " << (font.Italic ? "true" : "false") << ", kGlyphs, "
      << count << ", kInk}};\n"
      << "const std::size_t kAtlasFontCount = 1;\n";
  return out ? 0 : 1;
}
