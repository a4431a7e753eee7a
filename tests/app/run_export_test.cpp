#include "app/run_export.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "app/catalogue_translator.h"
#include "tests/common/test_app.h"

namespace {

// About 40 s of run: under the file buffer's 16 KiB, so a buffered write
// meets the disk only when it is flushed.
std::string RunCsvOf12KiB() {
  std::string csv = "t [s],s [m],Rx [m],Ry [m],|R| [m],v [m/s],vx [m/s],vy [m/s]\n";
  for (int t = 0; csv.size() < 12000; ++t)
    csv +=
        std::to_string(t) + "," + std::to_string(t * 7.25) + ",-12.5,40.125,42.0,7.25,1.5,-7.0\n";
  return csv;
}

std::string ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<unreadable>";
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray OldRun() {
  QByteArray bytes;
  for (int i = 0; i < 5000; ++i) bytes += char('0' + i % 10);
  return bytes;
}

// A small file system of its own, mounted over a temporary folder for the
// test's length.
class Tmpfs {
 public:
  explicit Tmpfs(const char* options, unsigned long flags = 0) {
    if (dir_.isValid() &&
        ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", flags, options) == 0)
      mounted_ = true;
    else
      error_ = std::strerror(errno);
  }
  ~Tmpfs() {
    if (mounted_) ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  const std::string& Error() const { return error_; }
  QString Path(const QString& name) const { return dir_.filePath(name); }
  QStringList Files() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden); }

 private:
  QTemporaryDir dir_;
  bool mounted_ = false;
  std::string error_;
};

// Root passes every permission check; for the length of this object the
// calling thread (the one that saves) does without that power, as a pupil's
// account would.
class WithoutRootsPermissionBypass {
 public:
  WithoutRootsPermissionBypass() {
    ::syscall(SYS_capget, &header_, saved_);
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    ::syscall(SYS_capset, &header_, reduced);
  }
  ~WithoutRootsPermissionBypass() { ::syscall(SYS_capset, &header_, saved_); }

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2] = {};
};

// Types a name into the file dialog (or pastes a long one) and presses
// Enter, as a pupil does.
void TypeName(QFileDialog* dialog, const QString& name) {
  auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(edit, nullptr);
  // Offscreen, no window becomes active by itself; a pupil's typing goes to
  // the focused line edit of the active dialog.
  QApplication::setActiveWindow(dialog);
  edit->setFocus();
  ASSERT_TRUE(edit->hasFocus());
  edit->selectAll();
  if (name.size() < 100) {
    QTest::keyClicks(edit, name);
  } else {
    QGuiApplication::clipboard()->setText(name);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(edit->text(), name);
  }
  QTest::keyClick(edit, Qt::Key_Return);
}

// Chooses the file dialog's filter as a pupil does, from its list.
void ChooseFilter(QFileDialog* dialog, const QString& filter) {
  auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  ASSERT_NE(types, nullptr);
  types->setFocus();
  while (types->currentText() != filter && types->currentIndex() + 1 < types->count())
    QTest::keyClick(types, Qt::Key_Down);
  ASSERT_EQ(types->currentText(), filter);
}

std::string Write(const QString& path, const QByteArray& bytes) {
  return WriteFileSafely(path, bytes).toStdString();
}

std::string Names(const QStringList& names) {
  return names.join(' ').toStdString();
}

QImage Picture() {
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(Qt::darkGreen);
  return image;
}

class RunExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A window left open by a failed expectation would stop the test for good.
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
      while (QWidget* modal = QApplication::activeModalWidget()) {
        ADD_FAILURE() << "still open: " << modal->windowTitle().toStdString();
        modal->close();
      }
    });
    watchdog.start(20000);
  }

  // Acts on the modal window of type W once it shows. Checked from the event
  // loop, so it runs inside the nested loop of whatever opened the window.
  template <class W>
  void WhenShown(std::function<void(W*)> act) {
    auto* timer = new QTimer(&pending);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
      auto* window = qobject_cast<W*>(QApplication::activeModalWidget());
      if (!window || !window->isVisible()) return;
      timer->stop();
      timer->deleteLater();
      act(window);
    });
    timer->start(5);
  }

  TApplication& app = TestApp();  // before any widget
  QTimer watchdog;
  QObject pending;
  QTemporaryDir dir;
  std::function<std::string()> csv = [] { return RunCsvOf12KiB(); };
  std::function<QImage()> picture = Picture;
};

TEST_F(RunExportTest, AFailedWriteLeavesTheOldFileAsItWasAndSaysWhy) {
  const QByteArray csv = QByteArray::fromStdString(RunCsvOf12KiB());
  ASSERT_LT(csv.size(), 16 * 1024);

  // Past the file-size limit (ulimit -f 8). Were the signal not ignored as
  // the program ignores it, it would end this test program here.
  SurviveFileSizeLimit();
  const QString limited = dir.filePath("run.csv");
  WriteAll(limited, OldRun());
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 8192;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string reason = Write(limited, csv);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
  EXPECT_EQ(reason, "Plik przekroczyłby dozwolony rozmiar plików.");
  EXPECT_EQ(ReadAll(limited), OldRun().toStdString());
  EXPECT_EQ(Names(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden)), "run.csv");

  // On a full disk.
  Tmpfs disk("size=64k,mode=0777");
  if (!disk.Mounted()) GTEST_SKIP() << "no tmpfs could be mounted here: " << disk.Error();
  const QString old = disk.Path("run.csv");
  WriteAll(old, OldRun());
  {
    // Filled to one free page: the new file's first 4 KiB still fit.
    QFile filler(disk.Path("filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray page(4096, 'f');
    while (filler.write(page) == page.size()) {
    }
    ASSERT_TRUE(filler.resize(filler.size() - page.size()));
  }
  EXPECT_EQ(Write(old, csv), "Na dysku zabrakło miejsca.");
  EXPECT_EQ(ReadAll(old), OldRun().toStdString());
  EXPECT_EQ(Names(disk.Files()), "filler run.csv");
}

TEST_F(RunExportTest, EachFailureSaysWhatStoodInTheWay) {
  const QByteArray bytes("t [s],s [m]\n0,0\n");
  EXPECT_EQ(Write(dir.path(), bytes), "Pod tą nazwą jest już folder.");
  EXPECT_EQ(Write(dir.filePath("brak/run.csv"), bytes), "Folder podany w ścieżce nie istnieje.");
  EXPECT_EQ(Write(dir.filePath(QString(300, 'a') + ".csv"), bytes),
            "Nazwa pliku lub ścieżka jest za długa.");

  const QString locked = dir.filePath("zamkniety");
  ASSERT_TRUE(QDir().mkdir(locked));
  ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0555), 0);
  {
    WithoutRootsPermissionBypass asAPupil;
    ASSERT_FALSE(QFile(locked + "/probe").open(QIODevice::WriteOnly))
        << "the folder is writable all the same: the check below would prove nothing";
    EXPECT_EQ(Write(locked + "/run.csv", bytes), "Brak uprawnień do zapisu w tym miejscu.");
  }
  EXPECT_TRUE(QDir(locked).isEmpty());

  // A path of over 4,400 characters: the box says why and names the file, with
  // the path shortened rather than spelt out.
  QString deep = dir.path();
  while (deep.size() < 4400) deep += "/" + QString(60, 'k');
  deep += "/run.csv";
  QString shown;
  WhenShown<QFileDialog>([&](QFileDialog* dialog) {
    WhenShown<QMessageBox>([&](QMessageBox* box) {
      shown = box->text();
      box->button(QMessageBox::Ok)->click();
    });
    TypeName(dialog, deep);
  });
  EXPECT_FALSE(SaveRunFiles(nullptr, csv, picture));
  EXPECT_TRUE(shown.contains("Nazwa pliku lub ścieżka jest za długa.")) << shown.toStdString();
  EXPECT_TRUE(shown.contains("run.csv")) << shown.toStdString();
  EXPECT_LT(shown.size(), 200) << shown.toStdString();

  Tmpfs readOnly("size=64k", MS_RDONLY);
  if (!readOnly.Mounted()) GTEST_SKIP() << "no tmpfs could be mounted here: " << readOnly.Error();
  EXPECT_EQ(Write(readOnly.Path("run.csv"), bytes), "Dysk jest tylko do odczytu.");
}

TEST_F(RunExportTest, ANameTypedWithoutExtensionIsAskedAboutBeforeOverwriting) {
  const QString existing = dir.filePath("x.csv");
  WriteAll(existing, OldRun());

  bool stayedOpen = false;
  QString question;
  WhenShown<QFileDialog>([&](QFileDialog* dialog) {
    WhenShown<QMessageBox>([&](QMessageBox* box) {
      question = box->text();
      box->button(QMessageBox::No)->click();
    });
    TypeName(dialog, dir.filePath("x"));
    stayedOpen = dialog->isVisible();
    EXPECT_EQ(ReadAll(existing), OldRun().toStdString()) << "replaced before the answer";
    WhenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    TypeName(dialog, dir.filePath("x"));
  });
  ASSERT_TRUE(SaveRunFiles(nullptr, csv, picture));
  EXPECT_TRUE(question.contains("x.csv")) << "asked: " << question.toStdString();
  EXPECT_TRUE(stayedOpen) << "the dialog closed on No";
  EXPECT_EQ(ReadAll(existing), RunCsvOf12KiB());

  // With the picture's filter chosen a bare name becomes a PNG.
  WhenShown<QFileDialog>([&](QFileDialog* dialog) {
    ChooseFilter(dialog, "Obraz PNG (*.png)");
    TypeName(dialog, dir.filePath("y"));
  });
  ASSERT_TRUE(SaveRunFiles(nullptr, csv, picture));
  EXPECT_EQ(ReadAll(dir.filePath("y.png")).substr(0, 4), "\x89PNG");
  EXPECT_EQ(Names(QDir(dir.path()).entryList(QDir::Files)), "x.csv y.png");
}

TEST_F(RunExportTest, TheFileDialogSpeaksPolish) {
  const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  ASSERT_TRUE(QFile::exists(translations + "/qtbase_pl.qm"))
      << "Qt's Polish texts are not installed in " << translations.toStdString()
      << " (package qt6-translations-l10n)";
  ASSERT_TRUE(UseLanguage(lesson::Language::Polish));

  QString accept;
  QString cancel;
  QStringList menu;
  WhenShown<QFileDialog>([&](QFileDialog* dialog) {
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    for (QAbstractButton* button : buttons->buttons())
      (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole ? accept : cancel) =
          button->text();
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    std::unique_ptr<QMenu> context(edit->createStandardContextMenu());
    for (QAction* action : context->actions()) menu << action->text();
    dialog->reject();
  });
  EXPECT_FALSE(SaveRunFiles(nullptr, csv, picture));
  EXPECT_EQ(accept.remove('&').toStdString(), "Zapisz");
  EXPECT_EQ(cancel.remove('&').toStdString(), "Anuluj");
  EXPECT_TRUE(menu.join('|').remove('&').contains("Wklej")) << menu.join('|').toStdString();
}

}  // namespace
