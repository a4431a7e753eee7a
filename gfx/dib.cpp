#include "gfx/dib.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "gfx/pixel_access.h"

namespace {

// Pictures the program makes itself (SetSize) are bound only by what a row
// offset can address.
constexpr std::int64_t kMaxPixelBytes = 0x7FFFFFFF;
static_assert(TDIB::MaxPixelBytes <= kMaxPixelBytes);

const std::shared_ptr<TDIBSharedImage>& EmptyImage() {
  static const std::shared_ptr<TDIBSharedImage> empty = std::make_shared<TDIBSharedImage>();
  return empty;
}

[[noreturn]] void Invalid() {
  throw EInvalidGraphic("DIB is invalid");
}

[[noreturn]] void TooLarge(std::int64_t width, std::int64_t height) {
  char text[96];
  std::snprintf(text, sizeof text, "DIB is too large (%lld x %lld pixels, at most %lld)",
                static_cast<long long>(width), static_cast<long long>(height),
                static_cast<long long>(TDIB::PixelBudget));
  throw EInvalidGraphic(text);
}

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}
std::uint16_t Le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
void Put32(std::uint8_t*& p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) *p++ = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put16(std::uint8_t*& p, std::uint16_t v) {
  *p++ = static_cast<std::uint8_t>(v);
  *p++ = static_cast<std::uint8_t>(v >> 8);
}

bool ValidBitCount(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

std::int64_t Stride(int bits, std::int64_t width) {
  return (bits * width + 31) / 32 * 4;
}

TPixelFormat DefaultFormat(int bits) {
  TPixelFormat f = bits == 16 ? TPixelFormat::RGB555() : TPixelFormat::RGB888();
  f.BitCount = bits;
  return f;
}

TPixelFormat FormatFromCounts(int bits, int r, int g, int b) {
  TPixelFormat f;
  f.BitCount = bits;
  const auto field = [](int n) { return n >= 32 ? 0xFFFFFFFFu : (1u << n) - 1; };
  f.BBitMask = field(b);
  f.GBitMask = b + g >= 32 ? 0 : field(g) << b;
  f.RBitMask = b + g + r >= 32 ? 0 : field(r) << (b + g);
  f.AlphaBitMask = 0;
  return f;
}

bool AcceptedFormat(int bits, const TPixelFormat& f) {
  const int r = CountBits(f.RBitMask), g = CountBits(f.GBitMask), b = CountBits(f.BBitMask);
  if (bits == 16) return r == 5 && b == 5 && (g == 5 || g == 6);
  return r == 8 && g == 8 && b == 8;
}

void CheckBitCount(int bits) {
  if (!ValidBitCount(bits)) {
    char text[64];
    std::snprintf(text, sizeof text, "Bitcount in invalid (%d)", bits);
    throw EInvalidGraphicOperation(text);
  }
}

// The header of a storage, built the same way however the storage came to be.
void BuildHeader(TDIBSharedImage& image) {
  TBitmapInfoHeader h;
  h.biWidth = image.Width;
  h.biHeight = image.Height;
  h.biBitCount = static_cast<std::uint16_t>(image.BitCount);
  h.biCompression = (image.BitCount == 16 || image.BitCount == 32) ? 3 : 0;
  h.biSizeImage = static_cast<std::uint32_t>(image.WidthBytes * image.Height);
  image.Header = h;
}

// Walks run-length data; writes the pixels into out (bottom-up rows) when it is
// given. False for data that runs past a row or the bitmap.
bool DecodeRunLength(const std::uint8_t* data, std::size_t size, int width, int height, int bits,
                     std::uint8_t* out, int stride) {
  std::int64_t x = 0, y = 0;
  std::size_t i = 0;
  while (i + 2 <= size) {
    const int count = data[i];
    const int value = data[i + 1];
    i += 2;
    if (count > 0) {
      if (y >= height || x + count > width) return false;
      if (out && bits == 8) {
        std::memset(out + y * stride + x, value, static_cast<std::size_t>(count));
      } else if (out) {
        std::uint8_t* row = out + y * stride;
        for (int k = 0; k < count; ++k) {
          const int v = bits == 8 ? value : ((k & 1) ? value & 0x0F : value >> 4);
          WriteRawPixel(row, static_cast<int>(x) + k, bits, static_cast<std::uint32_t>(v));
        }
      }
      x += count;
      continue;
    }
    switch (value) {
      case 0:  // end of row
        x = 0;
        if (++y > height) return false;
        break;
      case 1:  // end of bitmap
        return true;
      case 2:  // move right and down
        if (i + 2 > size) return false;
        x += data[i];
        y += data[i + 1];
        i += 2;
        if (x > width || y > height) return false;
        break;
      default: {  // literal pixels, padded to an even number of bytes
        const std::size_t bytes = bits == 8 ? value : (value + 1) / 2;
        if (i + bytes > size || y >= height || x + value > width) return false;
        if (out && bits == 8) {
          std::memcpy(out + y * stride + x, data + i, bytes);
        } else if (out) {
          std::uint8_t* row = out + y * stride;
          for (int k = 0; k < value; ++k) {
            const int v =
                bits == 8 ? data[i + k] : ((k & 1) ? data[i + k / 2] & 0x0F : data[i + k / 2] >> 4);
            WriteRawPixel(row, static_cast<int>(x) + k, bits, static_cast<std::uint32_t>(v));
          }
        }
        x += value;
        i += bytes + (bytes & 1);
        break;
      }
    }
  }
  // Data without an end-of-bitmap mark ends the bitmap where it stops.
  return true;
}

std::uint8_t* AllocatePixels(TDIBSharedImage& image) {
  try {
    image.Bits.assign(static_cast<std::size_t>(image.WidthBytes) * image.Height, 0);
  } catch (const std::bad_alloc&) {
    throw EOutOfResources("DIB cannot be made");
  }
  return image.Bits.data();
}

}  // namespace

bool TDIBSharedImage::Decompress() {
  if (Compression == 0) return true;
  Bits.assign(static_cast<std::size_t>(WidthBytes) * Height, 0);
  const bool ok = DecodeRunLength(Compressed.data(), Compressed.size(), Width, Height, BitCount,
                                  Bits.data(), WidthBytes);
  Compressed.clear();
  Compressed.shrink_to_fit();
  Compression = 0;
  BuildHeader(*this);
  return ok;
}

TDIB::TDIB() : image_(EmptyImage()) {}

const TDIBSharedImage& TDIB::Pixelled() const {
  if (image_->Compression != 0) image_->Decompress();
  return *image_;
}

TDIBSharedImage& TDIB::Changing() {
  Pixelled();
  if (image_.use_count() > 1 || image_ == EmptyImage())
    image_ = std::make_shared<TDIBSharedImage>(*image_);
  return *image_;
}

void TDIB::Clear() {
  image_ = EmptyImage();
}

void TDIB::SetColorTable(const TRGBQuads& table) {
  if (image_->ColorTable == table) return;
  Changing().ColorTable = table;
}

void TDIB::SetPixelFormat(const TPixelFormat& format) {
  const int bits = Empty() ? format.BitCount : BitCount();
  TPixelFormat f = FormatFromCounts(bits, CountBits(format.RBitMask), CountBits(format.GBitMask),
                                    CountBits(format.BBitMask));
  if (!AcceptedFormat(bits, f)) throw EInvalidGraphicOperation("PixelFormat in invalid");
  if (image_->PixelFormat == f) return;
  if (Empty()) {
    auto image = std::make_shared<TDIBSharedImage>(*image_);
    image->PixelFormat = f;
    image_ = image;
    return;
  }
  Changing().PixelFormat = f;
}

void TDIB::SetSize(int width, int height, int bitCount) {
  CheckBitCount(bitCount);
  if (width <= 0 || height <= 0) {
    image_ = EmptyImage();
    return;
  }
  TPixelFormat format = image_->PixelFormat;
  format.BitCount = bitCount;
  if (!AcceptedFormat(bitCount, format)) format = DefaultFormat(bitCount);
  if (width == Width() && height == Height() && bitCount == BitCount() &&
      format == image_->PixelFormat)
    return;
  const std::int64_t stride = Stride(bitCount, width);
  if (stride > kMaxPixelBytes || stride * height > kMaxPixelBytes)
    throw EOutOfResources("DIB cannot be made");
  auto image = std::make_shared<TDIBSharedImage>();
  image->Width = width;
  image->Height = height;
  image->BitCount = bitCount;
  image->WidthBytes = static_cast<int>(stride);
  image->PixelFormat = format;
  image->ColorTable = image_->ColorTable;
  BuildHeader(*image);
  AllocatePixels(*image);
  image_ = image;
}

void TDIB::SetWidth(int width) {
  if (Empty())
    SetSize(width, 1, 8);
  else
    SetSize(width, Height(), BitCount());
}

void TDIB::SetHeight(int height) {
  if (Empty())
    SetSize(1, height, 8);
  else
    SetSize(Width(), height, BitCount());
}

const std::uint8_t* TDIB::ScanLine(int y) const {
  if (y < 0 || y >= Height()) return nullptr;
  const TDIBSharedImage& image = Pixelled();
  return image.Bits.data() + static_cast<std::size_t>(image.Height - 1 - y) * image.WidthBytes;
}

std::uint8_t* TDIB::ScanLineForWrite(int y) {
  if (y < 0 || y >= Height()) return nullptr;
  TDIBSharedImage& image = Changing();
  return image.Bits.data() + static_cast<std::size_t>(image.Height - 1 - y) * image.WidthBytes;
}

std::uint32_t TDIB::Pixels(int x, int y) const {
  if (x < 0 || x >= Width()) return 0;
  const std::uint8_t* row = ScanLine(y);
  return row ? ReadRawPixel(row, x, BitCount()) : 0;
}

void TDIB::SetPixels(int x, int y, std::uint32_t value) {
  if (x < 0 || x >= Width() || y < 0 || y >= Height()) return;
  WriteRawPixel(ScanLineForWrite(y), x, BitCount(), value);
}

TColor TDIB::PixelColor(int x, int y) const {
  const std::uint32_t v = Pixels(x, y);
  if (BitCount() <= 8) {
    const TRGBQuad& q = image_->ColorTable[v & 0xFF];
    return static_cast<TColor>(q.rgbRed | (q.rgbGreen << 8) | (q.rgbBlue << 16));
  }
  return PixelFormat().RawToColor(v);
}

void TDIB::ReadData(TStream& stream) {
  std::uint8_t buf[40];
  const std::size_t got = stream.Read(buf, 4);
  if (got == 0) {
    image_ = EmptyImage();
    return;
  }
  if (got < 4) Invalid();

  const std::uint32_t headerSize = Le32(buf);
  std::int64_t width, height;
  int bits;
  std::uint32_t compression = 0, sizeImage = 0, colorsUsed = 0;
  const bool shortHeader = headerSize == 12;
  if (shortHeader) {
    stream.ReadBuffer(buf + 4, 8);
    width = Le16(buf + 4);
    height = Le16(buf + 6);
    bits = Le16(buf + 10);
  } else if (headerSize == 40) {
    stream.ReadBuffer(buf + 4, 36);
    width = static_cast<std::int32_t>(Le32(buf + 4));
    height = static_cast<std::int32_t>(Le32(buf + 8));
    bits = Le16(buf + 14);
    compression = Le32(buf + 16);
    sizeImage = Le32(buf + 20);
    colorsUsed = Le32(buf + 32);
  } else {
    Invalid();
  }

  // Everything up to the pixels goes into fixed buffers: nothing is allocated
  // before the declared size has been weighed against the budget.
  TPixelFormat format;
  if (compression == 3) {
    std::uint8_t masks[12];
    stream.ReadBuffer(masks, 12);
    format = FormatFromCounts(bits, CountBits(Le32(masks)), CountBits(Le32(masks + 4)),
                              CountBits(Le32(masks + 8)));
  } else {
    format = DefaultFormat(bits);
  }

  if (colorsUsed > 256) Invalid();
  const int colors = colorsUsed != 0 ? static_cast<int>(colorsUsed) : (bits <= 8 ? 1 << bits : 0);
  const int entry = shortHeader ? 3 : 4;
  std::uint8_t table[256 * 4];
  stream.ReadBuffer(table, static_cast<std::size_t>(colors) * entry);

  CheckBitCount(bits);
  if (!AcceptedFormat(bits, format)) throw EInvalidGraphicOperation("PixelFormat in invalid");
  if (compression > 3) Invalid();
  const bool runLength = compression == 1 || compression == 2;
  if ((compression == 1 && bits != 8) || (compression == 2 && bits != 4)) Invalid();
  if (width < 0 || height == INT32_MIN) Invalid();
  const bool topDown = height < 0;
  if (topDown && runLength) Invalid();
  height = topDown ? -height : height;
  // Both factors are below 2^31: the product cannot overflow.
  if (width * height > PixelBudget) TooLarge(width, height);
  const std::int64_t stride = Stride(bits, width);
  const std::int64_t total = stride * height;
  if (total > MaxPixelBytes) TooLarge(width, height);
  if (width == 0 || height == 0) {
    image_ = EmptyImage();
    return;
  }

  auto image = std::make_shared<TDIBSharedImage>();
  image->Width = static_cast<int>(width);
  image->Height = static_cast<int>(height);
  image->BitCount = bits;
  image->WidthBytes = static_cast<int>(stride);
  image->PixelFormat = format;
  for (int i = 0; i < colors; ++i) {
    const std::uint8_t* e = table + i * entry;
    image->ColorTable[i] = TRGBQuad{e[0], e[1], e[2], 0};
  }
  BuildHeader(*image);

  if (runLength) {
    // The compressed bytes are kept as they are (no more than the stream
    // holds); they expand within the budget when the pixels are first needed.
    if (sizeImage > stream.Remaining()) throw EReadError("Stream read error");
    image->Compressed.resize(sizeImage);
    stream.ReadBuffer(image->Compressed.data(), sizeImage);
    if (!DecodeRunLength(image->Compressed.data(), sizeImage, image->Width, image->Height, bits,
                         nullptr, image->WidthBytes))
      Invalid();
    image->Compression = compression;
    image->Header.biCompression = compression;
    image->Header.biSizeImage = sizeImage;
  } else {
    // Never allocate more than the stream could fill.
    if (total > stream.Remaining()) throw EReadError("Stream read error");
    std::uint8_t* bitsOut = AllocatePixels(*image);
    if (!topDown) {
      stream.ReadBuffer(bitsOut, static_cast<std::size_t>(total));
    } else {
      for (std::int64_t row = height - 1; row >= 0; --row)
        stream.ReadBuffer(bitsOut + row * stride, static_cast<std::size_t>(stride));
    }
  }
  image_ = image;
}

void TDIB::WriteData(TStream& stream) const {
  if (Empty()) return;
  const TDIBSharedImage& image = *image_;
  const TBitmapInfoHeader& h = image.Header;
  std::uint8_t head[52];
  std::uint8_t* p = head;
  Put32(p, 40);
  Put32(p, static_cast<std::uint32_t>(h.biWidth));
  Put32(p, static_cast<std::uint32_t>(h.biHeight));
  Put16(p, 1);
  Put16(p, h.biBitCount);
  Put32(p, h.biCompression);
  Put32(p, h.biSizeImage);
  Put32(p, 0);
  Put32(p, 0);
  Put32(p, 0);
  Put32(p, 0);
  if (h.biCompression == 3) {
    Put32(p, image.PixelFormat.RBitMask);
    Put32(p, image.PixelFormat.GBitMask);
    Put32(p, image.PixelFormat.BBitMask);
  }
  stream.WriteBuffer(head, static_cast<std::size_t>(p - head));
  if (image.BitCount <= 8) {
    std::uint8_t table[256 * 4];
    const int colors = 1 << image.BitCount;
    for (int i = 0; i < colors; ++i) {
      const TRGBQuad& q = image.ColorTable[i];
      table[4 * i] = q.rgbBlue;
      table[4 * i + 1] = q.rgbGreen;
      table[4 * i + 2] = q.rgbRed;
      table[4 * i + 3] = 0;
    }
    stream.WriteBuffer(table, static_cast<std::size_t>(colors) * 4);
  }
  if (image.Compression != 0)
    stream.WriteBuffer(image.Compressed.data(), image.Compressed.size());
  else
    stream.WriteBuffer(image.Bits.data(), image.Bits.size());
}

void TDIB::LoadFromStream(TStream& stream) {
  std::uint8_t head[14];
  const std::size_t got = stream.Read(head, sizeof head);
  if (got == 0) return;
  if (got < sizeof head || head[0] != 'B' || head[1] != 'M') Invalid();
  ReadData(stream);
}

void TDIB::SaveToStream(TStream& stream) const {
  if (Empty()) return;
  const TDIBSharedImage& image = *image_;
  const std::uint32_t headerAndTable = 40 + (image.Header.biCompression == 3 ? 12 : 0) +
                                       (image.BitCount <= 8 ? 4u << image.BitCount : 0);
  const std::uint32_t pixels = static_cast<std::uint32_t>(
      image.Compression != 0 ? image.Compressed.size() : image.Bits.size());
  std::uint8_t head[14];
  std::uint8_t* p = head;
  *p++ = 'B';
  *p++ = 'M';
  Put32(p, 14 + headerAndTable + pixels);
  Put16(p, 0);
  Put16(p, 0);
  Put32(p, 14 + headerAndTable);
  stream.WriteBuffer(head, sizeof head);
  WriteData(stream);
}

TPicture::TPicture(const TPicture& other) {
  if (other.graphic_) graphic_ = std::make_unique<TDIB>(*other.graphic_);
}

TPicture& TPicture::operator=(const TPicture& other) {
  if (this != &other) graphic_ = other.graphic_ ? std::make_unique<TDIB>(*other.graphic_) : nullptr;
  return *this;
}

void TPicture::ReadData(TStream& stream) {
  std::uint8_t length;
  stream.ReadBuffer(&length, 1);
  std::string name(length, '\0');
  stream.ReadBuffer(name.data(), length);
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  if (upper != "TDIB") {
    graphic_.reset();
    return;
  }
  auto dib = std::make_unique<TDIB>();
  dib->ReadData(stream);
  graphic_ = std::move(dib);
}

void TPicture::WriteData(TStream& stream) const {
  if (!graphic_) {
    const std::uint8_t none = 0;
    stream.WriteBuffer(&none, 1);
    return;
  }
  static const char kName[] = "TDIB";
  const std::uint8_t length = 4;
  stream.WriteBuffer(&length, 1);
  stream.WriteBuffer(kName, 4);
  graphic_->WriteData(stream);
}
