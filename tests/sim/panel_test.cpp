#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <set>
#include <string>
#include <utility>

#include "lesson/catalogue.h"
#include "sim/instrument_panel.h"
#include "sim/minimap.h"
#include "sim/track_map.h"
#include "tools/glyphatlas/characters.h"

TEST(Odometer, DrumAndKilometreDigits) {
  OdometerCells c = OdometerCellsFor(0);
  EXPECT_EQ(c.RedLowerPattern, 0);
  EXPECT_EQ(c.RedLowerY, 265);
  EXPECT_EQ(c.RedUpperPattern, 1);
  EXPECT_EQ(c.RedUpperY, 251);
  EXPECT_EQ(c.BlackDigits, (std::array<int, 5>{0, 0, 0, 0, 0}));

  c = OdometerCellsFor(50);  // 7 pixels lower
  EXPECT_EQ(c.RedLowerY, 272);
  EXPECT_EQ(c.RedUpperY, 258);

  c = OdometerCellsFor(99);  // digit 1 fills the window
  EXPECT_EQ(c.RedUpperPattern, 1);
  EXPECT_EQ(c.RedUpperY, 265);
  EXPECT_EQ(c.RedLowerY, 279);

  c = OdometerCellsFor(1234.5);  // H 12, rounded to 1234 (tie to even) for the kilometres
  EXPECT_EQ(c.RedLowerPattern, 2);
  EXPECT_EQ(c.RedUpperPattern, 3);
  EXPECT_EQ(c.RedLowerY, 265 + 4);  // 34.5 / 7 = 4.93
  EXPECT_EQ(c.BlackDigits, (std::array<int, 5>{1, 0, 0, 0, 0}));

  c = OdometerCellsFor(999.6);  // the kilometre rounds up while the drum still shows 9 -> 0
  EXPECT_EQ(c.RedLowerPattern, 9);
  EXPECT_EQ(c.RedUpperPattern, 0);
  EXPECT_EQ(c.BlackDigits, (std::array<int, 5>{1, 0, 0, 0, 0}));

  c = OdometerCellsFor(123456789.0);  // only the lowest five kilometre digits
  EXPECT_EQ(c.BlackDigits, (std::array<int, 5>{6, 5, 4, 3, 2}));
}

TEST(Needle, AngleFollowsTheSpeedEitherWay) {
  EXPECT_EQ(NeedleAngleFor(0), -64.0);
  EXPECT_EQ(NeedleAngleFor(-700), 48.0);
  EXPECT_EQ(NeedleAngleFor(150), -40.0);
  EXPECT_EQ(NeedleAngleFor(-400), 0.0);
  EXPECT_EQ(NeedleAngleFor(400), 0.0);
}

TEST(ReadOuts, TextsAndPlaces) {
  auto r = ReadOutsFor("-12", "3", "12.4", "7", 10.5);
  EXPECT_EQ(r[0].Text, "Rx=-12 m");
  EXPECT_EQ(r[0].X, 540);
  EXPECT_EQ(r[0].Y, 70);
  EXPECT_EQ(r[1].Text, "Ry=3 m");
  EXPECT_EQ(r[2].Text, "|R|=12.4 m");
  EXPECT_EQ(r[2].Y, 100);
  EXPECT_EQ(r[3].Text, "Czas t=7 s");
  EXPECT_EQ(r[3].X, 485);
  EXPECT_EQ(r[3].Y, 300);
  EXPECT_EQ(r[4].Text, "Droga s=11m");
  EXPECT_EQ(r[4].Y, 320);
  EXPECT_EQ(ReadOutsFor("", "", "", "", 10.49)[4].Text, "Droga s=10m");
}

namespace {

// The characters of UTF-8 text of up to three bytes a character.
std::u32string Characters(const std::string& text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
    char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : lead & 0x0F;
    for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
      c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    out.push_back(c);
    i += length;
  }
  return out;
}

}  // namespace

// The browser draws the read-outs with the glyphs of its atlas; a letter
// missing there leaves a gap in the text.
TEST(ReadOuts, EveryLanguageHasItsLettersInTheBrowsersAtlas) {
  const std::vector<char32_t> atlas = AtlasCharacters();
  const lesson::Language saved = lesson::CurrentLanguage();
  for (const lesson::LanguageInfo& language : lesson::kLanguages) {
    lesson::SetLanguage(language.Id);
    std::u32string shown;
    for (const ReadOut& r : ReadOutsFor("-1.5", "2", "3.4", "5", 6)) shown += Characters(r.Text);
    for (char32_t c : shown)
      EXPECT_TRUE(std::binary_search(atlas.begin(), atlas.end(), c))
          << language.Code << ": U+" << std::hex << static_cast<unsigned>(c);
    if (language.Id == lesson::Language::Ukrainian) {
      EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](char32_t c) { return c >= 0x400; }))
          << "the Ukrainian read-outs are not in Ukrainian";
    }
  }
  lesson::SetLanguage(saved);
}

namespace {
using Pair = std::pair<MapPoint, MapPoint>;
std::set<std::pair<int, int>> AsSet(const Pair& p) {
  return {{p.first.X, p.first.Y}, {p.second.X, p.second.Y}};
}
}  // namespace

TEST(Minimap, CarPointAndArrowHeads) {
  EXPECT_EQ(MinimapPoint(192, 550), (MapPoint{492, 69}));
  EXPECT_EQ(MinimapPoint(196, 0).X, 492);  // 24.5 -> 24
  EXPECT_EQ(MinimapPoint(204, 0).X, 494);  // 25.5 -> 26

  using S = std::set<std::pair<int, int>>;
  EXPECT_EQ(AsSet(ArrowHeadPoints(493, 68, 500, 68)), (S{{493, 70}, {493, 66}}));
  EXPECT_EQ(AsSet(ArrowHeadPoints(493, 68, 480, 68)), (S{{487, 70}, {487, 66}}));
  EXPECT_EQ(AsSet(ArrowHeadPoints(493, 68, 493, 60)), (S{{495, 67}, {491, 67}}));
  EXPECT_EQ(AsSet(ArrowHeadPoints(493, 68, 493, 69)), (S{{491, 62}, {495, 62}}));
  EXPECT_EQ(ArrowHeadPoints(5, 5, 5, 5), (Pair{{2, 5}, {8, 5}}));

  // Diagonal: both points 7 pixels from the tip, symmetric about the line.
  const Pair d = ArrowHeadPoints(0, 0, 30, 30);
  EXPECT_EQ(AsSet(d), (S{{24, 27}, {27, 24}}));
}

#if LDBL_MANT_DIG == 64
// The head points were first worked out from the angle of the arrow with the
// C library's atan2, cos and sin in x87 extended precision. The turned unit
// vector must give the same pixels for every arrow the minimap can draw: from
// the origin to any point the car's bounds allow, and some way beyond.
TEST(Minimap, ArrowHeadsAsTheAngleGaveThemForEveryArrowOfTheMap) {
  volatile long double one = 1;
  ASSERT_NE(one + 0x1p-63L, one) << "the reference needs the x87's 64-bit significand";

  const MapPoint o = MinimapOrigin;
  const MapPoint low = MinimapPoint(MinX, MinY), high = MinimapPoint(MaxX, MaxY);
  constexpr int Reach = 160;
  ASSERT_GE(Reach, std::max({o.X - low.X, high.X - o.X, o.Y - low.Y, high.Y - o.Y}));

  constexpr long double Pi = 3.141592653589793238462643383279502884L;
  auto angleRule = [&](int x2, int y2, long double turn) {
    const long double back = std::atan2(static_cast<long double>(o.Y - y2), o.X - x2) + turn;
    return MapPoint{x2 + static_cast<int>(std::lrint(7 * std::cos(back))),
                    y2 + static_cast<int>(std::lrint(7 * std::sin(back)))};
  };
  int compared = 0, failures = 0;
  for (int x2 = o.X - Reach; x2 <= o.X + Reach; ++x2) {
    for (int y2 = o.Y - Reach; y2 <= o.Y + Reach; ++y2) {
      if (x2 == o.X && y2 == o.Y) continue;
      const Pair expected{angleRule(x2, y2, 20 * Pi / 180), angleRule(x2, y2, -20 * Pi / 180)};
      ++compared;
      if (ArrowHeadPoints(o.X, o.Y, x2, y2) != expected && ++failures <= 5)
        ADD_FAILURE() << "tip (" << x2 << ", " << y2 << ")";
    }
  }
  EXPECT_EQ(compared, (2 * Reach + 1) * (2 * Reach + 1) - 1);
  EXPECT_EQ(failures, 0);
}
#endif
