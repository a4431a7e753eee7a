#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gfx/dib.h"
#include "gfx/graphics_types.h"
#include "gfx/hash_collection.h"
#include "gfx/surface.h"
#include "platform/exception.h"

class EPictureCollectionError : public Exception {
 public:
  using Exception::Exception;
};

class TCustomDXDraw;
class TPictureCollection;

// One cell of a picture: where its pixels lie on which surface.
struct TPictureCollectionItemPattern {
  TRect Rect;
  TDirectDrawSurface* Surface = nullptr;  // one of the item's surfaces
};

// A named picture divided into a grid of equal cells (patterns). Once the
// display is up, the picture lives in surfaces of the display's format and the
// patterns are drawn from there.
class TPictureCollectionItem : public THashCollectionItem {
 public:
  explicit TPictureCollectionItem(TPictureCollection* collection);
  ~TPictureCollectionItem() override;

  TPicture& Picture() { return picture_; }
  const TPicture& Picture() const { return picture_; }
  void SetPicture(const TPicture& picture) { picture_ = picture; }

  int PatternWidth = 0;
  int PatternHeight = 0;
  int SkipWidth = 0;
  int SkipHeight = 0;
  bool SystemMemory = false;
  bool Transparent = true;

  TColor TransparentColor() const { return transparentColor_; }
  // Re-keys every surface with the new colour, without rebuilding them.
  void SetTransparentColor(TColor color);

  // The cell size: the pattern size when set, else the picture's.
  int Width() const;
  int Height() const;
  int PatternCount() const { return static_cast<int>(patterns_.size()); }
  // The empty rectangle (and no surface) for an index out of range.
  TRect PatternRects(int index) const;
  TDirectDrawSurface* PatternSurfaces(int index) const;
  bool Initialized() const { return initialized_; }
  const std::vector<std::unique_ptr<TDirectDrawSurface>>& Surfaces() const { return surfaces_; }

  // Both do nothing before the item is restored or for an index out of range.
  void Draw(TDirectDrawSurface* Dest, int X, int Y, int PatternIndex);
  void DrawRotate(TDirectDrawSurface* Dest, int X, int Y, int Width, int Height, int PatternIndex,
                  double CenterX, double CenterY, int Angle);

  void Initialize();
  void Finalize();
  // Builds the surfaces and the patterns from the picture.
  void Restore();

  void Assign(const THashCollectionItem& source) override;

 private:
  TPictureCollection& Owner() const;
  TDirectDrawSurface* MakeSurface(const TRect& rect);
  void ClearSurfaces();

  TPicture picture_;
  bool initialized_ = false;
  TColor transparentColor_ = 0;
  std::vector<TPictureCollectionItemPattern> patterns_;
  std::vector<std::unique_ptr<TDirectDrawSurface>> surfaces_;
};

class TPictureCollection : public THashCollection {
 public:
  TPictureCollection() = default;
  ~TPictureCollection() override;

  TPictureCollectionItem* Add() { return new TPictureCollectionItem(this); }
  // "List index out of bounds (%d)" outside 0..Count-1.
  TPictureCollectionItem* Items(int index) const;
  // "Image '%s' not found" when no item bears the name (case is ignored).
  TPictureCollectionItem* Find(const std::string& name) const;

  // Binds the display and readies every item; "TPictureCollection cannot be
  // initialized" when the display is missing or not initialised.
  void Initialize(TCustomDXDraw* display);
  void Finalize();
  void Restore();
  bool Initialized() const;
  TCustomDXDraw* DXDraw() const { return display_; }

  // The colour table for 8-bit display modes, stored as 1,024 bytes.
  std::array<TColor, 256> ColorTable{};
  void ReadColorTable(TStream& stream);
  void WriteColorTable(TStream& stream) const;

  // Replaces the items with copies of another collection's.
  void Assign(const TPictureCollection& source);

 private:
  friend class TPictureCollectionItem;
  TCustomDXDraw* display_ = nullptr;
};
