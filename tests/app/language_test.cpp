// The desktop program in each of its languages: the system's language at
// start, the switch on the start window, no Polish word left in another
// language, nothing cut off, the same judgement everywhere, and the figures
// read aloud.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <clocale>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "app/about_box.h"
#include "app/catalogue_translator.h"
#include "app/read_aloud.h"
#include "app/run_chart.h"
#include "app/run_window.h"
#include "app/startowe_form.h"
#include "app/task_dialog.h"
#include "tests/common/scripted_drive.h"
#include "tests/common/test_app.h"

namespace {

using lesson::Language;

// Settings of this test only, in a folder that goes with it.
class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(settingsDir.isValid());
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
      QSettings::setPath(format, QSettings::UserScope, settingsDir.path());
    QSettings(QStringLiteral("Velnar"), QStringLiteral("Velnar")).clear();
  }
  void TearDown() override { UseLanguage(Language::Polish); }

  TApplication& app = TestApp();  // before any widget
  RecordingShell shell;
  QTemporaryDir settingsDir;
};

// The Polish texts that read differently in the language: any of them shown
// is a word left untranslated.
std::set<QString> PolishWords(Language language) {
  std::set<QString> words;
  for (const lesson::PoMessage& m : lesson::ParsePo(lesson::EmbeddedCatalogue(language)).Messages)
    if (!m.Translations.empty() && m.Translations.front() != m.Source)
      words.insert(QString::fromStdString(m.Source));
  return words;
}

// Every text the window and its widgets show or say.
std::vector<std::pair<QString, QString>> TextsOf(QWidget& window) {
  std::vector<std::pair<QString, QString>> texts;
  QList<QWidget*> widgets = window.findChildren<QWidget*>();
  widgets.prepend(&window);
  for (QWidget* w : widgets) {
    const QString who = w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName();
    auto add = [&](const QString& text) {
      if (!text.isEmpty()) texts.emplace_back(who, text);
    };
    if (w->isWindow()) add(w->windowTitle());
    add(w->toolTip());
    add(w->accessibleName());
    add(w->accessibleDescription());
    if (QAccessibleInterface* node = QAccessible::queryAccessibleInterface(w))
      add(node->text(QAccessible::Name));
    if (auto* label = qobject_cast<QLabel*>(w)) add(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w)) add(button->text());
    if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) add(memo->toPlainText());
    if (auto* box = qobject_cast<QComboBox*>(w))
      for (int i = 0; i < box->count(); ++i) add(box->itemText(i));
  }
  return texts;
}

std::string PolishLeftIn(QWidget& window, const std::set<QString>& polish) {
  QStringList found;
  for (const auto& [who, text] : TextsOf(window))
    if (polish.contains(text)) found << who + ": " + text;
  return found.join("; ").toStdString();
}

bool Control(const QWidget* w) {
  return qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w) ||
         qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w);
}

// The shown labels and buttons whose words do not fit them, controls laid
// over each other, and a task text that wraps (its box shows no more lines
// than the task has).
std::string CutOff(QWidget& window) {
  QStringList cut;
  const QList<QWidget*> children = window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (qsizetype i = 0; i < children.size(); ++i)
    for (qsizetype j = i + 1; j < children.size(); ++j)
      if (Control(children[i]) && Control(children[j]) && children[i]->isVisibleTo(&window) &&
          children[j]->isVisibleTo(&window) &&
          children[i]->geometry().intersects(children[j]->geometry()))
        cut << children[i]->objectName() + " over " + children[j]->objectName();
  for (QWidget* w : window.findChildren<QWidget*>()) {
    if (!w->isVisibleTo(&window)) continue;
    QString text;
    int room = w->width();
    if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap()) text = label->text();
    if (auto* button = qobject_cast<QPushButton*>(w)) {
      text = button->text();
      room -= 6;  // the button's frame
    }
    if (text.contains('<')) continue;  // rich text sizes itself
    if (!text.isEmpty() && w->fontMetrics().horizontalAdvance(text.remove('&')) > room)
      cut << w->objectName() + ": " + text;
    if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) {
      for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next())
        if (block.layout()->lineCount() > 1) cut << w->objectName() + " wraps: " + block.text();
    }
  }
  return cut.join("; ").toStdString();
}

void CheckBoth(TOKBottomDlg1& task, const char* speed, const char* velocity) {
  for (auto [field, button, text] : {std::tuple{task.Edit1, task.Button1, speed},
                                     std::tuple{task.Edit2, task.Button2, velocity}}) {
    field->clear();
    QTest::keyClicks(field, text);
    QTest::mouseClick(button, Qt::LeftButton);
  }
}

// Run by ctest under LANG and LANGUAGE of English and of Ukrainian systems
// (VELNAR_TEST_LANGUAGE names the language they should give).
TEST_F(LanguageTest, TheSystemsLanguageLeavesNoPolishWord) {
  const char* expected = std::getenv("VELNAR_TEST_LANGUAGE");
  if (!expected) GTEST_SKIP() << "run by ctest under an English and a Ukrainian locale";
  ASSERT_NE(std::setlocale(LC_ALL, ""), nullptr)
      << "the locale " << std::getenv("LANG") << " is not installed (scripts/setup-deps)";
  const Language language = lesson::LanguageFromTag(expected).value_or(Language::Polish);
  ASSERT_NE(language, Language::Polish);
  ASSERT_EQ(StartLanguage(), language);
  UseLanguage(StartLanguage());
  const std::set<QString> polish = PolishWords(language);
  ASSERT_GT(polish.size(), 50u);

  TComponent simulations;
  TStartowe1Form1 start{&simulations};
  start.show();
  EXPECT_EQ(PolishLeftIn(start, polish), "") << "the start window";
  EXPECT_EQ(start.LanguageBox->currentText().toStdString(), lesson::Info(language).NativeName);

  TAboutBox about;
  about.show();
  EXPECT_EQ(PolishLeftIn(about, polish), "") << "the About box";

  // The task with both verdicts, so that the faces' names are there too.
  TOKBottomDlg1 task;
  task.Figures = [] { return RunFigures{.Distance = 121, .RLength = 50, .TimeCount = 10}; };
  task.show();
  CheckBoth(task, "12", "7");
  ASSERT_TRUE(task.BothAnswersChecked());
  EXPECT_EQ(PolishLeftIn(task, polish), "") << "the task";
  CheckBoth(task, "1.2.3", "");
  EXPECT_EQ(shell.Messages,
            std::vector<std::string>{lesson::TrIn(language, "", "Błędnie podana liczba.")});

  ScriptedDrive drive;
  drive.Frames(120, TDXInputStates{isUp});
  drive.Stop();
  TRunWindow run(drive.Recording, FiguresOf(drive.Car), true);
  run.show();
  EXPECT_EQ(PolishLeftIn(run, polish), "") << "the run window";
}

TEST_F(LanguageTest, TheSwitchRetranslatesEveryWindowAndIsRemembered) {
  ASSERT_TRUE(QFile::exists(QtTranslationFile(Language::Ukrainian)))
      << "Qt's own texts are not installed (qt6-translations-l10n)";
  UseLanguage(Language::Polish);
  TComponent simulations;
  TStartowe1Form1 start{&simulations};
  TAboutBox about;
  TOKBottomDlg1 task;
  start.show();
  about.show();
  task.show();
  ASSERT_EQ(start.Button1->text().toStdString(), "Uruchom program");

  // Down the list, as the keyboard chooses: Polski, English, Українська.
  QTest::keyClick(start.LanguageBox, Qt::Key_Down);
  EXPECT_EQ(lesson::CurrentLanguage(), Language::English);
  EXPECT_EQ(start.Button1->text().toStdString(), "Start the program");
  EXPECT_EQ(about.BitBtn1->text().toStdString(), "Close");
  EXPECT_EQ(task.Button1->text().toStdString(), "Check");
  EXPECT_EQ(task.windowTitle().toStdString(), "Task");
  EXPECT_EQ(QLocale().decimalPoint().toStdString(), ".");
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(), "Cancel");
  EXPECT_EQ(RememberedLanguage(), Language::English);

  QTest::keyClick(start.LanguageBox, Qt::Key_Down);
  EXPECT_EQ(start.Button1->text().toStdString(), "Запустити програму");
  EXPECT_EQ(task.Memo1->accessibleName().toStdString(), "Умова завдання");
  EXPECT_EQ(QLocale().decimalPoint().toStdString(), ",");
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(), "Скасувати");
  EXPECT_EQ(QSettings(QStringLiteral("Velnar"), QStringLiteral("Velnar"))
                .value("language")
                .toString()
                .toStdString(),
            "uk");

  // The choice wins over the system's language at the next start.
  qputenv("LANGUAGE", "en");
  EXPECT_EQ(StartLanguage(), Language::Ukrainian);
  QSettings(QStringLiteral("Velnar"), QStringLiteral("Velnar")).clear();
  EXPECT_EQ(StartLanguage(), Language::English);
  qunsetenv("LANGUAGE");
}

TEST_F(LanguageTest, NothingIsCutOffInAnyLanguage) {
  ScriptedDrive drive;
  drive.Frames(120, TDXInputStates{isUp});
  drive.Stop();
  for (const lesson::LanguageInfo& info : lesson::kLanguages) {
    SCOPED_TRACE(info.Code);
    UseLanguage(info.Id);
    TComponent simulations;
    TStartowe1Form1 start{&simulations};
    TAboutBox about;
    TOKBottomDlg1 task;
    task.Figures = [] { return RunFigures{.Distance = 121, .RLength = 50, .TimeCount = 10}; };
    TRunWindow run(drive.Recording, FiguresOf(drive.Car), true);
    for (QWidget* window : std::initializer_list<QWidget*>{&start, &about, &task, &run}) {
      window->show();
      EXPECT_EQ(CutOff(*window), "") << window->windowTitle().toStdString();
      // What was laid out stays inside the window.
      for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->isVisibleTo(window) && w->parentWidget() == window) {
          EXPECT_TRUE(window->rect().contains(w->geometry()))
              << w->objectName().toStdString() << " outside "
              << window->windowTitle().toStdString();
        }
      }
    }
  }
}

// The same figures get the same verdicts at the edges of what is right, typed
// with a comma or a point, whatever the language.
TEST_F(LanguageTest, TheSameJudgementInEveryLanguage) {
  // s / t = 12.1 and |R| / t = 5: right within 12.0 ... 12.2 and 4.9 ... 5.1.
  const std::vector<std::pair<const char*, const char*>> answers = {
      {"12,0", "4,9"}, {"12.2", "5.1"}, {"11,99", "4.89"}, {"12.21", "5,11"}};
  std::vector<std::vector<bool>> verdicts;
  for (const lesson::LanguageInfo& info : lesson::kLanguages) {
    SCOPED_TRACE(info.Code);
    UseLanguage(info.Id);
    TOKBottomDlg1 task;
    task.Figures = [] { return RunFigures{.Distance = 121, .RLength = 50, .TimeCount = 10}; };
    task.show();
    const QImage smile = task.Image10->pixmap().toImage();
    std::vector<bool> given;
    for (const auto& [speed, velocity] : answers) {
      CheckBoth(task, speed, velocity);
      for (QLabel* face : {task.Image9, task.Image1}) {
        const bool right = face->pixmap().toImage().copy(smile.rect()) ==
                           smile.convertToFormat(face->pixmap().toImage().format());
        given.push_back(right);
        EXPECT_EQ(face->accessibleName().toStdString(),
                  lesson::TrIn(info.Id, "verdict", right ? "dobrze" : "źle"));
      }
    }
    verdicts.push_back(given);
  }
  EXPECT_TRUE(shell.Messages.empty());
  const std::vector<bool> expected = {true, true, true, true, false, false, false, false};
  for (const std::vector<bool>& given : verdicts) EXPECT_EQ(given, expected);
}

// What a screen reader reads of the announcer. (Qt hands its accessibility
// events to an update handler only while a platform bridge is active, which
// no test display here has: the announcer's name is what the events carry.)
std::string Heard(QWidget* announcer) {
  return QAccessible::queryAccessibleInterface(announcer)->text(QAccessible::Name).toStdString();
}

TEST_F(LanguageTest, TheFiguresAreReadAloudInTheLanguage) {
  RunFigures figures{.Distance = 107.84, .RLength = 20.05, .TimeCount = 15};
  const std::vector<std::pair<Language, std::string>> sentences = {
      {Language::Polish, "s = 107,8 m, |R| = 20,1 m, t = 15 s"},
      {Language::English, "s = 107.8 m, |R| = 20.1 m, t = 15 s"},
      {Language::Ukrainian, "s = 107,8 м, |R| = 20,1 м, t = 15 с"}};
  for (const auto& [language, sentence] : sentences) {
    UseLanguage(language);
    TOKBottomDlg1 task;
    task.Figures = [&figures] { return figures; };
    task.show();
    EXPECT_EQ(Heard(task.FiguresSpoken), "");
    QTest::mouseClick(task.ReadButton, Qt::LeftButton);
    EXPECT_EQ(Heard(task.FiguresSpoken), sentence);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(task.ReadButton)->text(QAccessible::Name),
              Qs(lesson::Tr("Odczytaj")));
  }

  // The I key in the simulation window, its other keys still its own; the
  // figures as they are when the key is pressed. The window is no widget:
  // a reader finds it among the application's windows, with its status line.
  TForm form;
  form.SetCaption("simulation");
  std::vector<std::uint16_t> formKeys;
  form.OnKeyDown = [&](TComponent*, std::uint16_t& key, TShiftState) { formKeys.push_back(key); };
  AddReadAloudKey(form, [&figures] { return figures; });
  form.Show();
  QAccessibleInterface* window = nullptr;
  QAccessibleInterface* app = QAccessible::queryAccessibleInterface(qApp);
  for (int i = 0; i < app->childCount(); ++i)
    if (app->child(i)->text(QAccessible::Name) == "simulation") window = app->child(i);
  ASSERT_NE(window, nullptr) << "the simulation window is not in the accessibility tree";
  EXPECT_EQ(window->role(), QAccessible::Window);
  EXPECT_TRUE(
      window->text(QAccessible::Description).startsWith(QString::fromUtf8("Поруч із трасою:")))
      << window->text(QAccessible::Description).toStdString();
  ASSERT_EQ(window->childCount(), 1);
  QAccessibleInterface* status = window->child(0);
  EXPECT_EQ(status->parent()->object(), window->object());
  figures.TimeCount = 16;
  std::uint16_t key = 'T';
  form.OnKeyDown(&form, key, {});
  EXPECT_EQ(status->text(QAccessible::Name), "");
  key = 'I';
  form.OnKeyDown(&form, key, {});
  EXPECT_EQ(status->text(QAccessible::Name), "s = 107,8 м, |R| = 20,1 м, t = 16 с");
  EXPECT_EQ(formKeys, (std::vector<std::uint16_t>{'T', 'I'}));
}

}  // namespace
