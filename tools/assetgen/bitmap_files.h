#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

// Byte-exact writers for the generated files: bitmaps through the program's
// own bitmap class (uncompressed, bottom-up, 40-byte header), 16-colour icons
// with an AND mask, and baseline JPEG.

namespace art {

enum class PixelDepth { Standard16 = 4, Table256 = 8, True24 = 24 };

// A bitmap file (14-byte file header first) of an RGB32 picture, reduced to
// the given depth; a 256-colour picture with the given table, when there is
// one, instead of a table of its own.
std::vector<std::uint8_t> bitmapFile(const QImage& picture, PixelDepth depth,
                                     const std::vector<QRgb>& table = {});

// An icon file with one 16-colour image per picture; pixels of alpha 0 are
// transparent (AND mask set).
std::vector<std::uint8_t> iconFile(const std::vector<QImage>& sizes);

std::vector<std::uint8_t> jpegFile(const QImage& picture, int quality);

// The picture as the program will see it after reading the bitmap back: the
// indexed colours resolved, key pixels still the key colour.
QImage reducedPicture(const QImage& picture, PixelDepth depth, const std::vector<QRgb>& table = {});

// The colour table a 256-colour picture is stored with.
std::vector<QRgb> tableOf(const QImage& picture);

}  // namespace art
