// Paints every picture of the program and writes them under the given assets
// folder. The output is the same, byte for byte, on every run.

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstring>

#include "tools/assetgen/art_common.h"
#include "tools/assetgen/bitmap_files.h"
#include "tools/assetgen/catalogue_art.h"
#include "tools/assetgen/pictures.h"

namespace {

bool writeBytes(const QString& path, const std::vector<std::uint8_t>& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const auto size = static_cast<qint64>(bytes.size());
  return file.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
}

bool writePng(const QString& path, const QImage& image) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  return image.save(&buffer, "PNG") &&
         writeBytes(path, std::vector<std::uint8_t>(png.begin(), png.end()));
}

int usage() {
  std::fprintf(stderr,
               "usage: assetgen <outdir> [--contact-sheet file.png] [--track-mosaic file.png] "
               "[--screen-preview file.png]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  QString outDir, contactSheetPath, mosaicPath, previewPath;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--contact-sheet") == 0 && hasValue) {
      contactSheetPath = QString::fromLocal8Bit(argv[++i]);
    } else if (std::strcmp(argv[i], "--track-mosaic") == 0 && hasValue) {
      mosaicPath = QString::fromLocal8Bit(argv[++i]);
    } else if (std::strcmp(argv[i], "--screen-preview") == 0 && hasValue) {
      previewPath = QString::fromLocal8Bit(argv[++i]);
    } else if (argv[i][0] != '-' && outDir.isEmpty()) {
      outDir = QString::fromLocal8Bit(argv[i]);
    } else {
      return usage();
    }
  }
  if (outDir.isEmpty()) return usage();

  art::loadFonts();
  const QDir root(outDir);
  for (const char* sub : {"pictures", "logos", "faces", "icons"}) {
    if (!root.mkpath(QString::fromLatin1(sub))) {
      std::fprintf(stderr, "assetgen: cannot create %s/%s\n", qPrintable(outDir), sub);
      return 1;
    }
  }

  bool ok = true;
  const std::vector<art::CataloguePicture> pictures = art::paintCatalogue();
  for (const auto& picture : pictures) {
    ok &= writeBytes(root.filePath(QStringLiteral("pictures/") + picture.file),
                     art::bitmapFile(picture.painted, picture.depth));
  }
  const QImage makerLogo = art::paintMakerLogo();
  const QImage partnerLogo = art::paintPartnerLogo();
  ok &= writeBytes(root.filePath(QStringLiteral("logos/velnar.jpg")), art::jpegFile(makerLogo, 92));
  ok &= writeBytes(root.filePath(QStringLiteral("logos/partner.jpg")),
                   art::jpegFile(partnerLogo, 92));
  const std::vector<QImage> smile = {art::paintFace(true, 32), art::paintFace(true, 16)};
  const std::vector<QImage> sad = {art::paintFace(false, 32), art::paintFace(false, 16)};
  ok &= writeBytes(root.filePath(QStringLiteral("faces/smile.ico")), art::iconFile(smile));
  ok &= writeBytes(root.filePath(QStringLiteral("faces/sad.ico")), art::iconFile(sad));
  // 192 and 512 are the sizes a browser asks of a web app's icons.
  for (int size : {16, 24, 32, 48, 64, 128, 192, 256, 512})
    ok &= writePng(root.filePath(QStringLiteral("icons/velnar-%1.png").arg(size)),
                   art::paintAppIcon(size));
  // Phones cut a web app's home screen icon to a shape of their own, at the
  // smallest the circle 80% of the side across: the square all in the page's
  // blue, and the icon just small enough for its rounded tile to stay inside.
  QImage maskable(512, 512, QImage::Format_RGB32);
  maskable.fill(QColor(0x3a, 0x6e, 0xa5));
  {
    const int inner = 348;
    QPainter p(&maskable);
    p.drawImage((512 - inner) / 2, (512 - inner) / 2, art::paintAppIcon(inner));
  }
  ok &= writePng(root.filePath(QStringLiteral("icons/velnar-maskable-512.png")), maskable);
  if (!ok) {
    std::fprintf(stderr, "assetgen: cannot write into %s\n", qPrintable(outDir));
    return 1;
  }

  if (!contactSheetPath.isEmpty()) {
    const std::vector<QImage> extras = {makerLogo, partnerLogo, smile[0], smile[1], sad[0], sad[1]};
    if (!art::contactSheet(pictures, extras).save(contactSheetPath, "PNG")) return 1;
  }
  if (!mosaicPath.isEmpty()) {
    if (!art::trackMosaic(pictures[3].reduced).save(mosaicPath, "PNG")) return 1;
  }
  if (!previewPath.isEmpty()) {
    if (!art::screenPreview(pictures).save(previewPath, "PNG")) return 1;
  }
  return 0;
}
