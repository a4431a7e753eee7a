#pragma once

#include <QString>
#include <QTranslator>
#include <optional>

#include "lesson/catalogue.h"

// The desktop program in the pupil's language. Every word comes from the
// lesson's catalogue: the .ui forms through Qt's translation machinery (the
// translator below), the texts set in code through lesson::Tr.

// A text of the catalogue (UTF-8) as Qt holds it.
inline QString Qs(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// Answers uic's retranslateUi (and any QCoreApplication::translate) from the
// catalogue: the form's Polish text is the msgid, its disambiguation the
// context. A text the catalogue lacks gets an empty answer, so that Qt's own
// translations (installed beside it) still answer for Qt's texts.
class CatalogueTranslator final : public QTranslator {
 public:
  using QTranslator::QTranslator;
  QString translate(const char* context, const char* sourceText, const char* disambiguation,
                    int n) const override;
  bool isEmpty() const override { return false; }
};

// The system's language: the LANGUAGE variable first (colon-separated, as
// gettext reads it), then the system's interface languages; Polish when
// none is one of ours.
lesson::Language SystemLanguage();

// The choice made on the start window, kept in the settings ("language": the
// code), if one was made and names one of our languages.
std::optional<lesson::Language> RememberedLanguage();
void RememberLanguage(lesson::Language language);

// The remembered choice, else the system's language.
lesson::Language StartLanguage();

// The program speaks language from now on: the catalogue's texts, Qt's own
// dialogs and menus (qtbase_<code>), the locale of Qt's number widgets; every
// window open now is retranslated before this returns. Returns false when
// Qt's own texts for the language are not installed (qt6-translations-l10n):
// they then stay in the language they were, nothing worse.
bool UseLanguage(lesson::Language language);

// Where Qt's own texts for a language are looked for, as UseLanguage loads
// them.
QString QtTranslationFile(lesson::Language language);
