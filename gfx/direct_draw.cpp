#include "gfx/direct_draw.h"

#include <algorithm>

#include "gfx/surface.h"

namespace {
template <class T>
void Unlist(std::vector<T*>& list, T* item) {
  auto it = std::find(list.begin(), list.end(), item);
  if (it != list.end()) list.erase(it);
}
}  // namespace

TDirectDrawClipper::TDirectDrawClipper(TDirectDraw& owner) : owner_(&owner) {
  owner_->clippers_.push_back(this);
}

TDirectDrawClipper::~TDirectDrawClipper() {
  if (!owner_) return;
  for (TDirectDrawSurface* s : owner_->surfaces_)
    if (s->Clipper() == this) s->DetachClipper();
  Unlist(owner_->clippers_, this);
}

TDirectDrawPalette::TDirectDrawPalette(TDirectDraw& owner) : owner_(&owner) {
  owner_->palettes_.push_back(this);
}

TDirectDrawPalette::~TDirectDrawPalette() {
  if (!owner_) return;
  for (TDirectDrawSurface* s : owner_->surfaces_)
    if (s->Palette() == this) s->DetachPalette();
  Unlist(owner_->palettes_, this);
}

TDirectDraw::TDirectDraw() = default;

TDirectDraw::~TDirectDraw() {
  // Each destructor takes its object out of the list it was in.
  while (!surfaces_.empty()) surfaces_.back()->OwnerGone();
  for (auto it = palettes_.rbegin(); it != palettes_.rend(); ++it) (*it)->owner_ = nullptr;
  for (auto it = clippers_.rbegin(); it != clippers_.rend(); ++it) (*it)->owner_ = nullptr;
}

void TDirectDraw::LoseSurfaces() {
  for (TDirectDrawSurface* s : surfaces_) s->MarkLost();
}

bool TDirectDraw::SetSimdLevel(TSimdLevel level) {
  if (!SimdLevelRuns(level)) return false;
  kernels_ = &SimdKernels(level);
  return true;
}
