#include "engine/background_sprite.h"

#include <algorithm>
#include <limits>

#include "gfx/picture_collection.h"

TBackgroundSprite::TBackgroundSprite(TSprite* parent) : TSprite(parent) {
  Collisioned = false;
}

TBackgroundSprite::~TBackgroundSprite() {
  SetMapSize(0, 0);
}

void TBackgroundSprite::SetMapSize(int width, int height) {
  if (width == mapWidth_ && height == mapHeight_) return;
  if (width <= 0 || height <= 0) width = height = 0;
  const std::int64_t cells = std::int64_t(width) * height;
  // Cells are addressed with 32-bit indices.
  if (cells > std::numeric_limits<std::int32_t>::max())
    throw ESpriteError("Map size " + std::to_string(width) + " x " + std::to_string(height) +
                       " is too large");
  // Made first, so a size that cannot be had leaves the old map as it was.
  std::vector<std::int32_t> chips(static_cast<std::size_t>(cells), 0);
  std::vector<std::uint8_t> collision(static_cast<std::size_t>(cells), 1);
  chips_.swap(chips);
  collisionMap_.swap(collision);
  mapWidth_ = width;
  mapHeight_ = height;
}

int TBackgroundSprite::Chips(int x, int y) const {
  if (x < 0 || x >= mapWidth_ || y < 0 || y >= mapHeight_) return -1;
  return chips_[std::size_t(x) + std::size_t(y) * std::size_t(mapWidth_)];
}

void TBackgroundSprite::SetChips(int x, int y, int value) {
  if (x < 0 || x >= mapWidth_ || y < 0 || y >= mapHeight_) return;
  chips_[std::size_t(x) + std::size_t(y) * std::size_t(mapWidth_)] = value;
}

bool TBackgroundSprite::CollisionMap(int x, int y) const {
  if (x < 0 || x >= mapWidth_ || y < 0 || y >= mapHeight_) return false;
  return collisionMap_[std::size_t(x) + std::size_t(y) * std::size_t(mapWidth_)] != 0;
}

TRect TBackgroundSprite::BoundsRect() const {
  if (Tile) return Engine() ? Engine()->SurfaceRect() : TRect{};
  if (!Image) return TRect{};
  const std::int64_t left = TruncCoord(WorldX());
  const std::int64_t top = TruncCoord(WorldY());
  auto clamp = [](std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
  };
  return Rect(clamp(left), clamp(top), clamp(left + std::int64_t(Image->Width()) * mapWidth_),
              clamp(top + std::int64_t(Image->Height()) * mapHeight_));
}

// The cell size is that of pattern 0; a picture not yet built into surfaces
// has none, and then there is nothing to draw or test against.
bool TBackgroundSprite::CellSize(int& CW, int& CH) const {
  if (!Image) return false;
  const TRect r = Image->PatternRects(0);
  CW = r.Width();
  CH = r.Height();
  return CW > 0 && CH > 0;
}

void TBackgroundSprite::DoDraw() {
  int CW, CH;
  if (!Engine() || !Engine()->Surface() || !CellSize(CW, CH)) return;
  TDirectDrawSurface* surface = Engine()->Surface();
  TPictureCollectionItem* image = Image;
  ForEachVisibleCell(CW, CH, [&](const Cell& c) { image->Draw(surface, c.x, c.y, c.pattern); });
}

bool TBackgroundSprite::TestCollision(TSprite* sprite) {
  using background_detail::Mod;
  if (!Image || mapWidth_ <= 0 || mapHeight_ <= 0) return true;
  int CW, CH;
  if (!CellSize(CW, CH)) return true;

  const TRect other = sprite->BoundsRect();
  const TRect own = BoundsRect();
  const std::int64_t left = std::max(other.Left, own.Left);
  const std::int64_t top = std::max(other.Top, own.Top);
  const std::int64_t right = std::min(other.Right, own.Right);
  const std::int64_t bottom = std::min(other.Bottom, own.Bottom);
  if (left >= right || top >= bottom) return false;

  // Into map-local pixels: relative to the map's top-left corner.
  const std::int64_t ox = TruncCoord(WorldX());
  const std::int64_t oy = TruncCoord(WorldY());
  auto floorDiv = [](std::int64_t a, std::int64_t n) {
    return a >= 0 ? a / n : -((-a + n - 1) / n);
  };
  const std::int64_t cx0 = floorDiv(left - ox, CW), cx1 = floorDiv(right - 1 - ox, CW);
  const std::int64_t cy0 = floorDiv(top - oy, CH), cy1 = floorDiv(bottom - 1 - oy, CH);
  const std::int64_t otherL = other.Left - ox, otherR = other.Right - ox;
  const std::int64_t otherT = other.Top - oy, otherB = other.Bottom - oy;
  for (std::int64_t cy = cy0; cy <= cy1; ++cy) {
    for (std::int64_t cx = cx0; cx <= cx1; ++cx) {
      if (!CollisionMap(Mod(cx, mapWidth_), Mod(cy, mapHeight_))) continue;
      const std::int64_t l = cx * CW, t = cy * CH;
      if (l < otherR && otherL < l + CW && t < otherB && otherT < t + CH) return true;
    }
  }
  return false;
}
