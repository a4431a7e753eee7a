#include "app/catalogue_translator.h"

#include <QApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QSettings>
#include <QWidget>
#include <string>
#include <vector>

namespace {

const char* const kLanguageKey = "language";

// The locale whose numbers and Qt texts go with each language: English as
// schools in Britain write it.
const char* LocaleName(lesson::Language language) {
  switch (language) {
    case lesson::Language::English:
      return "en_GB";
    case lesson::Language::Ukrainian:
      return "uk_UA";
    case lesson::Language::Polish:
      break;
  }
  return "pl_PL";
}

QSettings Settings() {
  return QSettings(QStringLiteral("Velnar"), QStringLiteral("Velnar"));
}

}  // namespace

QString CatalogueTranslator::translate(const char*, const char* sourceText,
                                       const char* disambiguation, int) const {
  if (!sourceText) return {};
  const char* text =
      lesson::TrIn(lesson::CurrentLanguage(), disambiguation ? disambiguation : "", sourceText);
  return text == sourceText ? QString() : QString::fromUtf8(text);
}

lesson::Language SystemLanguage() {
  std::vector<std::string> tags;
  for (const QString& tag : QString::fromLocal8Bit(qgetenv("LANGUAGE")).split(u':'))
    if (!tag.isEmpty()) tags.push_back(tag.toStdString());
  for (const QString& tag : QLocale::system().uiLanguages()) tags.push_back(tag.toStdString());
  return lesson::ChooseLanguage(tags);
}

std::optional<lesson::Language> RememberedLanguage() {
  const QString code = Settings().value(kLanguageKey).toString();
  for (const lesson::LanguageInfo& info : lesson::kLanguages)
    if (code == QLatin1String(info.Code)) return info.Id;
  return std::nullopt;
}

void RememberLanguage(lesson::Language language) {
  QSettings settings = Settings();
  settings.setValue(kLanguageKey, QString::fromLatin1(lesson::Info(language).Code));
  settings.sync();
}

lesson::Language StartLanguage() {
  return RememberedLanguage().value_or(SystemLanguage());
}

QString QtTranslationFile(lesson::Language language) {
  return QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_") +
         QString::fromLatin1(lesson::Info(language).Code) + QStringLiteral(".qm");
}

bool UseLanguage(lesson::Language language) {
  static QPointer<CatalogueTranslator> catalogue;
  static QPointer<QTranslator> qtTexts;
  lesson::SetLanguage(language);
  QLocale::setDefault(QLocale(QString::fromLatin1(LocaleName(language))));

  auto* app = QCoreApplication::instance();
  if (!catalogue) {
    catalogue = new CatalogueTranslator(app);
    QCoreApplication::installTranslator(catalogue);
  }
  // Qt's texts go first in line: Qt asks the translator installed last first,
  // and the catalogue answers only for the program's own words anyway.
  if (qtTexts) {
    QCoreApplication::removeTranslator(qtTexts);
    delete qtTexts;
  }
  auto* translator = new QTranslator(app);
  const bool loaded = translator->load(QtTranslationFile(language));
  if (loaded) {
    QCoreApplication::installTranslator(translator);
    qtTexts = translator;
  } else {
    delete translator;
  }

  // Qt posts its own notice of the change; the windows hear it now, so that
  // nothing shows the old language for a moment (and the caller can rely on
  // it when this returns).
  if (qobject_cast<QApplication*>(app)) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      QEvent change(QEvent::LanguageChange);
      QCoreApplication::sendEvent(window, &change);
    }
  }
  return loaded;
}
