#include "engine/dx_sprite_engine.h"

TCustomDXSpriteEngine::TCustomDXSpriteEngine(TComponent* owner)
    : TComponent(owner), engine_(std::make_unique<TSpriteEngine>()) {}

TCustomDXSpriteEngine::~TCustomDXSpriteEngine() {
  SetDXDraw(nullptr);
  engine_.reset();  // the sprites go before the rest of the component
}

void TCustomDXSpriteEngine::SetDXDraw(TCustomDXDraw* display) {
  if (display == dxdraw_) return;
  if (dxdraw_) {
    TCustomDXDraw* old = dxdraw_;
    dxdraw_ = nullptr;
    old->Unsubscribe(this);
  }
  dxdraw_ = display;
  if (dxdraw_) dxdraw_->Subscribe(this);
}

void TCustomDXSpriteEngine::Draw() {
  if (dxdraw_ && dxdraw_->Initialized()) engine_->Draw();
}

void TCustomDXSpriteEngine::DXDrawNotify(TCustomDXDraw& sender, TDXDrawNotifyType type) {
  switch (type) {
    case TDXDrawNotifyType::dxntDestroying:
      if (&sender == dxdraw_) SetDXDraw(nullptr);
      engine_->SetSurface(nullptr);
      break;
    // The back buffer is also made anew when the display is resized; the
    // engine must never keep drawing on one that is gone.
    case TDXDrawNotifyType::dxntInitialize:
    case TDXDrawNotifyType::dxntInitializeSurface:
      engine_->SetSurface(sender.Surface());
      break;
    case TDXDrawNotifyType::dxntFinalize:
    case TDXDrawNotifyType::dxntFinalizeSurface:
      engine_->SetSurface(nullptr);
      break;
    default:
      break;
  }
}
