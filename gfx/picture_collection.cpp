#include "gfx/picture_collection.h"

#include <algorithm>
#include <string>

#include "gfx/display.h"

TPictureCollectionItem::TPictureCollectionItem(TPictureCollection* collection)
    : THashCollectionItem(collection) {}

TPictureCollectionItem::~TPictureCollectionItem() {
  Finalize();
}

TPictureCollection& TPictureCollectionItem::Owner() const {
  return *static_cast<TPictureCollection*>(Collection());
}

int TPictureCollectionItem::Width() const {
  return PatternWidth > 0 ? PatternWidth : picture_.Width();
}

int TPictureCollectionItem::Height() const {
  return PatternHeight > 0 ? PatternHeight : picture_.Height();
}

TRect TPictureCollectionItem::PatternRects(int index) const {
  if (index < 0 || index >= PatternCount()) return TRect{};
  return patterns_[static_cast<std::size_t>(index)].Rect;
}

TDirectDrawSurface* TPictureCollectionItem::PatternSurfaces(int index) const {
  if (index < 0 || index >= PatternCount()) return nullptr;
  return patterns_[static_cast<std::size_t>(index)].Surface;
}

void TPictureCollectionItem::SetTransparentColor(TColor color) {
  if (color == transparentColor_) return;
  transparentColor_ = color;
  for (auto& surface : surfaces_) {
    try {
      surface->SetTransparentColor(surface->ColorMatch(color));
    } catch (const Exception&) {
      // One surface that cannot take the key does not keep the others from it.
    }
  }
}

void TPictureCollectionItem::Draw(TDirectDrawSurface* Dest, int X, int Y, int PatternIndex) {
  if (!initialized_ || !Dest || PatternIndex < 0 || PatternIndex >= PatternCount()) return;
  const auto& p = patterns_[static_cast<std::size_t>(PatternIndex)];
  Dest->Draw(X, Y, p.Rect, p.Surface, Transparent);
}

void TPictureCollectionItem::DrawRotate(TDirectDrawSurface* Dest, int X, int Y, int Width,
                                        int Height, int PatternIndex, double CenterX,
                                        double CenterY, int Angle) {
  if (!initialized_ || !Dest || PatternIndex < 0 || PatternIndex >= PatternCount()) return;
  const auto& p = patterns_[static_cast<std::size_t>(PatternIndex)];
  Dest->DrawRotate(X, Y, Width, Height, p.Rect, p.Surface, CenterX, CenterY, Transparent, Angle);
}

void TPictureCollectionItem::Initialize() {
  Finalize();
  initialized_ = Owner().Initialized();
}

void TPictureCollectionItem::Finalize() {
  if (!initialized_) return;
  initialized_ = false;
  ClearSurfaces();
}

void TPictureCollectionItem::ClearSurfaces() {
  patterns_.clear();
  // Last made first, as the device frees its surfaces.
  while (!surfaces_.empty()) surfaces_.pop_back();
}

TDirectDrawSurface* TPictureCollectionItem::MakeSurface(const TRect& rect) {
  surfaces_.push_back(std::make_unique<TDirectDrawSurface>(Owner().DXDraw()->DDraw()));
  TDirectDrawSurface* surface = surfaces_.back().get();
  surface->SystemMemory = SystemMemory;
  surface->LoadFromGraphicRect(*picture_.Graphic(), 0, 0, rect);
  // Every surface carries the key; Transparent only decides whether drawing honours it.
  surface->SetTransparentColor(surface->ColorMatch(transparentColor_));
  return surface;
}

void TPictureCollectionItem::Restore() {
  const TDIB* graphic = picture_.Graphic();
  if (!graphic || graphic->Empty()) return;
  if (!initialized_) {
    if (Owner().Initialized()) Initialize();
    if (!initialized_) return;
  }
  ClearSurfaces();

  const int pw = graphic->Width(), ph = graphic->Height();
  const int w = Width(), h = Height();
  if (w == pw && h == ph) {
    TDirectDrawSurface* s = MakeSurface(Rect(0, 0, pw, ph));
    patterns_.push_back({Rect(0, 0, pw, ph), s});
    return;
  }

  const int cw = w + SkipWidth, ch = h + SkipHeight;
  // A negative skip larger than the cell would divide by zero below: such a
  // grid has no cells.
  if (cw <= 0 || ch <= 0 || w <= 0 || h <= 0) return;
  const int columns = (pw + SkipWidth) / cw;
  const int rows = (ph + SkipHeight) / ch;

  if (SystemMemory) {
    TDirectDrawSurface* s = MakeSurface(Rect(0, 0, pw, ph));
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < columns; ++c)
        patterns_.push_back({Rect(c * cw, r * ch, c * cw + w, r * ch + h), s});
    return;
  }

  // Blocks of whole cells reaching 512 pixels, so no pattern crosses a block edge.
  const int bw = std::min(cw * ((cw + 511) / cw), cw * columns);
  const int bh = std::min(ch * ((ch + 511) / ch), ch * rows);
  if (bw <= 0 || bh <= 0) return;
  const int blocksX = (pw + bw - 1) / bw;
  const int blocksY = (ph + bh - 1) / bh;
  for (int by = 0; by < blocksY; ++by) {
    for (int bx = 0; bx < blocksX; ++bx) {
      int sw = std::min(bw, std::max(pw - bw * bx, 0));
      int sh = std::min(bh, std::max(ph - bh * by, 0));
      if (sw == 0) sw = bw;
      if (sh == 0) sh = bh;
      MakeSurface(Rect(bw * bx, bh * by, bw * bx + sw, bh * by + sh));
    }
  }
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const int px = c * cw, py = r * ch;
      const int left = px % bw, top = py % bh;
      const auto block = static_cast<std::size_t>(px / bw + (py / bh) * blocksX);
      patterns_.push_back({Rect(left, top, left + w, top + h), surfaces_[block].get()});
    }
  }
}

void TPictureCollectionItem::Assign(const THashCollectionItem& source) {
  const auto* item = dynamic_cast<const TPictureCollectionItem*>(&source);
  if (!item) {
    THashCollectionItem::Assign(source);
    return;
  }
  if (item == this) return;
  const bool wasInitialized = initialized_;
  Finalize();
  PatternHeight = item->PatternHeight;
  PatternWidth = item->PatternWidth;
  SkipHeight = item->SkipHeight;
  SkipWidth = item->SkipWidth;
  SystemMemory = item->SystemMemory;
  Transparent = item->Transparent;
  transparentColor_ = item->transparentColor_;
  picture_ = item->picture_;
  if (wasInitialized) Restore();
}

TPictureCollection::~TPictureCollection() {
  Finalize();
  Clear();
}

TPictureCollectionItem* TPictureCollection::Items(int index) const {
  return static_cast<TPictureCollectionItem*>(GetItem(index));
}

TPictureCollectionItem* TPictureCollection::Find(const std::string& name) const {
  const int index = IndexOf(name);
  if (index < 0) throw EPictureCollectionError("Image '" + name + "' not found");
  return Items(index);
}

bool TPictureCollection::Initialized() const {
  return display_ && display_->Initialized();
}

void TPictureCollection::Initialize(TCustomDXDraw* display) {
  Finalize();
  display_ = display;
  if (!Initialized()) throw EPictureCollectionError("TPictureCollection cannot be initialized");
  for (int i = 0; i < Count(); ++i) Items(i)->Initialize();
}

void TPictureCollection::Finalize() {
  struct Unbind {
    TCustomDXDraw*& display;
    ~Unbind() { display = nullptr; }
  } unbind{display_};
  for (int i = 0; i < Count(); ++i) Items(i)->Finalize();
}

void TPictureCollection::Restore() {
  for (int i = 0; i < Count(); ++i) Items(i)->Restore();
}

void TPictureCollection::ReadColorTable(TStream& stream) {
  std::uint8_t bytes[1024];
  stream.ReadBuffer(bytes, sizeof bytes);
  for (std::size_t i = 0; i < 256; ++i)
    ColorTable[i] = static_cast<TColor>(bytes[4 * i] | bytes[4 * i + 1] << 8 |
                                        bytes[4 * i + 2] << 16 | bytes[4 * i + 3] << 24);
}

void TPictureCollection::WriteColorTable(TStream& stream) const {
  std::uint8_t bytes[1024];
  for (std::size_t i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint32_t>(ColorTable[i]);
    bytes[4 * i] = static_cast<std::uint8_t>(v);
    bytes[4 * i + 1] = static_cast<std::uint8_t>(v >> 8);
    bytes[4 * i + 2] = static_cast<std::uint8_t>(v >> 16);
    bytes[4 * i + 3] = static_cast<std::uint8_t>(v >> 24);
  }
  stream.WriteBuffer(bytes, sizeof bytes);
}

void TPictureCollection::Assign(const TPictureCollection& source) {
  if (&source == this) return;
  Clear();
  for (int i = 0; i < source.Count(); ++i) {
    TPictureCollectionItem* item = Add();
    item->Assign(*source.Items(i));
    item->SetName(source.Items(i)->Name());
  }
  ColorTable = source.ColorTable;
}
