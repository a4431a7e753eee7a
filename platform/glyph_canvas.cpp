#include "platform/glyph_canvas.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/line_steps.h"

namespace {

struct Field {
  std::uint32_t mask;
  int shift;  // where an 8-bit channel's top lands: left for > 0
};

Field FieldOf(std::uint32_t mask) {
  if (mask == 0) return {0, 0};
  int low = 0;
  while (!(mask >> low & 1)) ++low;
  int bits = 0;
  while (low + bits < 32 && (mask >> (low + bits) & 1)) ++bits;
  return {mask, low + bits - 8};
}

std::uint32_t Put(std::uint32_t channel, const Field& f) {
  return (f.shift >= 0 ? channel << f.shift : channel >> -f.shift) & f.mask;
}

class GlyphCanvasDevice final : public CanvasDevice {
 public:
  GlyphCanvasDevice(GlyphCanvasBackend& backend, const CanvasSurface& s)
      : backend_(backend),
        s_(s),
        bytes_((s.BitCount + 7) / 8),
        red_(FieldOf(s.RedMask)),
        green_(FieldOf(s.GreenMask)),
        blue_(FieldOf(s.BlueMask)) {}

  void TextOut(int x, int y, const std::string& text, const CanvasFont& font,
               const CanvasBrush& brush) override {
    if (text.empty()) return;
    const GlyphCanvasBackend::RenderedText& r = backend_.Render(text, font);
    if (r.Width <= 0 || r.Height <= 0) return;

    if (brush.Style == CanvasBrushStyle::Solid) {
      const std::uint32_t background = Raw(brush.Color);
      for (int row = 0; row < r.Height; ++row)
        for (int col = 0; col < r.Width; ++col) Plot(x + col, y + row, background);
    }
    const std::uint32_t ink = Raw(font.Color);
    for (std::size_t i = 0; i + 1 < r.Ink.size(); i += 2) Plot(x + r.Ink[i], y + r.Ink[i + 1], ink);
  }

  void Line(int x0, int y0, int x1, int y1, const CanvasPen& pen) override {
    const std::uint32_t ink = Raw(pen.Color);
    const int half = pen.Width > 1 ? pen.Width / 2 : 0;
    ForEachLinePixel(x0, y0, x1, y1, false, [&](int x, int y) {
      for (int oy = -half; oy <= half; ++oy)
        for (int ox = -half; ox <= half; ++ox) Plot(x + ox, y + oy, ink);
    });
  }

 private:
  std::uint32_t Raw(std::uint32_t color) const {
    return Put(color & 0xFF, red_) | Put(color >> 8 & 0xFF, green_) |
           Put(color >> 16 & 0xFF, blue_);
  }

  void Plot(int x, int y, std::uint32_t raw) {
    if (x < 0 || y < 0 || x >= s_.Width || y >= s_.Height) return;
    std::uint8_t* p = s_.Bits + static_cast<std::ptrdiff_t>(y) * s_.Pitch + x * bytes_;
    switch (bytes_) {
      case 1:
        *p = static_cast<std::uint8_t>(raw);
        break;
      case 2: {
        const auto v = static_cast<std::uint16_t>(raw);
        std::memcpy(p, &v, 2);
        break;
      }
      case 3:
        p[0] = static_cast<std::uint8_t>(raw);
        p[1] = static_cast<std::uint8_t>(raw >> 8);
        p[2] = static_cast<std::uint8_t>(raw >> 16);
        break;
      default:
        std::memcpy(p, &raw, 4);
        break;
    }
  }

  GlyphCanvasBackend& backend_;
  CanvasSurface s_;
  int bytes_;
  Field red_, green_, blue_;
};

}  // namespace

std::u32string DecodeUtf8(const std::string& text) {
  std::u32string out;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned char lead = *p++;
    int extra = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (lead < 0x80) {
      out.push_back(lead);
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, c = lead & 0x07, least = 0x10000;
    } else {
      out.push_back(0xFFFD);
      continue;
    }
    bool ok = true;
    for (int i = 0; i < extra; ++i) {
      if (p >= end || (*p & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = c << 6 | (*p++ & 0x3F);
    }
    if (!ok || c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    out.push_back(c);
  }
  return out;
}

std::unique_ptr<CanvasDevice> GlyphCanvasBackend::Open(const CanvasSurface& surface) {
  if (!surface.Bits || surface.Width <= 0 || surface.Height <= 0) return nullptr;
  if (surface.BitCount != 8 && surface.BitCount != 16 && surface.BitCount != 24 &&
      surface.BitCount != 32)
    return nullptr;
  return std::make_unique<GlyphCanvasDevice>(*this, surface);
}

std::string GlyphCanvasBackend::FontKey(const CanvasFont& font) {
  std::string key = font.Name;
  key += '\0';
  key += std::to_string(font.PixelHeight);
  key += font.Bold ? 'b' : '-';
  key += font.Italic ? 'i' : '-';
  key += '\0';
  return key;
}

const GlyphCanvasBackend::RenderedText& GlyphCanvasBackend::Glyph(const std::string& fontKey,
                                                                  char32_t c,
                                                                  const CanvasFont& font) {
  std::string key = fontKey;
  key.append(reinterpret_cast<const char*>(&c), sizeof c);
  if (auto it = glyphs_.find(key); it != glyphs_.end()) return it->second;
  return glyphs_.emplace(std::move(key), RenderGlyph(c, font)).first->second;
}

const GlyphCanvasBackend::RenderedText& GlyphCanvasBackend::Render(const std::string& text,
                                                                   const CanvasFont& font) {
  const std::string fontKey = FontKey(font);
  std::string key = fontKey + text;
  if (auto it = kept_.find(key); it != kept_.end()) return it->second;
  if (kept_.size() >= MaxKept) kept_.clear();

  RenderedText r;
  for (char32_t c : DecodeUtf8(text)) {
    const RenderedText& g = Glyph(fontKey, c, font);
    for (std::size_t i = 0; i + 1 < g.Ink.size(); i += 2) {
      r.Ink.push_back(static_cast<std::int16_t>(g.Ink[i] + r.Width));
      r.Ink.push_back(g.Ink[i + 1]);
    }
    r.Width += g.Width;
    r.Height = std::max(r.Height, g.Height);
  }
  return kept_.emplace(std::move(key), std::move(r)).first->second;
}
