#include "sim/picture_catalogue.h"

#include "gfx/dib.h"
#include "gfx/stream.h"
#include "sim/embedded_assets.h"

namespace {

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

void TranslatePicture(std::size_t index, lesson::Language language, TDIB& picture) {
  const std::string_view code = lesson::Info(language).Code;
  for (const EmbeddedPicturePatch& patch : EmbeddedPicturePatches()) {
    if (patch.Picture != index || patch.Language != code) continue;
    TBytesStream data(patch.Data.data(), patch.Data.size());
    TDIB words;
    words.ReadData(data);
    for (int y = 0; y < words.Height(); ++y)
      for (int x = 0; x < words.Width(); ++x)
        picture.SetPixels(patch.X + x, patch.Y + y, words.Pixels(x, y));
  }
}
