#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/graphics_types.h"
#include "gfx/pixel_format.h"
#include "gfx/stream.h"
#include "platform/exception.h"

// The fuzz build lowers the budget below so that every input it tries stays cheap.
#ifndef VELNAR_DIB_PIXEL_BUDGET
#define VELNAR_DIB_PIXEL_BUDGET (std::int64_t{1} << 26)
#endif

class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};
class EInvalidGraphicOperation : public Exception {
 public:
  using Exception::Exception;
};
class EOutOfResources : public Exception {
 public:
  using Exception::Exception;
};

struct TRGBQuad {
  std::uint8_t rgbBlue = 0;
  std::uint8_t rgbGreen = 0;
  std::uint8_t rgbRed = 0;
  std::uint8_t rgbReserved = 0;
  friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};
using TRGBQuads = std::array<TRGBQuad, 256>;

// The 40-byte bitmap header as it is written.
struct TBitmapInfoHeader {
  std::uint32_t biSize = 40;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;
  std::uint16_t biPlanes = 1;
  std::uint16_t biBitCount = 0;
  std::uint32_t biCompression = 0;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};

// The pixel storage of one picture, shared by the bitmaps that copy it. Rows are
// held bottom-up. Run-length data is kept compressed until the pixels are
// first needed.
class TDIBSharedImage {
 public:
  TDIBSharedImage() = default;

  int Width = 0;
  int Height = 0;
  int BitCount = 0;
  int WidthBytes = 0;  // the stride of a row
  TPixelFormat PixelFormat{0, 0xFF0000, 0x00FF00, 0x0000FF, 0};
  TRGBQuads ColorTable{};
  TBitmapInfoHeader Header;

  std::vector<std::uint8_t> Bits;        // bottom-up, WidthBytes x Height
  std::vector<std::uint8_t> Compressed;  // run-length data not yet expanded
  std::uint32_t Compression = 0;         // 1 or 2 while Compressed holds data

  bool Empty() const { return Width <= 0 || Height <= 0; }
  // Expands kept run-length data; false when that data is broken (the pixels
  // then stay as far as they were filled, the rest 0).
  bool Decompress();
};

// A device-independent bitmap: the program's picture format, read and written
// as the bitmap file format without (ReadData) or with (LoadFromStream) its
// 14-byte file header.
class TDIB {
 public:
  // The most pixels a picture read from outside (ReadData, LoadFromStream) may
  // declare; a larger one is refused before anything is allocated, whatever its
  // compression. 2^26 is 8192 x 8192, 256 times the largest picture the program
  // carries (512 x 512). No row takes more than 4 bytes a pixel (32 bits, or a
  // narrow row padded to 4 bytes), so the expanded pixels of an accepted
  // picture never pass MaxPixelBytes, 256 MiB: room a classroom machine spares.
  static constexpr std::int64_t PixelBudget = VELNAR_DIB_PIXEL_BUDGET;
  static constexpr std::int64_t MaxPixelBytes = 4 * PixelBudget;

  TDIB();
  TDIB(const TDIB& other) = default;
  TDIB& operator=(const TDIB& other) = default;

  bool Empty() const { return image_->Empty(); }
  int Width() const { return image_->Width; }
  // Rows are counted from the top.
  int Height() const { return image_->Height; }
  int BitCount() const { return image_->BitCount; }
  int WidthBytes() const { return image_->WidthBytes; }
  const TPixelFormat& PixelFormat() const { return image_->PixelFormat; }
  const TRGBQuads& ColorTable() const { return image_->ColorTable; }
  void SetColorTable(const TRGBQuads& table);
  // The 16-bit layout (5-5-5 or 5-6-5); other depths accept 8-8-8 only.
  void SetPixelFormat(const TPixelFormat& format);
  // True when another bitmap holds the same storage.
  bool SharesWith(const TDIB& other) const { return image_ == other.image_; }

  // A new storage in the current format and colour table; nothing happens when
  // nothing changes. Width or height 0 or less empties the bitmap.
  void SetSize(int width, int height, int bitCount);
  void SetWidth(int width);
  void SetHeight(int height);
  void Clear();

  // The raw pixel value (a table index for 8 bits or fewer); 0 outside.
  std::uint32_t Pixels(int x, int y) const;
  // A write outside the bitmap is ignored.
  void SetPixels(int x, int y, std::uint32_t value);
  // The colour of a pixel, through the table for indexed depths.
  TColor PixelColor(int x, int y) const;
  // The first byte of row y (from the top); null outside the bitmap.
  const std::uint8_t* ScanLine(int y) const;
  std::uint8_t* ScanLineForWrite(int y);

  // Header, masks, colour table and pixels, with no file header. Reading costs
  // time in proportion to the stream's bytes; expanding run-length data on
  // first use, in proportion to the picture's pixels, within PixelBudget.
  void ReadData(TStream& stream);
  void WriteData(TStream& stream) const;
  // The bitmap file format: a 14-byte file header, then the data.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;

  const TDIBSharedImage& Image() const { return *image_; }

 private:
  const TDIBSharedImage& Pixelled() const;  // with run-length data expanded
  TDIBSharedImage& Changing();              // unshared and expanded, for a write

  std::shared_ptr<TDIBSharedImage> image_;
};

// The picture object of a stored picture: a class-name prefix, then the
// graphic's own data. "TDIB" is the only picture class of this program.
class TPicture {
 public:
  TPicture() = default;
  TPicture(const TPicture& other);
  TPicture& operator=(const TPicture& other);

  // Null for an empty picture.
  TDIB* Graphic() const { return graphic_.get(); }
  void SetGraphic(const TDIB& dib) { graphic_ = std::make_unique<TDIB>(dib); }
  void Clear() { graphic_.reset(); }
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  void ReadData(TStream& stream);
  void WriteData(TStream& stream) const;

 private:
  std::unique_ptr<TDIB> graphic_;
};
