#include "app/jpeg_decode.h"

#include <gtest/gtest.h>

#include <vector>

#include "sim/embedded_assets.h"

namespace {

bool AllSame(const RgbPicture& p) {
  for (std::size_t i = 3; i < p.Rgb.size(); ++i)
    if (p.Rgb[i] != p.Rgb[i % 3]) return false;
  return true;
}

}  // namespace

TEST(JpegDecode, TheLogosDecodeAtTheirSizes) {
  const RgbPicture maker = DecodeJpeg(EmbeddedMakerLogo());
  EXPECT_EQ(maker.Width, 133);
  EXPECT_EQ(maker.Height, 23);
  EXPECT_EQ(maker.Rgb.size(), 133u * 23u * 3u);
  EXPECT_FALSE(AllSame(maker));

  const RgbPicture partner = DecodeJpeg(EmbeddedPartnerLogo());
  EXPECT_EQ(partner.Width, 142);
  EXPECT_EQ(partner.Height, 37);
  EXPECT_FALSE(AllSame(partner));
}

TEST(JpegDecode, DamagedDataGivesNoPictureAndNoCrash) {
  EXPECT_TRUE(DecodeJpeg({}).Empty());
  const std::vector<std::uint8_t> noise(300, 0x5A);
  EXPECT_TRUE(DecodeJpeg(noise).Empty());

  const auto logo = EmbeddedMakerLogo();
  // Only the start of the header: nothing to show.
  EXPECT_TRUE(DecodeJpeg(logo.first(20)).Empty());
  // Cut in the middle of the picture data: still a picture of the right size.
  const RgbPicture cut = DecodeJpeg(logo.first(logo.size() * 2 / 3));
  EXPECT_EQ(cut.Width, 133);
  EXPECT_EQ(cut.Height, 23);

  // A header claiming an absurd size is refused before any memory is taken.
  std::vector<std::uint8_t> huge(logo.begin(), logo.end());
  for (std::size_t i = 0; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && (huge[i + 1] == 0xC0 || huge[i + 1] == 0xC2)) {
      huge[i + 5] = huge[i + 6] = huge[i + 7] = huge[i + 8] = 0xFF;  // 65535 x 65535
      break;
    }
  }
  EXPECT_TRUE(DecodeJpeg(huge).Empty());
}
