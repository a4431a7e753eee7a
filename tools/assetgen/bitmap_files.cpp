#include "tools/assetgen/bitmap_files.h"

#include "gfx/dib.h"
#include "gfx/stream.h"
#include "tools/assetgen/colour_reduction.h"

#include <cstdio>
#include <cstdlib>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <stdexcept>

namespace art {

namespace {

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

int strideOf(int bits, int width) {
  return ((bits * width + 31) / 32) * 4;
}

void putInfoHeader(std::vector<std::uint8_t>& out, int width, int height, int bits,
                   std::uint32_t imageSize) {
  put32(out, 40);
  put32(out, std::uint32_t(width));
  put32(out, std::uint32_t(height));
  put16(out, 1);
  put16(out, std::uint32_t(bits));
  put32(out, 0);  // no compression
  put32(out, imageSize);
  put32(out, 0);
  put32(out, 0);
  put32(out, 0);
  put32(out, 0);
}

void putTable(std::vector<std::uint8_t>& out, const std::vector<QRgb>& table) {
  for (QRgb c : table) {
    out.push_back(std::uint8_t(qBlue(c)));
    out.push_back(std::uint8_t(qGreen(c)));
    out.push_back(std::uint8_t(qRed(c)));
    out.push_back(0);
  }
}

// Pixel rows, bottom row first, each padded with zeros to a multiple of 4.
void putIndexedRows(std::vector<std::uint8_t>& out, const IndexedPicture& p, int bits) {
  const int stride = strideOf(bits, p.width);
  for (int y = p.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(std::size_t(stride), 0);
    for (int x = 0; x < p.width; ++x) {
      const std::uint8_t index = p.indices[std::size_t(y) * std::size_t(p.width) + std::size_t(x)];
      if (bits == 8) {
        row[std::size_t(x)] = index;
      } else {
        row[std::size_t(x / 2)] |= std::uint8_t((x % 2 == 0) ? index << 4 : index);
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
}

IndexedPicture indexedFor(const QImage& picture, PixelDepth depth, const std::vector<QRgb>& table) {
  if (depth == PixelDepth::Standard16) return toStandard16(picture);
  return table.empty() ? toTable256(picture) : toTable(picture, table);
}

}  // namespace

std::vector<std::uint8_t> bitmapFile(const QImage& picture, PixelDepth depth,
                                     const std::vector<QRgb>& table) {
  const int bits = static_cast<int>(depth);
  TDIB dib;
  if (bits <= 8) {
    const IndexedPicture indexed = indexedFor(picture, depth, table);
    TRGBQuads quads{};
    for (std::size_t i = 0; i < indexed.table.size(); ++i) {
      const QRgb c = indexed.table[i];
      quads[i] = {std::uint8_t(qBlue(c)), std::uint8_t(qGreen(c)), std::uint8_t(qRed(c)), 0};
    }
    dib.SetColorTable(quads);
    dib.SetSize(picture.width(), picture.height(), bits);
    for (int y = 0; y < indexed.height; ++y) {
      for (int x = 0; x < indexed.width; ++x) {
        dib.SetPixels(
            x, y, indexed.indices[std::size_t(y) * std::size_t(indexed.width) + std::size_t(x)]);
      }
    }
  } else {
    dib.SetSize(picture.width(), picture.height(), bits);
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) dib.SetPixels(x, y, picture.pixel(x, y) & 0xFFFFFF);
    }
  }
  TMemoryStream stream;
  dib.SaveToStream(stream);
  return stream.Bytes();
}

QImage reducedPicture(const QImage& picture, PixelDepth depth, const std::vector<QRgb>& table) {
  if (depth == PixelDepth::True24) return picture.convertToFormat(QImage::Format_RGB32);
  const IndexedPicture indexed = indexedFor(picture, depth, table);
  QImage out(indexed.width, indexed.height, QImage::Format_RGB32);
  for (int y = 0; y < indexed.height; ++y) {
    for (int x = 0; x < indexed.width; ++x) {
      out.setPixel(x, y, indexed.table[indexed.indices[std::size_t(y * indexed.width + x)]]);
    }
  }
  return out;
}

std::vector<QRgb> tableOf(const QImage& picture) {
  return toTable256(picture).table;
}

std::vector<std::uint8_t> iconFile(const std::vector<QImage>& sizes) {
  std::vector<std::vector<std::uint8_t>> images;
  for (const QImage& image : sizes) {
    const int w = image.width();
    const int h = image.height();
    QImage opaque(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const QRgb c = image.pixel(x, y);
        opaque.setPixel(x, y, qAlpha(c) == 0 ? qRgb(0, 0, 0) : (c | 0xFF000000u));
      }
    }
    const IndexedPicture indexed = toStandard16(opaque);
    const int xorStride = strideOf(4, w);
    const int andStride = strideOf(1, w);
    std::vector<std::uint8_t> bytes;
    putInfoHeader(bytes, w, h * 2, 4, std::uint32_t((xorStride + andStride) * h));
    putTable(bytes, indexed.table);
    putIndexedRows(bytes, indexed, 4);
    for (int y = h - 1; y >= 0; --y) {
      std::vector<std::uint8_t> row(std::size_t(andStride), 0);
      for (int x = 0; x < w; ++x) {
        if (qAlpha(image.pixel(x, y)) == 0)
          row[std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
      }
      bytes.insert(bytes.end(), row.begin(), row.end());
    }
    images.push_back(std::move(bytes));
  }

  std::vector<std::uint8_t> out;
  put16(out, 0);
  put16(out, 1);
  put16(out, std::uint32_t(sizes.size()));
  std::uint32_t offset = 6 + 16 * std::uint32_t(sizes.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    out.push_back(std::uint8_t(sizes[i].width()));
    out.push_back(std::uint8_t(sizes[i].height()));
    out.push_back(16);  // colours
    out.push_back(0);
    put16(out, 1);
    put16(out, 4);
    put32(out, std::uint32_t(images[i].size()));
    put32(out, offset);
    offset += std::uint32_t(images[i].size());
  }
  for (const auto& bytes : images) out.insert(out.end(), bytes.begin(), bytes.end());
  return out;
}

std::vector<std::uint8_t> jpegFile(const QImage& picture, int quality) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jerr.error_exit = [](j_common_ptr) { throw std::runtime_error("JPEG encoding failed"); };
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(picture.width());
  cinfo.image_height = JDIMENSION(picture.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.dct_method = JDCT_ISLOW;  // the exact integer transform: same bytes on every CPU
  cinfo.optimize_coding = TRUE;
  // Full-resolution colour keeps the thin letters of the logos clean.
  for (int i = 0; i < cinfo.num_components; ++i) {
    cinfo.comp_info[i].h_samp_factor = 1;
    cinfo.comp_info[i].v_samp_factor = 1;
  }
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(std::size_t(picture.width()) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = int(cinfo.next_scanline);
    for (int x = 0; x < picture.width(); ++x) {
      const QRgb c = picture.pixel(x, y);
      row[std::size_t(x) * 3 + 0] = std::uint8_t(qRed(c));
      row[std::size_t(x) * 3 + 1] = std::uint8_t(qGreen(c));
      row[std::size_t(x) * 3 + 2] = std::uint8_t(qBlue(c));
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<std::uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

}  // namespace art
