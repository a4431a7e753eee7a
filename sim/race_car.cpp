#include "sim/race_car.h"

#include <cmath>

#include "engine/dx_input.h"
#include "gfx/picture_collection.h"
#include "sim/picture_catalogue.h"

TWyscigowkaDX::TWyscigowkaDX(TSprite* parent) : TImageSprite(parent) {
  X = Model.X;
  Y = Model.Y;
}

void TWyscigowkaDX::DoMove(int moveCount) {
  TImageSprite::DoMove(moveCount);

  Model.X = X;
  Model.Y = Y;
  Model.Advance(static_cast<std::uint32_t>(moveCount), Input ? Input->States() : TDXInputStates{});
  X = Model.X;
  Y = Model.Y;

  // The camera: the car's reference point lands left of and above the middle
  // of the screen by half the car's size.
  TSpriteEngine* root = Engine();
  root->X = root->Width / 2 - X - Width / 2;
  root->Y = root->Height / 2 - Y - Height / 2;

  Collision();
  Model.LocateTile();
}

namespace {
// How far left of the screen's middle the car is drawn.
constexpr int ScreenOffsetX = 100;
}  // namespace

PathPoint CarCentreOnTrack(PathPoint reference) {
  const PictureCatalogueItem& car = PictureCatalogue()[PictureWyscigowka];
  return {reference.X + car.PatternWidth / 2.0 - ScreenOffsetX,
          reference.Y + car.PatternHeight / 2.0};
}

void TWyscigowkaDX::DoDraw() {
  if (!Image) return;
  TSpriteEngine* root = Engine();
  Image->DrawRotate(root->Surface(), root->Width / 2 - ScreenOffsetX, root->Height / 2, Width,
                    Height, 0, 0.5, 0.5, static_cast<int>(std::trunc(Model.Heading)));
}
