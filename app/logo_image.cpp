#include "app/logo_image.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include "app/jpeg_decode.h"
#include "lesson/catalogue.h"
#include "sim/embedded_assets.h"

QPixmap JpegPixmap(std::span<const std::uint8_t> jpeg) {
  const RgbPicture picture = DecodeJpeg(jpeg);
  if (picture.Empty()) return QPixmap();
  const QImage image(picture.Rgb.data(), picture.Width, picture.Height, picture.Width * 3,
                     QImage::Format_RGB888);
  return QPixmap::fromImage(image);  // copies, so the buffer may go
}

QPixmap IconPixmap(std::span<const std::uint8_t> ico, int size) {
  QByteArray bytes(reinterpret_cast<const char*>(ico.data()), static_cast<qsizetype>(ico.size()));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "ico");
  QImage best;
  do {
    const QImage image = reader.read();
    if (image.isNull()) break;
    if (image.width() == size && image.height() == size) return QPixmap::fromImage(image);
    if (best.isNull()) best = image;
  } while (reader.jumpToNextImage());
  if (best.isNull()) return QPixmap();
  return QPixmap::fromImage(best.scaled(size, size));
}

QPixmap MakerLogo() {
  return JpegPixmap(EmbeddedMakerLogo());
}

QPixmap PartnerLogo() {
  // Its mark carries words, painted in each language.
  return JpegPixmap(EmbeddedPartnerLogo(lesson::Info(lesson::CurrentLanguage()).Code));
}

QPixmap SmileFace() {
  return IconPixmap(EmbeddedSmileIcon(), 32);
}

QPixmap SadFace() {
  return IconPixmap(EmbeddedSadIcon(), 32);
}
