#pragma once

#include "gfx/display.h"
#include "gfx/picture_collection.h"
#include "platform/component.h"

// The pictures of a form, kept in step with its display: the display's
// notifications make, restore and free the pictures' surfaces.
class TCustomDXImageList : public TComponent, private DXDrawSubscriber {
 public:
  explicit TCustomDXImageList(TComponent* owner = nullptr);
  ~TCustomDXImageList() override;

  TCustomDXDraw* DXDraw() const { return dxDraw_; }
  // Leaves the previous display's notifications and follows the new one's.
  void SetDXDraw(TCustomDXDraw* display);

  TPictureCollection& Items() { return items_; }
  const TPictureCollection& Items() const { return items_; }
  void SetItems(const TPictureCollection& items) { items_.Assign(items); }

 private:
  void DXDrawNotify(TCustomDXDraw& sender, TDXDrawNotifyType type) override;

  TCustomDXDraw* dxDraw_ = nullptr;
  TPictureCollection items_;
};

class TDXImageList : public TCustomDXImageList {
 public:
  using TCustomDXImageList::TCustomDXImageList;
};
