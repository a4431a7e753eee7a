#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <string>
#include <vector>

#include "sim/embedded_assets.h"
#include "tests/assets/bitmap_reader.h"

namespace {

QByteArray bytesOf(std::span<const std::uint8_t> data) {
  return QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
}

std::vector<QImage> iconImages(std::span<const std::uint8_t> data) {
  QByteArray bytes = bytesOf(data);
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "ico");
  std::vector<QImage> images;
  for (int i = 0; i < reader.imageCount(); ++i) {
    reader.jumpToImage(i);
    images.push_back(reader.read());
  }
  return images;
}

bool sameBytes(std::span<const std::uint8_t> embedded, const std::string& file) {
  const std::vector<std::uint8_t> bytes =
      readFileBytes(std::string(VELNAR_SOURCE_DIR) + "/assets/" + file);
  return !bytes.empty() && std::equal(embedded.begin(), embedded.end(), bytes.begin(), bytes.end());
}

}  // namespace

TEST(ShellAssets, EmbeddedLogosAndFacesAreTheCommittedFiles) {
  EXPECT_TRUE(sameBytes(EmbeddedMakerLogo(), "logos/velnar.jpg"));
  EXPECT_TRUE(sameBytes(EmbeddedPartnerLogo(), "logos/partner.jpg"));
  EXPECT_TRUE(sameBytes(EmbeddedPartnerLogo("en"), "logos/en/partner.jpg"));
  EXPECT_TRUE(sameBytes(EmbeddedPartnerLogo("uk"), "logos/uk/partner.jpg"));
  EXPECT_TRUE(sameBytes(EmbeddedPartnerLogo("pl"), "logos/partner.jpg"));
  EXPECT_TRUE(sameBytes(EmbeddedSmileIcon(), "faces/smile.ico"));
  EXPECT_TRUE(sameBytes(EmbeddedSadIcon(), "faces/sad.ico"));
  EXPECT_TRUE(EmbeddedPictureStream(13).empty());
}

TEST(ShellAssets, LogosDecodeAtTheirWindowSizes) {
  const QImage maker = QImage::fromData(bytesOf(EmbeddedMakerLogo()), "JPEG");
  const QImage partner = QImage::fromData(bytesOf(EmbeddedPartnerLogo()), "JPEG");
  EXPECT_EQ(maker.size(), QSize(133, 23));
  EXPECT_EQ(partner.size(), QSize(142, 37));
  // White ground like the windows they sit on.
  EXPECT_GT(qGray(maker.pixel(132, 0)), 240);
  EXPECT_GT(qGray(partner.pixel(141, 36)), 240);
}

TEST(ShellAssets, FacesAreYellowInsideTransparentOutsideInTwoSizes) {
  for (bool smiling : {true, false}) {
    SCOPED_TRACE(smiling ? "smile" : "sad");
    const auto images = iconImages(smiling ? EmbeddedSmileIcon() : EmbeddedSadIcon());
    ASSERT_EQ(images.size(), 2u);
    for (const QImage& image : images) {
      const int n = image.width();
      EXPECT_EQ(image.height(), n);
      EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
      EXPECT_EQ(qAlpha(image.pixel(n - 1, n - 1)), 0);
      const QRgb cheek = image.pixel(n / 4 + 1, n / 2);
      EXPECT_EQ(qAlpha(cheek), 255);
      EXPECT_EQ(cheek & 0xFFFFFF, 0xFFFF00u);
    }
    EXPECT_EQ(images[0].width(), 32);
    EXPECT_EQ(images[1].width(), 16);
    // The outline: black for the smile, grey for the sad face.
    const QRgb rim = images[0].pixel(16, 1);
    EXPECT_EQ(rim & 0xFFFFFF, smiling ? 0x000000u : 0x808080u);
  }
  // The mouth curves up at its ends for the smile and down for the sad face:
  // compare the dark pixels in the lower third, middle against the sides.
  auto mouthMiddleLow = [](const QImage& face) {
    int middle = -1, side = -1;
    for (int y = 18; y < 30; ++y) {
      if (qGray(face.pixel(16, y)) < 60 && middle < 0) middle = y;
      if (qGray(face.pixel(10, y)) < 60 && side < 0) side = y;
    }
    return middle - side;
  };
  EXPECT_GT(mouthMiddleLow(iconImages(EmbeddedSmileIcon())[0]), 0);
  EXPECT_LT(mouthMiddleLow(iconImages(EmbeddedSadIcon())[0]), 0);
}
