#pragma once

#include <QPixmap>
#include <cstdint>
#include <span>

// The pictures the windows carry: the two logos and the two verdict faces,
// decoded from the data compiled into the program. An unreadable picture
// gives a null pixmap.
QPixmap MakerLogo();
QPixmap PartnerLogo();
QPixmap SmileFace();
QPixmap SadFace();

// The logo's JPEG data as a pixmap.
QPixmap JpegPixmap(std::span<const std::uint8_t> jpeg);
// The image of the given size from an icon file (which may hold several).
QPixmap IconPixmap(std::span<const std::uint8_t> ico, int size);
