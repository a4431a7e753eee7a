// Counts the bytes that the picture reader asks the allocator for, to show that
// a hostile picture is refused before its pixels are allocated and that what is
// read costs memory in proportion to the stream.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "gfx/dib.h"

namespace {

std::atomic<std::size_t> gRequested{0};

void* Allocate(std::size_t size) noexcept {
  gRequested += size;
  return std::malloc(size ? size : 1);
}

}  // namespace

// Every form but the over-aligned ones, which keep their own pairing.
void* operator new(std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Put16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

// A picture data stream ("TDIB" and the bitmap) of run-length data: a run of
// two pixels, then the end-of-bitmap mark. 1,068 bytes for 8 bits per pixel.
Bytes RunLengthStream(int width, int height, int bits) {
  Bytes b = {4, 'T', 'D', 'I', 'B'};
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(width));
  Put32(b, static_cast<std::uint32_t>(height));
  Put16(b, 1);
  Put16(b, static_cast<std::uint16_t>(bits));
  Put32(b, bits == 8 ? 1 : 2);
  Put32(b, 4);
  for (int i = 0; i < 4; ++i) Put32(b, 0);
  for (int i = 0; i < (1 << bits); ++i) Put32(b, 0x00FF00FF);
  for (std::uint8_t v : {2, 0x11, 0, 1}) b.push_back(v);
  return b;
}

// Bytes asked for while the action ran.
std::size_t Requested(const std::function<void()>& action) {
  const std::size_t start = gRequested;
  action();
  return gRequested - start;
}

struct Outcome {
  std::string error = "no error";
  std::size_t requested = 0;
};

Outcome ReadPicture(TPicture& picture, const Bytes& bytes) {
  Outcome outcome;
  TMemoryStream in(bytes);
  outcome.requested = Requested([&] {
    try {
      picture.ReadData(in);
    } catch (const Exception& e) {
      outcome.error = e.what();
    }
  });
  return outcome;
}

TEST(DibAllocation, BombIsRefusedBeforeItsPixelsAreAllocated) {
  // The counter sees the reader's allocations: a 512 x 512 picture kept
  // compressed costs its stream, expanded it costs its pixels.
  TPicture picture;
  const Bytes road = RunLengthStream(512, 512, 8);
  const Outcome loaded = ReadPicture(picture, road);
  ASSERT_EQ(loaded.error, "no error");
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_LT(loaded.requested, road.size() + 4096);
  EXPECT_GE(Requested([&] { EXPECT_EQ(picture.Graphic()->Pixels(1, 511), 0x11u); }),
            std::size_t{512} * 512);

  // 32768 x 32768 from a stream of about a kilobyte would expand to 1 GiB at
  // 8 bits per pixel (512 MiB at 4): refused, with hardly a byte allocated
  // (the message), and the picture already there is kept.
  for (int bits : {8, 4}) {
    const Bytes bomb = RunLengthStream(32768, 32768, bits);
    ASSERT_LT(bomb.size(), 1100u);
    const Outcome refused = ReadPicture(picture, bomb);
    EXPECT_EQ(refused.error, "DIB is too large (32768 x 32768 pixels, at most 67108864)");
    EXPECT_LT(refused.requested, 1024u) << bits;
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Graphic()->Width(), 512);
    EXPECT_EQ(picture.Graphic()->Pixels(1, 511), 0x11u);
  }

  // The same bomb as a bitmap file.
  Bytes file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const Bytes bomb = RunLengthStream(32768, 32768, 8);
  file.insert(file.end(), bomb.begin() + 5, bomb.end());
  TDIB dib;
  dib.SetSize(3, 2, 8);
  dib.SetPixels(2, 1, 7);
  TMemoryStream in(file);
  std::string error;
  EXPECT_LT(Requested([&] {
              try {
                dib.LoadFromStream(in);
              } catch (const EInvalidGraphic& e) {
                error = e.what();
              }
            }),
            1024u);
  EXPECT_EQ(error, "DIB is too large (32768 x 32768 pixels, at most 67108864)");
  EXPECT_EQ(dib.Width(), 3);
  EXPECT_EQ(dib.Pixels(2, 1), 7u);
}

TEST(DibAllocation, ReadingCostsTheStreamExpandingThePixels) {
  // At the budget itself, 8 KiB of run-length data is read into about 8 KiB;
  // its pixels (64 MiB) come only when they are used, and never more than
  // MaxPixelBytes.
  Bytes stream = RunLengthStream(8192, 8192, 8);
  stream.resize(stream.size() - 4);
  for (int row = 0; row < 2048; ++row)
    for (int v : {4, row & 0xFF, 0, 0}) stream.push_back(static_cast<std::uint8_t>(v));
  for (std::uint8_t v : {0, 1}) stream.push_back(v);
  const std::size_t rle = stream.size() - (5 + 40 + 1024);
  for (int i = 0; i < 4; ++i) stream[5 + 20 + i] = static_cast<std::uint8_t>(rle >> (8 * i));

  TPicture picture;
  const Outcome loaded = ReadPicture(picture, stream);
  ASSERT_EQ(loaded.error, "no error");
  EXPECT_LT(loaded.requested, rle + 4096);
  const TDIB& dib = *picture.Graphic();
  std::size_t expanded = Requested([&] { EXPECT_EQ(dib.Pixels(3, 8191 - 2047), 2047u & 0xFF); });
  EXPECT_GE(expanded, std::size_t{8192} * 8192);
  EXPECT_LE(expanded, static_cast<std::size_t>(TDIB::MaxPixelBytes));
  EXPECT_EQ(dib.Pixels(4, 8191), 0u);
}

}  // namespace
