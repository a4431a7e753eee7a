#include "sim/velnar_form.h"

#include "engine/background_sprite.h"
#include "gfx/canvas.h"
#include "gfx/stream.h"
#include "lesson/catalogue.h"
#include "platform/application.h"
#include "platform/display_device.h"
#include "sim/instrument_panel.h"
#include "sim/minimap.h"
#include "sim/picture_catalogue.h"
#include "sim/track_map.h"

TVelnarForm1* VelnarForm1 = nullptr;

std::function<void()>& TVelnarForm1::ShowTaskDialog() {
  static std::function<void()> show;
  return show;
}

TVelnarForm1::TVelnarForm1(TComponent* owner) : TDXForm(owner) {
  SetCaption(lesson::Tr("window title", "Velnar - jazda"));
  // The stored description: the components with their settings, applied
  // while loading so that each starts only once everything is in place.
  BeginLoading();
  DXDraw1 = new TDXDraw(this);
  DXImageList1 = new TDXImageList(this);
  DXInput1 = new TDXInput(this);
  DXSpriteEngine1 = new TDXSpriteEngine(this);
  DXTimer1 = new TDXTimer(this);
  Timer1 = new TTimer(this);
  for (TComponent* c : Components()) c->BeginLoading();

  DXDraw1->AutoInitialize = false;
  DXDraw1->AutoSize = true;
  DXDraw1->Display().SetBitCount(16);
  DXDraw1->Display().FixedBitCount = true;
  DXDraw1->Display().FixedRatio = true;
  DXDraw1->Display().FixedSize = false;
  DXDraw1->SetOptions(
      {doAllowReboot, doWaitVBlank, doCenter, doRetainedMode, doHardware, doSelectDriver});
  DXDraw1->SetSurfaceWidth(416);
  DXDraw1->SetSurfaceHeight(203);
  DXDraw1->OnInitialize = [this](TComponent* s) { DXDraw1Initialize(s); };
  DXDraw1->OnFinalize = [this](TComponent* s) { DXDraw1Finalize(s); };
  DXDraw1->OnInitializeSurface = [this](TComponent*) { drawnScene_.reset(); };
  DXDraw1->OnRestoreSurface = [this](TComponent*) { drawnScene_.reset(); };

  DXImageList1->SetDXDraw(DXDraw1);
  LoadPictures();

  DXInput1->SetActiveOnly(true);
  DXInput1->Keyboard().Assigns = TKeyboard::DefaultAssigns();
  TJoystick& joystick = DXInput1->Joystick();
  joystick.AutoCenter = true;
  joystick.SetID(0);
  joystick.SetDeadZoneX(50);
  joystick.SetDeadZoneY(50);
  joystick.SetDeadZoneZ(50);
  joystick.SetRangeX(1000);
  joystick.SetRangeY(1000);
  joystick.SetRangeZ(1000);
  DXInput1->Mouse().BindInputStates = false;

  DXSpriteEngine1->SetDXDraw(DXDraw1);

  DXTimer1->SetActiveOnly(true);
  DXTimer1->SetEnabled(false);
  DXTimer1->SetInterval(0);
  // After a stall the car moves as after a quarter of a second, not across
  // the map at road speed; any real frame rate stays well below the limit.
  DXTimer1->SetMaxLagCount(MaxFrameLag);
  DXTimer1->OnTimer = [this](TComponent* s, std::int32_t lag) { DXTimer1Timer(s, lag); };
  // The run's clock counts only while its frames run: while the program is
  // not in front the car stands, so the time must stand too.
  DXTimer1->OnDeactivate = [this](TComponent*) { Timer1->SetPaused(true); };
  DXTimer1->OnActivate = [this](TComponent*) { Timer1->SetPaused(false); };

  Timer1->SetEnabled(false);
  Timer1->SetInterval(TickMilliseconds);
  Timer1->OnTimer = [this](TComponent* s) { Timer1Timer(s); };

  OnKeyDown = [this](TComponent* s, std::uint16_t& key, TShiftState shift) {
    FormKeyDown(s, key, shift);
  };
  OnClose = [this](TComponent* s, TCloseAction& action) { FormClose(s, action); };
  EndLoading();

  // An error in the creation handler is shown, and the window is made all the
  // same: without a display nothing runs, and Esc still closes it.
  Dispatch([this] { FormCreate(); });
}

TVelnarForm1::~TVelnarForm1() {
  // The car may still be here when the window goes without being closed.
  delete Car;
  Car = nullptr;
  // The display is finalised while every component still lives (its handlers
  // reach the frame timer, its subscribers the pictures and sprites); then the
  // components go, last made first, while the window is still whole.
  DXDraw1->Finalize();
  DXDraw1->OnInitialize = nullptr;
  DXDraw1->OnFinalize = nullptr;
  DXDraw1->OnInitializeSurface = nullptr;
  DXDraw1->OnRestoreSurface = nullptr;
  DestroyComponents();
  if (VelnarForm1 == this) VelnarForm1 = nullptr;
}

void TVelnarForm1::LoadPictures() {
  // The words painted into the pictures are in the language of the window's
  // texts, fixed for the window's life.
  const lesson::Language language = lesson::CurrentLanguage();
  TPictureCollection& items = DXImageList1->Items();
  for (std::size_t index = 0; index < PictureCount; ++index) {
    const PictureCatalogueItem& entry = PictureCatalogue()[index];
    TPictureCollectionItem* item = items.Add();
    item->SetName(std::string(entry.Name));
    item->PatternHeight = entry.PatternHeight;
    item->PatternWidth = entry.PatternWidth;
    TBytesStream data(entry.Data.data(), entry.Data.size());
    item->Picture().ReadData(data);
    if (TDIB* picture = item->Picture().Graphic()) TranslatePicture(index, language, *picture);
    item->SystemMemory = entry.SystemMemory;
    item->Transparent = entry.Transparent;
    item->SetTransparentColor(static_cast<TColor>(entry.TransparentColor));
  }
}

void TVelnarForm1::FormCreate() {
  NeedleAngle = -64;

  TSpriteEngine& root = DXSpriteEngine1->Engine();
  Car = new TWyscigowkaDX(&root);
  Car->Image = DXImageList1->Items().Find("wyscigowka");
  Car->Width = Car->Image->Width();
  Car->Height = Car->Image->Height();
  Car->SetZ(2);
  Car->Input = DXInput1;
  Car->Model.OnStartTimeCounter = [this] { Timer1->SetEnabled(true); };
  Recording.Reset();

  Track = new TBackgroundSprite(&root);
  Track->SetMapSize(1, 1);
  Track->Image = DXImageList1->Items().Find("Droga");
  Track->SetMapWidth(MapColumns);
  Track->SetMapHeight(MapRows);
  Track->SetZ(-2);
  for (int r = 0; r < MapRows; ++r)
    for (int c = 0; c < MapColumns; ++c) Track->SetChips(c, r, TrackMap[r * MapColumns + c]);

  DXDraw1->Finalize();
  SetBorderStyle(TFormBorderStyle::bsNone);
  DXDraw1->Display().SetWidth(640);
  DXDraw1->Display().SetHeight(480);
  DXDraw1->Display().SetBitCount(16);
  DXDraw1->SetOptions(DXDraw1->Options() + doFullScreen);
  DXDraw1->Initialize();
}

void TVelnarForm1::DXDraw1Initialize(TComponent*) {
  drawnScene_.reset();
  TDirectDrawSurfaceCanvas& canvas = DXDraw1->Surface()->Canvas();
  canvas.Font.Color = clYellow;
  canvas.Brush.Style = bsClear;
  DXTimer1->SetEnabled(true);
}

void TVelnarForm1::DXDraw1Finalize(TComponent*) {
  DXTimer1->SetEnabled(false);
}

void TVelnarForm1::DXTimer1Timer(TComponent*, std::int32_t lagCount) {
  // After the close the car is gone; no frame may touch it.
  if (!Car) return;
  if (!DXDraw1->CanDraw()) return;
  DXInput1->Update();
  DXSpriteEngine1->Move(lagCount);
  Recording.RecordPosition(Car->X, Car->Y);
  DXSpriteEngine1->Dead();

  // A screen that keeps its picture needs no frame that would draw the same
  // one again: a parked car, or one stopped behind the task, then costs
  // nothing. A window's screen is drawn anew by every present.
  const DisplayDevice* device = DXDraw1->Device();
  if (device && device->KeepsPicture()) {
    SceneKey scene = CurrentScene();
    if (drawnScene_ == scene) return;
    drawnScene_ = std::move(scene);
  }
  RenderFrame();
  DXDraw1->Flip();
}

TVelnarForm1::SceneKey TVelnarForm1::CurrentScene() const {
  const CarModel& m = Car->Model;
  const TSpriteEngine& root = DXSpriteEngine1->Engine();
  const TDirectDrawSurface* back = DXDraw1->Surface();
  return SceneKey{Car->X,
                  Car->Y,
                  m.Heading,
                  m.Speed,
                  m.Distance,
                  root.X,
                  root.Y,
                  Car->AnimPos,
                  m.RxText,
                  m.RyText,
                  m.RLengthText,
                  m.TimeText,
                  ShowPathOnMinimap,
                  Recording.PathSize(),
                  back,
                  back ? back->Width() : 0,
                  back ? back->Height() : 0};
}

void TVelnarForm1::RenderFrame() {
  TDirectDrawSurface* back = DXDraw1->Surface();
  back->Fill(0);
  DXSpriteEngine1->Draw();
  DrawPanelFrame();
  DrawOdometer(480);
  NeedleAngle = NeedleAngleFor(Car->Model.Speed);
  DrawNeedle(DXImageList1->Items(), back, NeedleAngle);
  DrawMinimap();
  if (ShowPathOnMinimap) DrawMinimapPath(back->Canvas(), Recording);
  const CarModel& m = Car->Model;
  DrawReadOuts(back->Canvas(),
               ReadOutsFor(m.RxText, m.RyText, m.RLengthText, m.TimeText, m.Distance));
  back->Canvas().Release();
}

void TVelnarForm1::Timer1Timer(TComponent*) {
  if (Car) Car->Model.TimeTick();
  if (Car) Recording.RecordTick(Car->Model);
}

void TVelnarForm1::FormKeyDown(TComponent*, std::uint16_t& key, TShiftState) {
  if (key == 27) Close();
  if (key == 32 && Car) {
    Car->Model.Stop();
    Timer1->SetEnabled(false);
    Recording.RecordStop(Car->Model);
    if (ShowTaskDialog()) ShowTaskDialog()();
  }
  if (key == 'T') ShowPathOnMinimap = !ShowPathOnMinimap;
}

void TVelnarForm1::FormClose(TComponent*, TCloseAction&) {
  DXTimer1->SetEnabled(false);
  delete Car;
  Car = nullptr;
  Release();
}

void TVelnarForm1::DrawPanelFrame() {
  ::DrawPanelFrame(DXImageList1->Items(), DXDraw1->Surface());
}

void TVelnarForm1::DrawOdometer(std::uint16_t x0) {
  ::DrawOdometer(DXImageList1->Items(), DXDraw1->Surface(), Car->Model.Distance, x0);
}

void TVelnarForm1::DrawMinimap() {
  ::DrawMinimap(DXImageList1->Items(), DXDraw1->Surface(), Car->X, Car->Y, Car->Model.Heading);
}
