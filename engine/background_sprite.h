#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/sprite.h"

class TPictureCollectionItem;

// A map of cells, each naming a pattern of one picture; negative cells stay
// empty. Takes no part in collision queries unless Collisioned is set again.
class TBackgroundSprite : public TSprite {
 public:
  explicit TBackgroundSprite(TSprite* parent);
  ~TBackgroundSprite() override;

  TPictureCollectionItem* Image = nullptr;  // not owned
  // Repeats the map endlessly in both directions.
  bool Tile = false;

  int MapWidth() const { return mapWidth_; }
  int MapHeight() const { return mapHeight_; }
  void SetMapWidth(int value) { SetMapSize(value, mapHeight_); }
  void SetMapHeight(int value) { SetMapSize(mapWidth_, value); }
  // Any new size clears every cell to 0 and the collision map to true; a size
  // of 0 or less in either direction empties the map. The same size keeps
  // the cells.
  void SetMapSize(int width, int height);

  // -1 outside the map.
  int Chips(int x, int y) const;
  // Ignored outside the map.
  void SetChips(int x, int y, int value);
  // False outside the map.
  bool CollisionMap(int x, int y) const;

  TRect BoundsRect() const override;

  // One drawn cell: the pattern and where its top-left corner lands on the
  // surface.
  struct Cell {
    int pattern;
    int x;
    int y;
  };
  // Calls visit(Cell) for every non-empty cell that can touch the engine's
  // surface, row by row, with cells of CW x CH pixels. This is the walk
  // DoDraw draws.
  template <class Visit>
  void ForEachVisibleCell(int CW, int CH, Visit&& visit) const;

 protected:
  void DoDraw() override;
  bool TestCollision(TSprite* sprite) override;

 private:
  bool CellSize(int& CW, int& CH) const;

  int mapWidth_ = 0;
  int mapHeight_ = 0;
  std::vector<std::int32_t> chips_;
  std::vector<std::uint8_t> collisionMap_;
};

namespace background_detail {
inline int Mod(std::int64_t a, int n) {
  const std::int64_t r = a % n;
  return static_cast<int>(r < 0 ? r + n : r);
}
}  // namespace background_detail

template <class Visit>
void TBackgroundSprite::ForEachVisibleCell(int CW, int CH, Visit&& visit) const {
  using background_detail::Mod;
  if (!Engine() || mapWidth_ <= 0 || mapHeight_ <= 0 || CW <= 0 || CH <= 0) return;
  const TRect surface = Engine()->SurfaceRect();
  const std::int64_t NX = (std::int64_t(surface.Right) + CW) / CW + 1;
  const std::int64_t NY = (std::int64_t(surface.Bottom) + CH) / CH + 1;

  const std::int64_t OX = TruncCoord(WorldX());
  const std::int64_t OY = TruncCoord(WorldY());
  const std::int64_t OffX = OX % CW, OffY = OY % CH;
  std::int64_t SX = OX / CW, SkipX = 0;
  if (SX < 0) {
    SkipX = -SX;
    SX = 0;
  }
  std::int64_t SY = OY / CH, SkipY = 0;
  if (SY < 0) {
    SkipY = -SY;
    SY = 0;
  }

  auto emit = [&](std::int64_t mapX, std::int64_t mapY, std::int64_t CX, std::int64_t CY) {
    const int c = chips_[std::size_t(mapX + mapY * mapWidth_)];
    if (c >= 0) visit(Cell{c, int(CX * CW + OffX), int(CY * CH + OffY)});
  };

  if (!Tile) {
    const std::int64_t EX = std::min(SX + mapWidth_ - SkipX, NX);
    const std::int64_t EY = std::min(SY + mapHeight_ - SkipY, NY);
    for (std::int64_t CY = SY; CY < EY; ++CY)
      for (std::int64_t CX = SX; CX < EX; ++CX) emit(CX - SX + SkipX, CY - SY + SkipY, CX, CY);
  } else {
    for (std::int64_t CY = -1; CY <= NY; ++CY)
      for (std::int64_t CX = -1; CX <= NX; ++CX)
        emit(Mod(CX - SX + SkipX, mapWidth_), Mod(CY - SY + SkipY, mapHeight_), CX, CY);
  }
}
