// Paints every picture of the program and writes them under the given assets
// folder. The output is the same, byte for byte, on every run.
//
// The pictures are painted with their words in Polish; for each other
// language only the rectangles where its words differ are written, under
// pictures/<language>/ as <picture>-<x>-<y>.bmp, and the partner's logo whole
// under logos/<language>/.

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

// "preview.png" and "en" give "preview-en.png".
QString languagePath(const QString& path, const char* code) {
  const int dot = path.lastIndexOf(QLatin1Char('.'));
  const QString stem = dot > path.lastIndexOf(QLatin1Char('/')) ? path.left(dot) : path;
  return stem + QLatin1Char('-') + QString::fromLatin1(code) + path.mid(stem.size());
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
  const std::vector<art::CataloguePicture> pictures = art::paintCatalogue(lesson::Language::Polish);
  for (const auto& picture : pictures) {
    ok &= writeBytes(root.filePath(QStringLiteral("pictures/") + picture.file),
                     art::bitmapFile(picture.painted, picture.depth));
  }
  const QImage makerLogo = art::paintMakerLogo();
  const QImage partnerLogo = art::paintPartnerLogo(lesson::Language::Polish);
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

  const auto previews = [&](const std::vector<art::CataloguePicture>& shown, const QImage& partner,
                            lesson::Language language, const char* suffix) {
    const auto path = [&](const QString& given) {
      return suffix ? languagePath(given, suffix) : given;
    };
    bool saved = true;
    if (!contactSheetPath.isEmpty()) {
      const std::vector<QImage> extras = {makerLogo, partner, smile[0], smile[1], sad[0], sad[1]};
      saved &= art::contactSheet(shown, extras).save(path(contactSheetPath), "PNG");
    }
    if (!mosaicPath.isEmpty())
      saved &= art::trackMosaic(shown[3].reduced).save(path(mosaicPath), "PNG");
    if (!previewPath.isEmpty())
      saved &= art::screenPreview(shown, language).save(path(previewPath), "PNG");
    return saved;
  };
  bool previewed = previews(pictures, partnerLogo, lesson::Language::Polish, nullptr);

  for (const lesson::LanguageInfo& info : lesson::kLanguages) {
    if (info.Id == lesson::Language::Polish) continue;
    const QString code = QString::fromLatin1(info.Code);
    const QString pictureDir = QStringLiteral("pictures/") + code;
    const QString logoDir = QStringLiteral("logos/") + code;
    if (!root.mkpath(pictureDir) || !root.mkpath(logoDir)) {
      ok = false;
      break;
    }
    std::vector<art::CataloguePicture> translated = art::paintCatalogue(info.Id);
    for (const art::PicturePatch& patch : art::patchesFor(pictures, translated)) {
      QString stem = pictures[patch.picture].file;
      stem.chop(4);  // ".bmp"
      ok &= writeBytes(
          root.filePath(
              QStringLiteral("%1/%2-%3-%4.bmp").arg(pictureDir, stem).arg(patch.x).arg(patch.y)),
          patch.file);
    }
    const QImage partner = art::paintPartnerLogo(info.Id);
    ok &= writeBytes(root.filePath(logoDir + QStringLiteral("/partner.jpg")),
                     art::jpegFile(partner, 92));
    previewed &= previews(translated, partner, info.Id, info.Code);
  }
  if (!ok) {
    std::fprintf(stderr, "assetgen: cannot write into %s\n", qPrintable(outDir));
    return 1;
  }
  return previewed ? 0 : 1;
}
