#include "gfx/surface.h"

#include <gtest/gtest.h>

#include "gfx/canvas.h"
#include "gfx/dib.h"
#include "recording_canvas.h"

namespace {

// A source picture whose every pixel is distinct: value = 1 + x + 64 * y.
void Pattern(TDirectDrawSurface& s) {
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) s.SetPixels(x, y, 1 + x + 64 * y);
}

TEST(Surface, FillAndPixelsWithBounds) {
  TDirectDraw dd;
  TDirectDrawSurface s(&dd);
  EXPECT_FALSE(s.Fill(0));  // absent
  s.SetSize(20, 10);
  EXPECT_EQ(s.BitCount(), 16);
  EXPECT_TRUE(s.Fill(0xF81F));
  EXPECT_EQ(s.Pixels(19, 9), 0xF81Fu);
  EXPECT_TRUE(s.Fill(0));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(s.Pixels(x, y), 0u);
  s.SetPixels(3, 4, 0x1234);
  EXPECT_EQ(s.Pixels(3, 4), 0x1234u);
  s.SetPixels(20, 0, 0x5555);  // outside: ignored
  EXPECT_EQ(s.Pixels(20, 0), 0u);
  EXPECT_EQ(s.Pixels(-1, 0), 0u);
  s.SetSize(0, 5);
  EXPECT_FALSE(s.Exists());
  EXPECT_EQ(s.Pixels(0, 0), 0u);
}

TEST(Surface, LocksDoNotNest) {
  TDirectDraw dd;
  TDirectDrawSurface s(&dd);
  EXPECT_FALSE(s.Lock());
  s.SetSize(8, 8);
  TSurfaceMemory m;
  ASSERT_TRUE(s.Lock(m));
  EXPECT_EQ(m.Pitch, s.Pitch());
  EXPECT_FALSE(s.Lock());
  EXPECT_EQ(s.Pixels(0, 0), 0u);  // reading locks, and that fails now
  EXPECT_FALSE(s.Fill(1));
  reinterpret_cast<std::uint16_t*>(m.Bits + 2 * m.Pitch)[5] = 0xABCD;
  s.Unlock();
  EXPECT_EQ(s.Pixels(5, 2), 0xABCDu);
  const TRect part = Rect(2, 3, 6, 7);
  ASSERT_TRUE(s.Lock(m, &part));
  EXPECT_EQ(reinterpret_cast<std::uint16_t*>(m.Bits - 1 * m.Pitch)[3], 0xABCD);
  s.Unlock();
}

TEST(Surface, DrawClipsAtEveryEdge) {
  TDirectDraw dd;
  TDirectDrawSurface src(&dd), dst(&dd);
  src.SetSize(40, 8);
  Pattern(src);
  dst.SetSize(100, 50);

  dst.Fill(0);
  dst.Draw(-10, 0, src.ClientRect(), &src, false);
  EXPECT_EQ(dst.Pixels(0, 0), 1u + 10);  // column 10 at 0
  EXPECT_EQ(dst.Pixels(29, 7), 1u + 39 + 64 * 7);
  EXPECT_EQ(dst.Pixels(30, 0), 0u);

  dst.Fill(0);
  dst.Draw(dst.Width() - 5, 0, src.ClientRect(), &src, false);
  EXPECT_EQ(dst.Pixels(95, 0), 1u);
  EXPECT_EQ(dst.Pixels(99, 0), 5u);

  dst.Fill(0);
  dst.Draw(3, -6, src.ClientRect(), &src, false);
  EXPECT_EQ(dst.Pixels(3, 0), 1u + 64 * 6);
  EXPECT_EQ(dst.Pixels(3, 2), 0u);

  dst.Fill(0);
  dst.Draw(0, 47, Rect(5, 0, 10, 8), &src, false);
  EXPECT_EQ(dst.Pixels(0, 47), 6u);
  EXPECT_EQ(dst.Pixels(4, 49), 10u + 64 * 2);
  EXPECT_EQ(dst.Pixels(5, 47), 0u);

  dst.Fill(7);
  dst.Draw(dst.Width(), 0, src.ClientRect(), &src, false);
  dst.Draw(dst.Width() + 1, 0, src.ClientRect(), &src, false);
  dst.Draw(0, dst.Height(), src.ClientRect(), &src, false);
  dst.Draw(-40, 0, src.ClientRect(), &src, false);
  dst.Draw(0, 0, Rect(30, 0, 50, 8), &src, false);  // source rectangle past the source's edge
  EXPECT_EQ(dst.Pixels(0, 0), 31u);
  EXPECT_EQ(dst.Pixels(9, 0), 40u);
  EXPECT_EQ(dst.Pixels(10, 0), 7u);
  int changed = 0;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 100; ++x) changed += dst.Pixels(x, y) != 7;
  EXPECT_EQ(changed, 10 * 8);
}

TEST(Surface, DrawHonoursTheColourKeyOnlyWhenAsked) {
  TDirectDraw dd;
  TDirectDrawSurface src(&dd), dst(&dd);
  src.SetSize(30, 4);
  for (int x = 0; x < 30; ++x)
    for (int y = 0; y < 4; ++y) src.SetPixels(x, y, (x / 3 + y) % 2 ? 0xF81F : 100 + x);
  src.SetTransparentColor(0xF81F);
  dst.SetSize(40, 10);
  for (int pass = 0; pass < 2; ++pass) {  // the second pass draws from the cached runs
    dst.Fill(0x0101);
    dst.Draw(2, 1, Rect(1, 0, 29, 4), &src, true);
    for (int y = 0; y < 4; ++y)
      for (int x = 1; x < 29; ++x) {
        const std::uint32_t s = src.Pixels(x, y);
        ASSERT_EQ(dst.Pixels(x + 1, y + 1), s == 0xF81F ? 0x0101u : s) << x << "," << y;
      }
  }
  // A change to the source is seen by the next keyed copy.
  src.SetPixels(4, 0, 0x7777);
  dst.Draw(0, 0, src.ClientRect(), &src, true);
  EXPECT_EQ(dst.Pixels(4, 0), 0x7777u);
  src.SetTransparentColor(0x7777);
  dst.Fill(0);
  dst.Draw(0, 0, src.ClientRect(), &src, true);
  EXPECT_EQ(dst.Pixels(4, 0), 0u);
  EXPECT_EQ(dst.Pixels(3, 0), 0xF81Fu);
  dst.Draw(0, 0, src.ClientRect(), &src, false);
  EXPECT_EQ(dst.Pixels(4, 0), 0x7777u);
}

TEST(Surface, ColorMatchInBothSixteenBitFormatsKeepsPixelZero) {
  TDirectDraw dd;
  TDirectDrawSurface s(&dd);
  EXPECT_EQ(s.ColorMatch(clFuchsia), 0u);  // absent
  s.SetSize(4, 4);
  s.SetPixels(0, 0, 0x4321);
  EXPECT_EQ(s.ColorMatch(clFuchsia), 0xF81Fu);
  EXPECT_EQ(s.ColorMatch(7225175), 0x51EDu);
  EXPECT_EQ(s.ColorMatch(clRed), 0xF800u);
  EXPECT_EQ(s.ColorMatch(clBlack), 0u);
  EXPECT_EQ(s.Pixels(0, 0), 0x4321u);

  dd.SetDisplayPixelFormat(TPixelFormat::RGB555());
  s.SetSize(4, 4);
  s.SetPixels(0, 0, 0x1111);
  EXPECT_EQ(s.ColorMatch(clFuchsia), 0x7C1Fu);
  EXPECT_EQ(s.ColorMatch(7225175), 0x28EDu);
  EXPECT_EQ(s.ColorMatch(clRed), 0x7C00u);
  EXPECT_EQ(s.Pixels(0, 0), 0x1111u);
}

TEST(Surface, SizeFailuresAndTheVideoMemoryFallback) {
  TDirectDraw dd;
  TDirectDrawSurface s(&dd);
  try {
    s.SetSize(TDirectDraw::MaxSurfaceSide + 1, 10);
    FAIL();
  } catch (const EDirectDrawSurfaceError& e) {
    EXPECT_STREQ(e.what(), "Surface cannot be made");
  }
  EXPECT_FALSE(s.Exists());
  try {
    s.SetClipper(nullptr);
    FAIL();
  } catch (const EDirectDrawSurfaceError& e) {
    EXPECT_STREQ(e.what(), "IDirectDrawSurface not made");
  }
  dd.VideoMemoryFree = 100;
  s.SetSize(64, 64);
  EXPECT_TRUE(s.Exists());
  EXPECT_TRUE(s.SystemMemory);
  EXPECT_EQ(dd.VideoMemoryFree, 100);
  TDirectDrawSurface v(&dd);
  v.SetSize(5, 5);
  EXPECT_FALSE(v.SystemMemory);
  v.SetSize(0, 0);
  EXPECT_EQ(dd.VideoMemoryFree, 100);
}

TEST(Surface, DeviceListsAndLoss) {
  auto dd = std::make_unique<TDirectDraw>();
  auto a = std::make_unique<TDirectDrawSurface>(dd.get());
  TDirectDrawSurface b(dd.get());
  EXPECT_EQ(dd->Surfaces().size(), 2u);
  a.reset();
  ASSERT_EQ(dd->Surfaces().size(), 1u);
  EXPECT_EQ(dd->Surfaces()[0], &b);
  b.SetSize(4, 4);
  b.Fill(9);
  dd->LoseSurfaces();
  EXPECT_TRUE(b.IsLost());
  EXPECT_FALSE(b.Fill(1));
  EXPECT_EQ(b.LastResult(), DDERR_SURFACELOST);
  EXPECT_TRUE(b.Restore());
  EXPECT_EQ(b.Pixels(0, 0), 0u);  // memory is back, the pixels are not
  dd.reset();
  EXPECT_FALSE(b.Exists());
  EXPECT_EQ(b.DDraw(), nullptr);
}

TEST(Canvas, TakesTheSurfaceUntilReleased) {
  RecordingCanvasBackend backend;
  TDirectDraw dd;
  TDirectDrawSurface s(&dd), src(&dd);
  s.SetSize(64, 32);
  src.SetSize(4, 4);
  src.Fill(5);
  TDirectDrawSurfaceCanvas& c = s.Canvas();
  c.Font.Color = clYellow;
  c.Brush.Style = bsClear;
  c.TextOut(3, 4, "Droga s=");
  ASSERT_EQ(backend.Count("open"), 1);
  EXPECT_EQ(backend.Calls[0].Surface.Width, 64);
  EXPECT_EQ(backend.Calls[0].Surface.RedMask, 0xF800u);
  EXPECT_TRUE(s.DCActive());
  s.Draw(0, 0, src.ClientRect(), &src, false);  // refused while the canvas holds the surface
  EXPECT_EQ(s.Pixels(0, 0), 0u);
  c.Pen.Color = clLime;
  c.MoveTo(1, 2);
  c.LineTo(10, 2);
  c.LineTo(10, 9);
  c.Release();
  EXPECT_FALSE(s.DCActive());
  EXPECT_EQ(backend.Count("open"), 1);
  EXPECT_EQ(backend.Count("close"), 1);
  c.TextOut(0, 0, "again");
  EXPECT_EQ(backend.Count("open"), 2);
  c.Release();
  s.Draw(0, 0, src.ClientRect(), &src, false);
  EXPECT_EQ(s.Pixels(0, 0), 5u);

  ASSERT_EQ(backend.Calls[1].Kind, "text");
  EXPECT_EQ(backend.Calls[1].Text, "Droga s=");
  EXPECT_EQ(backend.Calls[1].Color, 0x00FFFFu);
  EXPECT_EQ(backend.Calls[1].Brush, CanvasBrushStyle::Clear);
  ASSERT_EQ(backend.Calls[3].Kind, "line");
  EXPECT_EQ(backend.Calls[3].X0, 10);
  EXPECT_EQ(backend.Calls[3].Y0, 2);
  EXPECT_EQ(backend.Calls[3].Y1, 9);
  EXPECT_EQ(backend.Calls[3].Color, 0x00FF00u);
}

}  // namespace

namespace {

TEST(Surface, MirroredAndSelfOverlappingCopies) {
  TDirectDraw dd;
  TDirectDrawSurface src(&dd), dst(&dd);
  src.SetSize(6, 3);
  Pattern(src);
  dst.SetSize(10, 10);
  // Left-right: a reversed rectangle; clipped on the left, the columns lost are
  // the source's rightmost.
  dst.Draw(0, 0, Rect(6, 0, 0, 3), &src, false);
  EXPECT_EQ(dst.Pixels(0, 0), 6u);
  EXPECT_EQ(dst.Pixels(5, 2), 1u + 128);
  dst.Fill(0);
  dst.Draw(-2, 0, Rect(6, 0, 0, 3), &src, false);
  EXPECT_EQ(dst.Pixels(0, 0), 4u);
  EXPECT_EQ(dst.Pixels(3, 0), 1u);
  EXPECT_EQ(dst.Pixels(4, 0), 0u);
  dst.Fill(0);
  dst.Draw(1, 1, Rect(0, 3, 6, 0), &src, false);  // up-down
  EXPECT_EQ(dst.Pixels(1, 1), 1u + 128);
  EXPECT_EQ(dst.Pixels(1, 3), 1u);

  // A surface drawn onto itself, overlapping, reads each pixel before it is overwritten.
  src.Draw(1, 1, Rect(0, 0, 5, 2), &src, false);
  EXPECT_EQ(src.Pixels(1, 1), 1u);
  EXPECT_EQ(src.Pixels(5, 2), 5u + 64);
  EXPECT_EQ(src.Pixels(0, 2), 1u + 128);
}

TEST(Surface, ClippersPalettesAndOtherDepths) {
  TDirectDraw dd;
  TDirectDrawSurface src(&dd), dst(&dd);
  src.SetSize(8, 8);
  src.Fill(3);
  dst.SetSize(8, 8);
  {
    TDirectDrawClipper clipper(dd);
    TDirectDrawPalette palette(dd);
    EXPECT_EQ(dd.Clippers().size(), 1u);
    EXPECT_EQ(dd.Palettes().size(), 1u);
    clipper.ClipRect = Rect(2, 2, 5, 5);
    dst.SetClipper(&clipper);
    dst.SetPalette(&palette);
    dst.Draw(0, 0, src.ClientRect(), &src, false);
    EXPECT_TRUE(dst.HasClipper());
    EXPECT_EQ(dst.Pixels(2, 2), 3u);
    EXPECT_EQ(dst.Pixels(4, 4), 3u);
    EXPECT_EQ(dst.Pixels(1, 2), 0u);
    EXPECT_EQ(dst.Pixels(5, 4), 0u);
  }
  // Gone with their objects.
  EXPECT_EQ(dst.Clipper(), nullptr);
  EXPECT_EQ(dst.Palette(), nullptr);
  EXPECT_FALSE(dst.HasClipper());
  EXPECT_TRUE(dd.Clippers().empty());

  for (const TPixelFormat& f : {TPixelFormat::RGB888(), TPixelFormat::XRGB8888()}) {
    dd.SetDisplayPixelFormat(f);
    TDirectDrawSurface s(&dd);
    s.SetSize(3, 2);
    s.SetPixels(0, 0, 0x123456);
    EXPECT_EQ(s.ColorMatch(7225175), 0x573F6Eu) << f.BitCount;
    EXPECT_EQ(s.Pixels(0, 0), 0x123456u);
    s.Fill(0xABCDEF);
    EXPECT_EQ(s.Pixels(2, 1), 0xABCDEFu);
    // Keyed copies compare the colour bits only: a 32-bit pixel's top byte is not colour.
    TDirectDrawSurface k(&dd);
    k.SetSize(2, 1);
    k.SetPixels(0, 0, f.BitCount == 32 ? 0xFF00FF00u : 0x00FF00u);
    k.SetPixels(1, 0, 0x010203);
    k.SetTransparentColor(0x00FF00);
    s.Draw(0, 0, k.ClientRect(), &k, true);
    EXPECT_EQ(s.Pixels(0, 0), 0xABCDEFu) << f.BitCount;
    EXPECT_EQ(s.Pixels(1, 0), 0x010203u);
  }
  const TRect outside = Rect(0, 0, 9, 8);
  EXPECT_FALSE(src.Lock(&outside));
  EXPECT_FALSE(src.Locked());
}

}  // namespace
