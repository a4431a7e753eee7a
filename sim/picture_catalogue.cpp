#include "sim/picture_catalogue.h"

#include "sim/embedded_assets.h"

namespace {

constexpr std::uint32_t clBlack = 0x000000;
constexpr std::uint32_t clRed = 0x0000FF;
constexpr std::uint32_t clFuchsia = 0xFF00FF;

PictureCatalogueItem item(std::size_t index, std::string_view name, std::int32_t patternWidth,
                          std::int32_t patternHeight, bool transparent, std::uint32_t key) {
  return {name, patternWidth, patternHeight, transparent, key, false, EmbeddedPictureStream(index)};
}

}  // namespace

const std::array<PictureCatalogueItem, PictureCount>& PictureCatalogue() {
  static const std::array<PictureCatalogueItem, PictureCount> catalogue = {
      item(PictureWyscigowka, "wyscigowka", 40, 64, true, clFuchsia),
      item(Picture1234, "1234", 39, 39, false, clBlack),
      item(PictureTlo, "tlo", 0, 0, false, 7225175),
      item(PictureDroga, "Droga", 64, 64, true, clFuchsia),
      item(PictureMAlySwiat, "MAlySwiat", 8, 8, false, 5852750),
      item(PictureMaleAuto, "MaleAuto", 5, 8, true, clFuchsia),
      item(PictureMapka, "Mapka", 160, 160, false, 5263183),
      item(PictureRRXRy, "RRXRy", 18, 16, true, clFuchsia),
      item(PictureCyfryCzerwone, "CyfryCzerwone", 9, 14, false, clRed),
      item(PictureCyfryCzarne, "CyfryCzarne", 9, 14, false, clBlack),
      item(PictureLicznikDrogi, "LicznikDrogi", 0, 0, true, clFuchsia),
      item(PictureWskazowka, "Wskazowka", 9, 62, true, clFuchsia),
      item(PictureKlawiszeKostki, "KlawiszeKostki", 0, 0, true, clFuchsia),
  };
  return catalogue;
}
