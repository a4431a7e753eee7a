#pragma once

#include <cstdint>
#include <vector>

#include "gfx/graphics_types.h"
#include "platform/exception.h"

class TDirectDrawSurface;
class TSpriteEngine;

class ESpriteError : public Exception {
 public:
  using Exception::Exception;
};

// A node of the sprite tree. A sprite owns its children: freeing it frees its
// whole subtree, and takes it out of its parent's lists and the engine's
// dead list. Positions are relative to the parent, so the root's position is
// the camera.
class TSprite {
 public:
  explicit TSprite(TSprite* parent);
  virtual ~TSprite();
  TSprite(const TSprite&) = delete;
  TSprite& operator=(const TSprite&) = delete;

  TSpriteEngine* Engine() const { return engine_; }
  TSprite* Parent() const { return parent_; }

  // Children in creation order.
  int Count() const { return static_cast<int>(list_.size()); }
  // ESpriteError for a sprite without children, EListError for an index
  // outside 0..Count-1.
  TSprite* Items(int index) const;
  // Frees every child, the last one first.
  void Clear();

  // Drawing order among siblings: lower first; among equal Z the sprite that
  // got its place last is drawn first.
  int Z() const { return z_; }
  void SetZ(int value);

  double WorldX() const;
  double WorldY() const;

  // Moves this sprite and its subtree unless Moved is off.
  void Move(int moveCount);
  // Draws this sprite (when it overlaps the engine's surface) and its subtree,
  // unless Visible is off.
  void Draw();
  // Hits of this sprite against the whole tree; see TestCollision and
  // DoCollision.
  int Collision();

  // Sets Deaded and puts the sprite on the engine's dead list, to be freed by
  // the engine's Dead between frames.
  void MarkDead();

  virtual TRect BoundsRect() const;

  bool Deaded = false;
  bool Collisioned = true;
  bool Moved = true;
  bool Visible = true;
  double X = 0;
  double Y = 0;
  int Width = 0;
  int Height = 0;

 protected:
  // Called for every hit of this sprite's collision query; set Done to end it.
  virtual void DoCollision(TSprite* sprite, bool& done);
  virtual void DoDraw();
  virtual void DoMove(int moveCount);
  // Asked both ways before a rectangle overlap counts as a hit.
  virtual bool TestCollision(TSprite* sprite);

  // Whole pixels of a world coordinate, cut towards zero and kept inside the
  // 32-bit range.
  static int TruncCoord(double value);

 private:
  friend class TSpriteEngine;

  void InsertIntoDrawList(TSprite* sprite);
  void RemoveFromDrawList(TSprite* sprite);

  TSpriteEngine* engine_ = nullptr;
  TSprite* parent_ = nullptr;
  std::vector<TSprite*> list_;      // owned, creation order
  std::vector<TSprite*> drawList_;  // the same, by Z
  int z_ = 0;
};

// The root of a sprite tree: knows the surface drawn on and runs the
// collision query.
class TSpriteEngine : public TSprite {
 public:
  explicit TSpriteEngine(TSprite* parent = nullptr);
  ~TSpriteEngine() override;

  // Sprites in the tree below the root.
  int AllCount() const { return allCount_; }
  int DrawCount() const { return drawCount_; }

  int CollisionCount() const { return collisionCount_; }
  bool CollisionDone = false;
  const TRect& CollisionRect() const { return collisionRect_; }
  TSprite* CollisionSprite() const { return collisionSprite_; }

  const std::vector<TSprite*>& DeadList() const { return deadList_; }
  // Frees the sprites on the dead list, last first.
  void Dead();

  // DrawCount restarts at 0.
  void Draw();

  TDirectDrawSurface* Surface() const { return surface_; }
  // Takes the surface's size as SurfaceRect, Width and Height; none keeps them.
  void SetSurface(TDirectDrawSurface* surface);
  const TRect& SurfaceRect() const { return surfaceRect_; }

 private:
  friend class TSprite;

  void Visit(TSprite* sprite);

  int allCount_ = 0;
  int collisionCount_ = 0;
  TRect collisionRect_;
  TSprite* collisionSprite_ = nullptr;
  std::vector<TSprite*> deadList_;  // not owned
  int drawCount_ = 0;
  TDirectDrawSurface* surface_ = nullptr;
  TRect surfaceRect_;
};
