#include "engine/image_sprite.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "gfx/picture_collection.h"
#include "gfx/surface.h"

namespace {

// The remainder of a divided by n, made non-negative; n must be positive.
std::int64_t Mod(std::int64_t a, std::int64_t n) {
  const std::int64_t r = a % n;
  return r < 0 ? r + n : r;
}

int ClampInt(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

TImageSprite::TImageSprite(TSprite* parent) : TSprite(parent) {}

int TImageSprite::DrawImageIndex() const {
  return ClampInt(std::int64_t(TruncCoord(AnimPos)) + AnimStart);
}

TRect TImageSprite::BoundsRect() const {
  std::int64_t left = TruncCoord(WorldX());
  std::int64_t top = TruncCoord(WorldY());
  if (Tile) {
    const TRect surface = Engine() ? Engine()->SurfaceRect() : TRect{};
    const std::int64_t r = surface.Right, b = surface.Bottom;
    // A sprite with no extent on a surface with none has nothing to wrap round.
    if (r + Width > 0) {
      left = Mod(left, r + Width);
      if (left > r) left = left - r - Width;
    }
    if (b + Height > 0) {
      top = Mod(top, b + Height);
      if (top > b) top = top - b - Height;
    }
  }
  return Rect(ClampInt(left), ClampInt(top), ClampInt(left + Width), ClampInt(top + Height));
}

TRect TImageSprite::DrawRect() const {
  TRect r = BoundsRect();
  if (!Image) return r;
  const int dx = (Width - Image->Width()) / 2;
  const int dy = (Height - Image->Height()) / 2;
  return Rect(ClampInt(std::int64_t(r.Left) + dx), ClampInt(std::int64_t(r.Top) + dy),
              ClampInt(std::int64_t(r.Right) + dx), ClampInt(std::int64_t(r.Bottom) + dy));
}

void TImageSprite::DoDraw() {
  if (!Image || !Engine()) return;
  const TRect r = DrawRect();
  Image->Draw(Engine()->Surface(), r.Left, r.Top, DrawImageIndex());
}

void TImageSprite::DoMove(int moveCount) {
  AnimPos += AnimSpeed * moveCount;
  if (!std::isfinite(AnimPos)) AnimPos = 0;  // no pattern to show for it
  if (AnimLooped) {
    if (AnimCount > 0) {
      const double turns = AnimPos / AnimCount;
      // Beyond the 64-bit range the whole turns cannot be counted as an
      // integer; fmod gives the exact remainder there.
      if (std::fabs(turns) < 9.2e18)
        AnimPos -= static_cast<double>(static_cast<std::int64_t>(turns)) * AnimCount;
      else
        AnimPos = std::fmod(AnimPos, AnimCount);
      if (AnimPos < 0) AnimPos += AnimCount;
    } else {
      AnimPos = 0;
    }
  } else {
    if (AnimPos >= AnimCount) {
      AnimPos = AnimCount - 1;
      AnimSpeed = 0;
    }
    if (AnimPos < 0) {
      AnimPos = 0;
      AnimSpeed = 0;
    }
  }
}

namespace {

// The picture a sprite shows: its current pattern, placed at the sprite's
// DrawRect.
struct ShownPattern {
  TDirectDrawSurface* surface = nullptr;
  TRect src;     // on the surface
  TRect screen;  // where it lands
};

bool Shown(const TImageSprite& s, ShownPattern& out) {
  if (!s.Image) return false;
  const int index = s.DrawImageIndex();
  out.surface = s.Image->PatternSurfaces(index);
  if (!out.surface) return false;
  out.src = s.Image->PatternRects(index);
  const TRect at = s.DrawRect();
  out.screen = Bounds(at.Left, at.Top, out.src.Width(), out.src.Height());
  return !out.src.IsEmpty();
}

}  // namespace

bool TImageSprite::TestCollision(TSprite* sprite) {
  auto* other = dynamic_cast<TImageSprite*>(sprite);
  if (!PixelCheck || !other) return true;

  ShownPattern a, b;
  // Without a picture to compare there is nothing to refine: the rectangles
  // already overlap.
  if (!Shown(*this, a) || !Shown(*other, b)) return true;
  const int left = std::max(a.screen.Left, b.screen.Left);
  const int top = std::max(a.screen.Top, b.screen.Top);
  const int right = std::min(a.screen.Right, b.screen.Right);
  const int bottom = std::min(a.screen.Bottom, b.screen.Bottom);
  const std::uint32_t keyA = a.surface->ColorKey();
  const std::uint32_t keyB = b.surface->ColorKey();
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const std::uint32_t pa =
          a.surface->Pixels(a.src.Left + x - a.screen.Left, a.src.Top + y - a.screen.Top);
      if (pa == keyA) continue;
      const std::uint32_t pb =
          b.surface->Pixels(b.src.Left + x - b.screen.Left, b.src.Top + y - b.screen.Top);
      if (pb != keyB) return true;
    }
  }
  return false;
}
