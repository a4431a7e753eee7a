#include "engine/sprite.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "gfx/hash_collection.h"
#include "gfx/surface.h"

// ---- TSprite ---------------------------------------------------------------

TSprite::TSprite(TSprite* parent) : parent_(parent) {
  if (!parent_) return;
  parent_->list_.push_back(this);
  parent_->InsertIntoDrawList(this);
  engine_ = dynamic_cast<TSpriteEngine*>(parent_);
  if (!engine_) engine_ = parent_->engine_;
  if (engine_) ++engine_->allCount_;
}

TSprite::~TSprite() {
  Clear();
  if (parent_) {
    if (engine_) {
      --engine_->allCount_;
      std::erase(engine_->deadList_, this);
      if (engine_->collisionSprite_ == this) engine_->collisionSprite_ = nullptr;
    }
    std::erase(parent_->list_, this);
    parent_->RemoveFromDrawList(this);
    if (parent_->list_.empty()) {
      parent_->list_.shrink_to_fit();
      parent_->drawList_.shrink_to_fit();
    }
  }
}

TSprite* TSprite::Items(int index) const {
  if (list_.empty())
    throw ESpriteError("Index of the list exceeds the range. (" + std::to_string(index) + ")");
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return list_[index];
}

void TSprite::Clear() {
  while (!list_.empty()) delete list_.back();  // each child leaves the list itself
}

// Binary search for the first sibling whose Z is not below the new one's, so
// the new sprite goes in front of its equals.
void TSprite::InsertIntoDrawList(TSprite* sprite) {
  int low = 0;
  int high = static_cast<int>(drawList_.size()) - 1;
  while (low <= high) {
    const int mid = (low + high) / 2;
    // A plain comparison: the difference of two Z values can overflow.
    if (drawList_[mid]->z_ < sprite->z_)
      low = mid + 1;
    else
      high = mid - 1;
  }
  drawList_.insert(drawList_.begin() + low, sprite);
}

void TSprite::RemoveFromDrawList(TSprite* sprite) {
  auto it = std::find(drawList_.begin(), drawList_.end(), sprite);
  if (it != drawList_.end()) drawList_.erase(it);
}

void TSprite::SetZ(int value) {
  if (value == z_) return;
  z_ = value;
  if (parent_) {
    parent_->RemoveFromDrawList(this);
    parent_->InsertIntoDrawList(this);
  }
}

double TSprite::WorldX() const {
  return parent_ ? parent_->WorldX() + X : X;
}

double TSprite::WorldY() const {
  return parent_ ? parent_->WorldY() + Y : Y;
}

int TSprite::TruncCoord(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

namespace {

int SaturatedAdd(int a, int b) {
  return static_cast<int>(std::clamp<std::int64_t>(
      std::int64_t(a) + b, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

TRect TSprite::BoundsRect() const {
  const int left = TruncCoord(WorldX());
  const int top = TruncCoord(WorldY());
  return Rect(left, top, SaturatedAdd(left, Width), SaturatedAdd(top, Height));
}

void TSprite::DoCollision(TSprite*, bool&) {}
void TSprite::DoDraw() {}
void TSprite::DoMove(int) {}
bool TSprite::TestCollision(TSprite*) {
  return true;
}

// The loops below re-check the count on every step: a handler that frees a
// sibling must not make the walk read past the end of the list.
void TSprite::Move(int moveCount) {
  if (!Moved) return;
  DoMove(moveCount);
  const std::size_t count = list_.size();
  for (std::size_t i = 0; i < count && i < list_.size(); ++i) list_[i]->Move(moveCount);
}

void TSprite::Draw() {
  if (!Visible) return;
  if (engine_ && OverlapRect(BoundsRect(), engine_->surfaceRect_)) {
    DoDraw();
    ++engine_->drawCount_;
  }
  for (std::size_t i = 0; i < drawList_.size(); ++i) drawList_[i]->Draw();
}

int TSprite::Collision() {
  if (!engine_ || Deaded || !Collisioned) return 0;
  TSpriteEngine& e = *engine_;
  e.collisionCount_ = 0;
  e.CollisionDone = false;
  e.collisionRect_ = BoundsRect();
  e.collisionSprite_ = this;
  // Done ends the whole query, not only the subtree where it was set.
  for (std::size_t i = 0; i < e.list_.size() && !e.CollisionDone; ++i) e.Visit(e.list_[i]);
  return e.collisionCount_;
}

void TSprite::MarkDead() {
  if (Deaded) return;
  Deaded = true;
  if (engine_) engine_->deadList_.push_back(this);
}

// ---- TSpriteEngine ---------------------------------------------------------

TSpriteEngine::TSpriteEngine(TSprite* parent) : TSprite(parent) {}

TSpriteEngine::~TSpriteEngine() {
  // The sprites must go while the engine's own lists still exist: each of
  // them leaves the dead list and lowers AllCount as it is freed.
  Clear();
}

void TSpriteEngine::Visit(TSprite* sprite) {
  if (!sprite->Collisioned) return;
  TSprite* asker = collisionSprite_;
  // A sprite marked dead takes no part, the same as an asker marked dead.
  if (sprite != asker && !sprite->Deaded && OverlapRect(sprite->BoundsRect(), collisionRect_) &&
      asker->TestCollision(sprite) && sprite->TestCollision(asker)) {
    ++collisionCount_;
    asker->DoCollision(sprite, CollisionDone);
    // collisionSprite_ is cleared when the handler freed the asker.
    if (collisionSprite_ != asker || !asker->Collisioned || asker->Deaded) CollisionDone = true;
  }
  for (std::size_t i = 0; i < sprite->list_.size() && !CollisionDone; ++i) Visit(sprite->list_[i]);
}

void TSpriteEngine::Dead() {
  while (!deadList_.empty()) delete deadList_.back();  // it leaves the list itself
}

void TSpriteEngine::Draw() {
  drawCount_ = 0;
  TSprite::Draw();
}

void TSpriteEngine::SetSurface(TDirectDrawSurface* surface) {
  surface_ = surface;
  if (!surface) return;
  surfaceRect_ = Rect(0, 0, surface->Width(), surface->Height());
  Width = surfaceRect_.Right - surfaceRect_.Left;
  Height = surfaceRect_.Bottom - surfaceRect_.Top;
}
