#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gfx/dib.h"
#include "gfx/stream.h"
#include "sim/picture_catalogue.h"
#include "tests/assets/bitmap_reader.h"

namespace {

struct Expected {
  const char* name;
  int width, height, bits;
  int patternWidth, patternHeight, patterns;
  bool transparent;
  std::uint32_t key;
};

const Expected Pictures[PictureCount] = {
    {"wyscigowka", 40, 64, 8, 40, 64, 1, true, 0xFF00FF},
    {"1234", 79, 79, 24, 39, 39, 4, false, 0x000000},
    {"tlo", 40, 40, 24, 0, 0, 1, false, 7225175},
    {"Droga", 512, 512, 8, 64, 64, 64, true, 0xFF00FF},
    {"MAlySwiat", 64, 64, 24, 8, 8, 64, false, 5852750},
    {"MaleAuto", 5, 8, 24, 5, 8, 1, true, 0xFF00FF},
    {"Mapka", 160, 160, 24, 160, 160, 1, false, 5263183},
    {"RRXRy", 55, 16, 4, 18, 16, 3, true, 0xFF00FF},
    {"CyfryCzerwone", 9, 154, 4, 9, 14, 11, false, 0x0000FF},
    {"CyfryCzarne", 9, 154, 4, 9, 14, 11, false, 0x000000},
    {"LicznikDrogi", 160, 135, 24, 0, 0, 1, true, 0xFF00FF},
    {"Wskazowka", 9, 62, 4, 9, 62, 1, true, 0xFF00FF},
    {"KlawiszeKostki", 553, 25, 24, 0, 0, 1, true, 0xFF00FF},
};

int patternCount(const PictureCatalogueItem& item, const BitmapFile& bmp) {
  if (item.PatternWidth <= 0 || item.PatternHeight <= 0) return 1;
  return (bmp.width / item.PatternWidth) * (bmp.height / item.PatternHeight);
}

}  // namespace

TEST(PictureCatalogue, HoldsTheThirteenPicturesInTheirFixedOrder) {
  const auto& catalogue = PictureCatalogue();
  ASSERT_EQ(catalogue.size(), 13u);
  for (std::size_t i = 0; i < PictureCount; ++i) {
    SCOPED_TRACE(Pictures[i].name);
    EXPECT_EQ(catalogue[i].Name, Pictures[i].name);
    EXPECT_EQ(catalogue[i].PatternWidth, Pictures[i].patternWidth);
    EXPECT_EQ(catalogue[i].PatternHeight, Pictures[i].patternHeight);
    EXPECT_EQ(catalogue[i].Transparent, Pictures[i].transparent);
    EXPECT_EQ(catalogue[i].TransparentColor, Pictures[i].key);
    EXPECT_FALSE(catalogue[i].SystemMemory);
  }
  EXPECT_EQ(catalogue[PictureDroga].Name, "Droga");
  EXPECT_EQ(catalogue[PictureWskazowka].Name, "Wskazowka");
}

TEST(PictureCatalogue, EachStreamIsTheClassNameAndTheCommittedBitmapWithoutItsFileHeader) {
  for (std::size_t i = 0; i < PictureCount; ++i) {
    SCOPED_TRACE(Pictures[i].name);
    const auto data = PictureCatalogue()[i].Data;
    const std::vector<std::uint8_t> file = readFileBytes(pictureFilePath(int(i)));
    ASSERT_GT(file.size(), 54u);
    ASSERT_EQ(data.size(), file.size() - 14 + 5);
    EXPECT_EQ(std::string(data.begin(), data.begin() + 5), std::string("\x04TDIB"));
    EXPECT_TRUE(std::equal(data.begin() + 5, data.end(), file.begin() + 14));
    // The stream carries a 40-byte header right after the class name.
    EXPECT_EQ(data[5], 40);
  }
}

TEST(PictureFiles, HaveTheCatalogueSizesFormatsAndPatternCounts) {
  for (std::size_t i = 0; i < PictureCount; ++i) {
    const Expected& e = Pictures[i];
    SCOPED_TRACE(e.name);
    const BitmapFile bmp = readBitmap(pictureFilePath(int(i)));
    ASSERT_TRUE(bmp.valid);
    EXPECT_EQ(bmp.width, e.width);
    EXPECT_EQ(bmp.height, e.height);  // positive: stored bottom-up
    EXPECT_EQ(bmp.bits, e.bits);
    EXPECT_EQ(bmp.compression, 0u);
    const std::uint32_t stride = ((std::uint32_t(e.bits * e.width) + 31) / 32) * 4;
    EXPECT_EQ(bmp.imageSize, stride * std::uint32_t(e.height));
    const std::size_t tableEntries = e.bits <= 8 ? (1u << e.bits) : 0;
    EXPECT_EQ(bmp.table.size(), tableEntries);
    EXPECT_EQ(bmp.pixelOffset, 14 + 40 + tableEntries * 4);
    EXPECT_EQ(bmp.bytes.size(), bmp.pixelOffset + bmp.imageSize);
    EXPECT_EQ(patternCount(PictureCatalogue()[i], bmp), e.patterns);
  }
  EXPECT_EQ(readFileBytes(pictureFilePath(0)).size() - 14, 3624u);
}

TEST(PictureFiles, IndexedPicturesKeepTheKeyColourForSeeThroughPixelsOnly) {
  const std::uint32_t standard[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                      0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                      0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  for (std::size_t i = 0; i < PictureCount; ++i) {
    const BitmapFile bmp = readBitmap(pictureFilePath(int(i)));
    SCOPED_TRACE(Pictures[i].name);
    if (bmp.bits == 4) {
      EXPECT_EQ(bmp.table, std::vector<std::uint32_t>(standard, standard + 16));
    }
    if (bmp.bits == 8) {
      // One table entry is exact magenta, and no other entry comes so close
      // to it that a 16-bit surface could not tell them apart.
      int keyEntries = 0;
      for (std::uint32_t c : bmp.table) {
        const int r = int(c >> 16), g = int(c >> 8 & 0xFF), b = int(c & 0xFF);
        if (c == Magenta)
          ++keyEntries;
        else
          EXPECT_FALSE(r >= 248 && g < 8 && b >= 248) << std::hex << c;
      }
      EXPECT_EQ(keyEntries, 1);
    }
  }
}

TEST(PictureCatalogue, StreamsReadBackThroughThePictureClassUnchanged) {
  for (std::size_t i = 0; i < PictureCount; ++i) {
    SCOPED_TRACE(Pictures[i].name);
    const auto data = PictureCatalogue()[i].Data;
    TBytesStream in(data.data(), data.size());
    TPicture picture;
    picture.ReadData(in);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(in.Remaining(), 0);
    EXPECT_EQ(picture.Width(), Pictures[i].width);
    EXPECT_EQ(picture.Height(), Pictures[i].height);
    EXPECT_EQ(picture.Graphic()->BitCount(), Pictures[i].bits);
    TMemoryStream out;
    picture.WriteData(out);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), out.Bytes().begin(), out.Bytes().end()));
  }
}
