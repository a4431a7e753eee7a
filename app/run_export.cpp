#include "app/run_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>
#include <QStandardPaths>
#include <cerrno>
#include <csignal>

#include "app/catalogue_translator.h"
#include "app/widget_support.h"
#include "lesson/run_window_model.h"

namespace {

QString DialogTitle() {
  return Qs(lesson::Tr("Zapisz przebieg jazdy"));
}
QString CsvFilter() {
  return Qs(lesson::Tr("Dane CSV (*.csv)"));
}
QString PngFilter() {
  return Qs(lesson::Tr("Obraz PNG (*.png)"));
}

QString Reason(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return Qs(lesson::Tr("Na dysku zabrakło miejsca."));
    case EFBIG:
      return Qs(lesson::Tr("Plik przekroczyłby dozwolony rozmiar plików."));
    case EACCES:
    case EPERM:
      return Qs(lesson::Tr("Brak uprawnień do zapisu w tym miejscu."));
    case EROFS:
      return Qs(lesson::Tr("Dysk jest tylko do odczytu."));
    case EISDIR:
      return Qs(lesson::Tr("Pod tą nazwą jest już folder."));
    case ENOENT:
      return Qs(lesson::Tr("Folder podany w ścieżce nie istnieje."));
    case ENOTDIR:
      return Qs(lesson::Tr("Jedna z nazw w ścieżce nie jest folderem."));
    case ENAMETOOLONG:
      return Qs(lesson::Tr("Nazwa pliku lub ścieżka jest za długa."));
    default:
      return Qs(lesson::Tr("Wystąpił błąd zapisu na dysku."));
  }
}

// QSaveFile refuses some paths on its own checks (a directory, an existing
// file it may not write), with no system call failing and so no errno. Asking
// the system about the path then tells what stood in the way; with the
// effective ids, as the write itself had them.
bool Writable(const QByteArray& path) {
  return ::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) == 0;
}

int ProbeWhatFailed(const QString& path) {
  const QByteArray file = QFile::encodeName(path);
  struct stat info;
  if (::stat(file.constData(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return EISDIR;
    if (!Writable(file)) return errno;
  } else if (errno == ENAMETOOLONG || errno == ENOTDIR) {
    return errno;
  }
  const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
  if (!Writable(folder)) return errno;
  return 0;
}

// The error of the step that just failed: its errno when a system call set
// one, else what the system says about the path.
int WhatFailed(int errorOfStep, const QString& path) {
  return errorOfStep != 0 ? errorOfStep : ProbeWhatFailed(path);
}

void ShowSaveError(QWidget* parent, const QString& path, const QString& reason) {
  QMessageBox box(parent);
  box.setIcon(QMessageBox::Warning);
  box.setWindowTitle(parent ? parent->window()->windowTitle() : DialogTitle());
  box.setStandardButtons(QMessageBox::Ok);
  // A path may hold '<' and must not be read as rich text; a long one is
  // shortened in the middle, keeping where it starts and the file's name, so
  // the box stays the size of a message.
  box.setTextFormat(Qt::PlainText);
  const QString shown = box.fontMetrics().elidedText(path, Qt::ElideMiddle,
                                                     box.fontMetrics().averageCharWidth() * 60);
  if (shown != path) box.setDetailedText(path);
  box.setText(Qs(lesson::Tr("Nie udało się zapisać pliku\n%1\n\n%2")).arg(shown, reason));
  RunModal(box);
}

}  // namespace

QString DefaultRunFilePath(const QDateTime& now) {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
  const QDate d = now.date();
  const QTime t = now.time();
  return QDir(folder).filePath(QString::fromStdString(
      RunFileName({d.year(), d.month(), d.day(), t.hour(), t.minute()}, "csv")));
}

QString WriteFileSafely(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  errno = 0;
  if (!file.open(QIODevice::WriteOnly)) return Reason(WhatFailed(errno, path));
  // The file is written through a buffer, so a file smaller than the buffer
  // meets the disk only when it is flushed. commit() flushes it last, and when
  // that flush fails (a full disk, the size limit) it still renames the short
  // temporary file over the old one and reports success. Flushing here first
  // sees the failure while the old file is untouched.
  errno = 0;
  if (file.write(bytes) != bytes.size() || !file.flush()) {
    const int error = WhatFailed(errno, path);
    file.cancelWriting();  // the temporary file goes with the object
    return Reason(error);
  }
  errno = 0;
  if (!file.commit()) return Reason(WhatFailed(errno, path));
  return {};
}

void SurviveFileSizeLimit() {
  std::signal(SIGXFSZ, SIG_IGN);
}

bool SaveRunFiles(QWidget* parent, const std::function<std::string()>& csv,
                  const std::function<QImage()>& picture) {
  QFileDialog dialog(parent, DialogTitle());
  // Qt's own dialog, the same on every desktop and in the program's language.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // Qt's Polish reads "Zachowaj"; the program's own button says "Zapisz...",
  // and so in every language.
  dialog.setLabelText(QFileDialog::Accept, Qs(lesson::Tr("&Zapisz")));
  dialog.setNameFilters({CsvFilter(), PngFilter()});
  // The dialog adds its default suffix to a bare name before it asks about
  // overwriting, so "x" is checked as the x.csv it becomes.
  dialog.setDefaultSuffix(QStringLiteral("csv"));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
    dialog.setDefaultSuffix(f == PngFilter() ? QStringLiteral("png") : QStringLiteral("csv"));
  });
  const QFileInfo start(DefaultRunFilePath(QDateTime::currentDateTime()));
  dialog.setDirectory(start.absolutePath());
  dialog.selectFile(start.fileName());
  if (RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;

  // The name stays as the dialog confirmed it: anything added now would name
  // a file nobody was asked about.
  const QString path = dialog.selectedFiles().constFirst();
  const QString suffix = QFileInfo(path).suffix().toLower();
  const bool png = suffix == QLatin1String("png") ||
                   (suffix != QLatin1String("csv") && dialog.selectedNameFilter() == PngFilter());
  QByteArray bytes;
  if (png) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture().save(&buffer, "PNG")) {
      ShowSaveError(parent, path, Qs(lesson::Tr("Nie udało się przygotować obrazu.")));
      return false;
    }
  } else {
    const std::string text = csv();
    bytes = QByteArray(text.data(), static_cast<qsizetype>(text.size()));
  }
  const QString reason = WriteFileSafely(path, bytes);
  if (!reason.isEmpty()) {
    ShowSaveError(parent, path, reason);
    return false;
  }
  return true;
}
