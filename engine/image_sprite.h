#pragma once

#include "engine/sprite.h"

class TPictureCollectionItem;

// A sprite that draws one pattern of a picture, stepping through AnimCount
// patterns from AnimStart at AnimSpeed patterns per unit of move count.
class TImageSprite : public TSprite {
 public:
  explicit TImageSprite(TSprite* parent);

  int AnimCount = 0;
  bool AnimLooped = false;
  double AnimPos = 0;
  double AnimSpeed = 0;
  int AnimStart = 0;
  // Not owned. Setting it leaves Width and Height alone: the owner sizes the
  // sprite, usually from the item's Width and Height.
  TPictureCollectionItem* Image = nullptr;
  // Collisions with other image sprites count only where both pictures have
  // a pixel that is not the colour key.
  bool PixelCheck = false;
  // Wraps the sprite round the surface, so it appears on the opposite side
  // when it leaves one.
  bool Tile = false;

  int DrawImageIndex() const;
  // BoundsRect moved so that the picture is centred in the sprite.
  TRect DrawRect() const;

  TRect BoundsRect() const override;

 protected:
  void DoDraw() override;
  void DoMove(int moveCount) override;
  bool TestCollision(TSprite* sprite) override;
};
