#pragma once

#include <memory>

#include "engine/sprite.h"
#include "gfx/display.h"
#include "platform/component.h"

// The sprite engine as a component of a window: owns the root sprite and
// draws on the back buffer of its display while that display is initialised.
class TCustomDXSpriteEngine : public TComponent, private DXDrawSubscriber {
 public:
  explicit TCustomDXSpriteEngine(TComponent* owner = nullptr);
  ~TCustomDXSpriteEngine() override;

  TSpriteEngine& Engine() { return *engine_; }
  const TSpriteEngine& Engine() const { return *engine_; }

  TCustomDXDraw* DXDraw() const { return dxdraw_; }
  // Leaves the old display's notifications and joins the new one's; either
  // may be none.
  void SetDXDraw(TCustomDXDraw* display);

  void Move(int moveCount) { engine_->Move(moveCount); }
  void Dead() { engine_->Dead(); }
  // Nothing before the display is initialised.
  void Draw();

 private:
  void DXDrawNotify(TCustomDXDraw& sender, TDXDrawNotifyType type) override;

  TCustomDXDraw* dxdraw_ = nullptr;
  std::unique_ptr<TSpriteEngine> engine_;
};

class TDXSpriteEngine : public TCustomDXSpriteEngine {
 public:
  using TCustomDXSpriteEngine::TCustomDXSpriteEngine;
};
