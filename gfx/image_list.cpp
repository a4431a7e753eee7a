#include "gfx/image_list.h"

TCustomDXImageList::TCustomDXImageList(TComponent* owner) : TComponent(owner) {}

TCustomDXImageList::~TCustomDXImageList() {
  SetDXDraw(nullptr);
}

void TCustomDXImageList::SetDXDraw(TCustomDXDraw* display) {
  if (display == dxDraw_) return;
  if (dxDraw_) dxDraw_->Unsubscribe(this);
  dxDraw_ = display;
  if (dxDraw_) dxDraw_->Subscribe(this);
}

void TCustomDXImageList::DXDrawNotify(TCustomDXDraw& sender, TDXDrawNotifyType type) {
  switch (type) {
    case TDXDrawNotifyType::dxntDestroying:
      SetDXDraw(nullptr);
      break;
    case TDXDrawNotifyType::dxntInitialize:
      items_.Initialize(&sender);
      break;
    case TDXDrawNotifyType::dxntFinalize:
      items_.Finalize();
      break;
    case TDXDrawNotifyType::dxntRestore:
      items_.Restore();
      break;
    default:
      break;
  }
}
