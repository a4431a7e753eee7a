#pragma once

#include <QImage>

#include "lesson/catalogue.h"

// The painters of the individual pictures. Each returns an RGB32 picture at
// its final size in which see-through pixels are exactly the key colour,
// except the faces, which keep an alpha channel for the icon mask.

namespace art {

// The road surfaces that the track tiles are built from.
enum class Ground { Gravel, Asphalt, Paint };

// What lies at (u, v) of pattern `pattern` of "Droga", u and v in [0, 64),
// for the road patterns (markings only, no arrows or words).
Ground roadGroundAt(int pattern, double u, double v);

// The pictures with words in them paint those words in the language given.
QImage paintDroga(lesson::Language language);
QImage paintSmallWorld(const QImage& droga);
QImage paintMinimap(lesson::Language language);
void paintFramePieces(QImage& droga);

QImage paintCar();
QImage paintBoxedDigits();
QImage paintBackdropTile();
QImage paintMinimapCar();
QImage paintVectorLabels();
QImage paintOdometerDigits(bool red);
QImage paintInstrumentFace(lesson::Language language);
QImage paintNeedle();
QImage paintKeyLegend(lesson::Language language);

QImage paintMakerLogo();
QImage paintPartnerLogo(lesson::Language language);
QImage paintFace(bool smiling, int size);
// The program's icon for menus and the window, with alpha.
QImage paintAppIcon(int size);

// The 1280 x 1280 track laid out from "Droga" by the track map.
QImage trackMosaic(const QImage& droga);

}  // namespace art
