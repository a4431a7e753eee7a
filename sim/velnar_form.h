#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/dx_input.h"
#include "engine/dx_sprite_engine.h"
#include "engine/dx_timer.h"
#include "gfx/display.h"
#include "gfx/image_list.h"
#include "platform/form.h"
#include "platform/interval_timer.h"
#include "sim/race_car.h"
#include "sim/run_recording.h"

class TBackgroundSprite;

// The full-screen driving screen: it owns the display, the pictures, the
// input, the sprites and both timers, and runs one frame per idle tick.
class TVelnarForm1 : public TDXForm {
 public:
  explicit TVelnarForm1(TComponent* owner = nullptr);
  ~TVelnarForm1() override;

  TDXDraw* DXDraw1;
  TDXImageList* DXImageList1;
  TDXInput* DXInput1;
  TDXSpriteEngine* DXSpriteEngine1;
  TDXTimer* DXTimer1;
  TTimer* Timer1;

  // The longest time one frame moves the car by, in milliseconds.
  static constexpr std::uint32_t MaxFrameLag = 250;

  double NeedleAngle = 0;
  // Owned by the window: freed when it closes.
  TWyscigowkaDX* Car = nullptr;
  TBackgroundSprite* Track = nullptr;

  // The run of the current car: its ticks and the path it drove.
  RunRecording Recording;
  // T shows the path on the minimap; off, the screen is the usual one.
  bool ShowPathOnMinimap = false;

  // Shows the task dialog modally and returns when it closes; set by the
  // application. Space only stops the car when none is set.
  static std::function<void()>& ShowTaskDialog();

  void FormCreate();
  void DXDraw1Initialize(TComponent* sender);
  void DXDraw1Finalize(TComponent* sender);
  void DXTimer1Timer(TComponent* sender, std::int32_t lagCount);
  void Timer1Timer(TComponent* sender);
  void FormKeyDown(TComponent* sender, std::uint16_t& key, TShiftState shift);
  void FormClose(TComponent* sender, TCloseAction& action);

  // Draws the whole frame into the back buffer and releases its canvas: the
  // world, the panel, the minimap and the read-outs, everything but the flip.
  void RenderFrame();
  void DrawPanelFrame();
  void DrawOdometer(std::uint16_t x0);
  void DrawMinimap();

 private:
  // All that RenderFrame draws depends on. A frame whose key equals that of
  // the frame last drawn would draw the same picture again.
  struct SceneKey {
    double X, Y, Heading, Speed, Distance;
    double CameraX, CameraY;  // where the sprite engine puts the world
    double CarAnimPos;        // the car's pattern
    std::string RxText, RyText, RLengthText, TimeText;
    bool ShowPath;
    std::size_t PathPoints;  // the path on the minimap grows only with them
    const TDirectDrawSurface* Surface;
    int Width, Height;
    bool operator==(const SceneKey&) const = default;
  };
  SceneKey CurrentScene() const;

  void LoadPictures();

  // The key of the picture last drawn and flipped; none when the back buffer
  // has been made again or restored (cleared) since.
  std::optional<SceneKey> drawnScene_;
};

// The one simulation window, while there is one.
extern TVelnarForm1* VelnarForm1;
