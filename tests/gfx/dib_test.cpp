#include "gfx/dib.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/surface.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Put16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

// A 40-byte header as the program's pictures carry it.
Bytes Header(int width, int height, int bits, std::uint32_t compression = 0,
             std::uint32_t sizeImage = 0, std::uint32_t colorsUsed = 0) {
  Bytes b;
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(width));
  Put32(b, static_cast<std::uint32_t>(height));
  Put16(b, 1);
  Put16(b, static_cast<std::uint16_t>(bits));
  Put32(b, compression);
  Put32(b, sizeImage);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, colorsUsed);
  Put32(b, 0);
  return b;
}

int Stride(int bits, int width) {
  return (bits * width + 31) / 32 * 4;
}

// Header, full colour table and pixel bytes with a recognisable pattern.
Bytes Picture(int width, int height, int bits) {
  Bytes b = Header(width, height, bits, 0, Stride(bits, width) * height);
  if (bits <= 8)
    for (int i = 0; i < (1 << bits); ++i) Put32(b, (0x010203u * i) & 0xFFFFFF);
  for (int i = 0; i < Stride(bits, width) * height; ++i)
    b.push_back(static_cast<std::uint8_t>(i * 7 + i / 13));
  return b;
}

Bytes Written(const TDIB& dib) {
  TMemoryStream out;
  dib.WriteData(out);
  return out.Bytes();
}

TDIB Read(const Bytes& bytes) {
  TDIB dib;
  TMemoryStream in(bytes);
  dib.ReadData(in);
  return dib;
}

template <class E>
std::string ErrorOf(const Bytes& bytes, TDIB& dib) {
  TMemoryStream in(bytes);
  try {
    dib.ReadData(in);
  } catch (const E& e) {
    return e.what();
  }
  return "no error";
}

TEST(Dib, PictureDataStreamRoundTripsByteForByte) {
  Bytes stream = {4, 'T', 'D', 'I', 'B'};
  const Bytes body = Picture(40, 64, 8);
  stream.insert(stream.end(), body.begin(), body.end());
  ASSERT_EQ(body.size(), 3624u);
  TPicture picture;
  TMemoryStream in(stream);
  picture.ReadData(in);
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Width(), 40);
  EXPECT_EQ(picture.Height(), 64);
  EXPECT_EQ(picture.Graphic()->BitCount(), 8);
  TMemoryStream out;
  picture.WriteData(out);
  EXPECT_EQ(out.Bytes(), stream);

  for (int bits : {1, 4, 8, 24}) {
    const Bytes bytes = Picture(13, 5, bits);
    EXPECT_EQ(Written(Read(bytes)), bytes) << bits;
  }

  // 16 and 32 bits are written with their masks; so read, they come back whole.
  for (int bits : {16, 32}) {
    Bytes b = Header(3, 2, bits, 3, static_cast<std::uint32_t>(Stride(bits, 3) * 2));
    Put32(b, bits == 16 ? 0xF800 : 0xFF0000);
    Put32(b, bits == 16 ? 0x07E0 : 0x00FF00);
    Put32(b, bits == 16 ? 0x001F : 0x0000FF);
    for (int i = 0; i < Stride(bits, 3) * 2; ++i) b.push_back(static_cast<std::uint8_t>(i * 29));
    EXPECT_EQ(Written(Read(b)), b) << bits;
  }

  // An empty name is an empty picture, and so is a class this program does not know.
  for (const Bytes& other : {Bytes{0}, Bytes{7, 'T', 'B', 'i', 't', 'm', 'a', 'p', 1, 2}}) {
    TMemoryStream none(other);
    picture.ReadData(none);
    EXPECT_EQ(picture.Graphic(), nullptr);
  }
  TMemoryStream empty;
  picture.WriteData(empty);
  EXPECT_EQ(empty.Bytes(), Bytes{0});
}

TEST(Dib, RowsAndPixelsOfEachDepth) {
  const TDIB four = Read(Picture(55, 16, 4));
  EXPECT_EQ(four.WidthBytes(), 28);
  const TDIB wide = Read(Picture(79, 79, 24));
  EXPECT_EQ(wide.WidthBytes(), 240);

  // A 24-bit picture has no table: its first pixel bytes follow the header.
  Bytes b = Header(2, 2, 24);
  for (std::uint8_t v : {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0, 0,  // bottom row
                         0xFF, 0x00, 0xFF, 0x01, 0x02, 0x03, 0, 0})
    b.push_back(v);
  const TDIB dib = Read(b);
  EXPECT_EQ(dib.Pixels(0, 1), 0x332211u);
  EXPECT_EQ(dib.Pixels(1, 0), 0x030201u);
  EXPECT_EQ(dib.PixelColor(0, 0), 0xFF00FF);

  // One bit per pixel, most significant bit first; 4 bits, high nibble first.
  Bytes mono = Header(10, 1, 1);
  Put32(mono, 0);
  Put32(mono, 0xFFFFFF);
  for (std::uint8_t v : {0xA0, 0x40, 0, 0}) mono.push_back(v);
  const TDIB m = Read(mono);
  EXPECT_EQ(m.Pixels(0, 0), 1u);
  EXPECT_EQ(m.Pixels(1, 0), 0u);
  EXPECT_EQ(m.Pixels(2, 0), 1u);
  EXPECT_EQ(m.Pixels(9, 0), 1u);
  EXPECT_EQ(m.PixelColor(0, 0), 0xFFFFFF);
}

TEST(Dib, NegativeHeightLoadsTopRowFirstAndWritesBottomUp) {
  Bytes b = Header(1, -3, 8);
  for (int i = 0; i < 256; ++i) Put32(b, 0);
  for (std::uint8_t v : {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0}) b.push_back(v);
  const TDIB dib = Read(b);
  EXPECT_EQ(dib.Height(), 3);
  EXPECT_EQ(dib.Pixels(0, 0), 1u);
  EXPECT_EQ(dib.Pixels(0, 2), 3u);
  const Bytes out = Written(dib);
  EXPECT_EQ(out[8], 3);  // height now positive
  EXPECT_EQ(out[40 + 1024], 3);
  EXPECT_EQ(out[40 + 1024 + 8], 1);
}

TEST(Dib, ShortHeaderWithThreeByteColours) {
  Bytes b;
  Put32(b, 12);
  Put16(b, 2);
  Put16(b, 1);
  Put16(b, 1);
  Put16(b, 1);
  for (std::uint8_t v : {0x10, 0x20, 0x30, 0x40, 0x50, 0x60}) b.push_back(v);
  for (std::uint8_t v : {0x40, 0, 0, 0}) b.push_back(v);
  const TDIB dib = Read(b);
  EXPECT_EQ(dib.ColorTable()[1].rgbRed, 0x60);
  EXPECT_EQ(dib.PixelColor(1, 0), 0x405060);
  EXPECT_EQ(dib.PixelColor(0, 0), 0x102030);
  EXPECT_EQ(Written(dib).size(), 40u + 8 + 4);  // written back with the long header
}

TEST(Dib, MasksGiveTheSixteenBitFormat) {
  Bytes plain = Header(2, 1, 16);
  Put32(plain, 0x7FFF7C00);
  EXPECT_EQ(Read(plain).PixelFormat(), TPixelFormat::RGB555());
  EXPECT_EQ(Read(plain).PixelColor(0, 0), 0x0000F8);

  Bytes masked = Header(2, 1, 16, 3, 4);
  Put32(masked, 0xF800);
  Put32(masked, 0x07E0);
  Put32(masked, 0x001F);
  Put32(masked, 0xF81F07E0);
  const TDIB dib = Read(masked);
  EXPECT_EQ(dib.PixelFormat(), TPixelFormat::RGB565());
  EXPECT_EQ(dib.PixelColor(1, 0), 0xFF00FF - 0x070007 + 0x000000);  // F8 00 F8
  EXPECT_EQ(Written(dib), masked);

  // Only the counts matter: scattered masks with 5-6-5 counts are 5-6-5.
  Bytes scattered = Header(2, 1, 16, 3);
  Put32(scattered, 0x1F);
  Put32(scattered, 0xFC00);
  Put32(scattered, 0x3E0);
  Put32(scattered, 0);
  EXPECT_EQ(Read(scattered).PixelFormat(), TPixelFormat::RGB565());

  Bytes bad = Header(2, 1, 16, 3);
  Put32(bad, 0xF000);
  Put32(bad, 0x0F00);
  Put32(bad, 0x00F0);
  Put32(bad, 0);
  TDIB keep = Read(Picture(3, 3, 8));
  EXPECT_EQ(ErrorOf<EInvalidGraphicOperation>(bad, keep), "PixelFormat in invalid");
  EXPECT_EQ(keep.Width(), 3);
}

TEST(Dib, RunLengthDataIsKeptAndExpandedOnUse) {
  // 8 bits, 6 x 3: a run, a literal with padding, end of row, a move, end.
  Bytes rle8 = {3, 9, 0, 3, 1, 2, 3, 0, 0, 0,  // row 0: 9 9 9 1 2 3
                0, 2, 2, 1,                    // move to (2, 2)
                2, 7, 0, 1};                   // row 2: _ _ 7 7
  Bytes b = Header(6, 3, 8, 1, static_cast<std::uint32_t>(rle8.size()));
  for (int i = 0; i < 256; ++i) Put32(b, 0);
  b.insert(b.end(), rle8.begin(), rle8.end());
  const TDIB dib = Read(b);
  EXPECT_EQ(Written(dib), b);       // still compressed
  EXPECT_EQ(dib.Pixels(0, 2), 9u);  // bottom row first
  EXPECT_EQ(dib.Pixels(5, 2), 3u);
  EXPECT_EQ(dib.Pixels(1, 1), 0u);
  EXPECT_EQ(dib.Pixels(2, 0), 7u);
  EXPECT_EQ(dib.Pixels(3, 0), 7u);
  EXPECT_EQ(dib.Pixels(4, 0), 0u);
  const Bytes expanded = Written(dib);
  EXPECT_EQ(expanded[16], 0);  // compression
  EXPECT_EQ(expanded.size(), 40u + 1024 + 8 * 3);

  // 4 bits, 5 x 1: nibbles alternate in a run, literal of 3 pixels.
  Bytes rle4 = {2, 0x12, 0, 3, 0x45, 0x60, 0, 1};
  Bytes c = Header(5, 1, 4, 2, static_cast<std::uint32_t>(rle4.size()));
  for (int i = 0; i < 16; ++i) Put32(c, 0);
  c.insert(c.end(), rle4.begin(), rle4.end());
  const TDIB four = Read(c);
  const std::uint32_t want[] = {1, 2, 4, 5, 6};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(four.Pixels(x, 0), want[x]) << x;
}

TEST(Dib, ErrorsKeepThePreviousPicture) {
  TDIB dib = Read(Picture(3, 3, 8));
  const Bytes before = Written(dib);
  const auto invalid = [&](const Bytes& bytes) { return ErrorOf<EInvalidGraphic>(bytes, dib); };
  EXPECT_EQ(invalid({40, 0, 0}), "DIB is invalid");
  EXPECT_EQ(invalid({20, 0, 0, 0}), "DIB is invalid");
  Bytes badCompression = Header(2, 2, 24, 4);
  badCompression.resize(badCompression.size() + 16);
  EXPECT_EQ(invalid(badCompression), "DIB is invalid");
  Bytes manyColours = Header(2, 2, 8, 0, 0, 300);
  manyColours.resize(manyColours.size() + 300 * 4 + 8);
  EXPECT_EQ(invalid(manyColours), "DIB is invalid");
  EXPECT_EQ(invalid(Header(0x7FFFFFFF, 0x7FFFFFFF, 32)),
            "DIB is too large (2147483647 x 2147483647 pixels, at most 67108864)");
  EXPECT_EQ(invalid(Header(-5, 3, 24)), "DIB is invalid");
  EXPECT_EQ(invalid(Header(5, INT32_MIN, 24)), "DIB is invalid");

  Bytes twoBits = Header(2, 2, 2);
  twoBits.resize(twoBits.size() + 4 * 4 + 8);
  EXPECT_EQ(ErrorOf<EInvalidGraphicOperation>(twoBits, dib), "Bitcount in invalid (2)");
  Bytes truncated = Picture(40, 64, 8);
  truncated.resize(truncated.size() - 1);
  EXPECT_EQ(ErrorOf<EReadError>(truncated, dib), "Stream read error");
  // Claims far more pixels than the stream holds: refused before any allocation.
  EXPECT_EQ(ErrorOf<EReadError>(Header(6000, 6000, 24), dib), "Stream read error");
  Bytes header = Header(3, 3, 8);
  header.resize(20);
  EXPECT_EQ(ErrorOf<EReadError>(header, dib), "Stream read error");

  // Run-length data running past its row, past the bitmap, or cut short.
  for (const Bytes& rle : {Bytes{7, 1, 0, 1}, Bytes{0, 0, 0, 0, 0, 0, 2, 1}, Bytes{0, 2, 9, 0},
                           Bytes{0, 5, 1, 2}, Bytes{0, 2, 1}}) {
    Bytes r = Header(6, 2, 8, 1, static_cast<std::uint32_t>(rle.size()));
    for (int i = 0; i < 256; ++i) Put32(r, 0);
    r.insert(r.end(), rle.begin(), rle.end());
    EXPECT_EQ(invalid(r), "DIB is invalid");
  }
  // Run-length data claiming an enormous picture from a few bytes.
  Bytes bomb = Header(60000, 60000, 8, 1, 2);
  for (int i = 0; i < 256; ++i) Put32(bomb, 0);
  bomb.push_back(0);
  bomb.push_back(1);
  EXPECT_EQ(invalid(bomb), "DIB is too large (60000 x 60000 pixels, at most 67108864)");

  EXPECT_EQ(Written(dib), before);
  TMemoryStream nothing;
  dib.ReadData(nothing);
  EXPECT_TRUE(dib.Empty());
}

// Run-length data for a picture of the given size: its bottom row starts with
// the pixels 5 5, and the rest is left 0 by the end-of-bitmap mark.
Bytes RunLengthPicture(int width, int height, int bits) {
  const Bytes rle = {2, static_cast<std::uint8_t>(bits == 8 ? 5 : 0x55), 0, 1};
  Bytes b = Header(width, height, bits, bits == 8 ? 1 : 2, static_cast<std::uint32_t>(rle.size()));
  for (int i = 0; i < (1 << bits); ++i) Put32(b, 0x010101u * static_cast<std::uint32_t>(i));
  b.insert(b.end(), rle.begin(), rle.end());
  return b;
}

TEST(Dib, PixelBudgetBoundsEveryPictureReadFromOutside) {
  ASSERT_EQ(TDIB::PixelBudget, 8192 * 8192);
  TDIB dib = Read(Picture(3, 3, 8));
  const Bytes before = Written(dib);
  const auto error = [&](const Bytes& bytes) -> std::string {
    TMemoryStream in(bytes);
    try {
      dib.ReadData(in);
    } catch (const Exception& e) {
      return e.what();
    }
    return "no error";
  };

  // Run-length data as small as four bytes may declare the whole budget, and
  // no more; within it the picture is kept compressed until its pixels are used.
  for (int bits : {4, 8}) {
    EXPECT_EQ(error(RunLengthPicture(8192, 8193, bits)),
              "DIB is too large (8192 x 8193 pixels, at most 67108864)");
    EXPECT_EQ(error(RunLengthPicture(65536, 1025, bits)),
              "DIB is too large (65536 x 1025 pixels, at most 67108864)");
    EXPECT_EQ(Written(dib), before) << bits;
  }
  const Bytes justUnder = RunLengthPicture(8192, 8192, 8);
  TDIB big = Read(justUnder);
  EXPECT_EQ(big.Width(), 8192);
  EXPECT_EQ(big.Height(), 8192);
  EXPECT_EQ(Written(big), justUnder);
  EXPECT_EQ(big.Pixels(1, 8191), 5u);  // expands: 64 MiB
  EXPECT_EQ(big.Pixels(2, 8191), 0u);
  EXPECT_EQ(big.Pixels(8191, 0), 0u);
  big.Clear();

  // Uncompressed pictures meet the budget before the stream's length: so read
  // from a stream without their pixels, a picture within it wants its data, one
  // beyond it is too large. Whatever the depth and shape, the budget holds its
  // bytes within MaxPixelBytes.
  struct Shape {
    int width, height;
  };
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    for (const Shape s : {Shape{8192, 8192}, Shape{1, 1 << 26}, Shape{1 << 26, 1}}) {
      const std::int64_t stride = (std::int64_t{bits} * s.width + 31) / 32 * 4;
      ASSERT_LE(stride * s.height, TDIB::MaxPixelBytes);
      Bytes within = Header(s.width, s.height, bits);
      within.resize(within.size() + (bits <= 8 ? 4u << bits : 0) + 64);
      EXPECT_EQ(error(within), "Stream read error") << bits << " " << s.width;
      Bytes beyond =
          Header(s.width + (s.width > 1 ? 1 : 0), s.height + (s.width > 1 ? 0 : 1), bits);
      beyond.resize(within.size());
      EXPECT_NE(error(beyond).find("DIB is too large"), std::string::npos)
          << bits << " " << s.width;
    }
    // Top row first counts the same.
    Bytes topDown = Header(8193, -8192, bits);
    topDown.resize(topDown.size() + (bits <= 8 ? 4u << bits : 0));
    EXPECT_EQ(error(topDown), "DIB is too large (8193 x 8192 pixels, at most 67108864)");
  }
  // The short header's largest sizes are beyond the budget as well.
  Bytes shortHeader;
  Put32(shortHeader, 12);
  Put16(shortHeader, 0xFFFF);
  Put16(shortHeader, 0xFFFF);
  Put16(shortHeader, 1);
  Put16(shortHeader, 24);
  EXPECT_EQ(error(shortHeader), "DIB is too large (65535 x 65535 pixels, at most 67108864)");
  EXPECT_EQ(Written(dib), before);
}

TEST(Dib, BitmapFilesRoundTrip) {
  TDIB dib = Read(Picture(5, 4, 4));
  TMemoryStream file;
  dib.SaveToStream(file);
  const Bytes& f = file.Bytes();
  ASSERT_EQ(f.size(), 14u + 40 + 64 + 4 * 4);
  EXPECT_EQ(f[0], 'B');
  EXPECT_EQ(f[1], 'M');
  EXPECT_EQ(f[2] | (f[3] << 8), static_cast<int>(f.size()));
  EXPECT_EQ(f[10], 14 + 40 + 64);
  TDIB back;
  file.SetPosition(0);
  back.LoadFromStream(file);
  EXPECT_EQ(Written(back), Written(dib));

  TMemoryStream empty;
  back.LoadFromStream(empty);  // nothing to load: unchanged
  EXPECT_EQ(back.Width(), 5);
  for (const Bytes& bad : {Bytes{'B', 'M', 0}, Bytes(14, 'X')}) {
    TMemoryStream in(bad);
    EXPECT_THROW(back.LoadFromStream(in), EInvalidGraphic);
  }
  EXPECT_EQ(back.Width(), 5);
}

TEST(Dib, SizeRulesAndSharedStorage) {
  TDIB a, b;
  EXPECT_TRUE(a.SharesWith(b));  // one empty storage for all
  a.SetWidth(7);
  EXPECT_EQ(a.Height(), 1);
  EXPECT_EQ(a.BitCount(), 8);
  b.SetSize(4, 3, 16);
  const Bytes sixteen = Written(b);
  EXPECT_EQ(sixteen.size(), 52u + 8 * 3);  // compression 3 with its masks
  EXPECT_EQ(sixteen[16], 3);
  EXPECT_EQ(sixteen[40], 0x00);  // red mask 0x7C00: 5-5-5 unless told otherwise
  EXPECT_EQ(sixteen[41], 0x7C);
  EXPECT_EQ(sixteen[20], 24);  // pixel data size = stride x height
  EXPECT_THROW(b.SetSize(4, 3, 2), EInvalidGraphicOperation);
  b.SetPixelFormat(TPixelFormat::RGB565());
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::RGB565());

  TDIB c = b;
  EXPECT_TRUE(c.SharesWith(b));
  c.SetPixels(1, 1, 0x1234);
  EXPECT_FALSE(c.SharesWith(b));
  EXPECT_EQ(b.Pixels(1, 1), 0u);
  EXPECT_EQ(c.Pixels(1, 1), 0x1234u);
  c.SetPixels(4, 0, 1);  // outside: ignored
  c.SetSize(0, 5, 8);
  EXPECT_TRUE(c.Empty());
  EXPECT_TRUE(c.SharesWith(TDIB()));
  EXPECT_TRUE(Written(c).empty());
}

TEST(Dib, PicturesEnterSurfacesByTheConversionRule) {
  Bytes b = Header(3, 2, 24);
  for (std::uint8_t v : {0xFF, 0x00, 0xFF, 0x6E, 0x3F, 0x57, 0x00, 0x00, 0xFF, 0, 0, 0,
                         0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0, 0, 0})
    b.push_back(v);
  const TDIB dib = Read(b);
  TDirectDraw dd;
  TDirectDrawSurface s(&dd);
  s.LoadFromGraphic(dib);
  ASSERT_EQ(s.Width(), 3);
  EXPECT_EQ(s.Pixels(0, 1), 0xF81Fu);
  EXPECT_EQ(s.Pixels(1, 1), 0x51EDu);
  EXPECT_EQ(s.Pixels(2, 1), 0xF800u);
  EXPECT_EQ(s.Pixels(0, 1), s.ColorMatch(clFuchsia));
  dd.SetDisplayPixelFormat(TPixelFormat::RGB555());
  s.LoadFromGraphic(dib);
  EXPECT_EQ(s.Pixels(0, 1), 0x7C1Fu);
  EXPECT_EQ(s.Pixels(1, 1), 0x28EDu);

  // A rectangle of an indexed picture, and the same stretched to twice its width.
  const TDIB indexed = Read(Picture(8, 4, 8));
  dd.SetDisplayPixelFormat(TPixelFormat::XRGB8888());
  s.LoadFromGraphicRect(indexed, 0, 0, Rect(2, 1, 6, 3));
  ASSERT_EQ(s.Width(), 4);
  ASSERT_EQ(s.Height(), 2);
  EXPECT_EQ(s.PixelFormat().RawToColor(s.Pixels(3, 1)), indexed.PixelColor(5, 2));
  s.LoadFromGraphicRect(indexed, 8, 2, Rect(2, 1, 6, 3));
  for (int x = 0; x < 8; ++x)
    EXPECT_EQ(s.PixelFormat().RawToColor(s.Pixels(x, 1)), indexed.PixelColor(2 + x / 2, 2)) << x;

  TDIB back;
  s.AssignTo(back);
  EXPECT_EQ(back.BitCount(), 24);
  EXPECT_EQ(back.PixelColor(3, 1), indexed.PixelColor(3, 2));
}

}  // namespace
