#pragma once

// Every word a user sees or hears, in each of the program's languages.
//
// Polish is the source: a text is looked up by its Polish words (and, where
// one Polish text needs two translations, a context), as gettext does. The
// translations come from po/<code>.po, compiled into the program; a text
// missing from a catalogue shows in Polish rather than not at all.

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lesson {

enum class Language { Polish, English, Ukrainian };

struct LanguageInfo {
  Language Id;
  const char* Code;        // ISO 639-1, as in po/<code>.po and the settings
  const char* NativeName;  // what the language switch shows
  char DecimalSeparator;   // in the texts of the run window and read aloud
};

inline constexpr std::array<LanguageInfo, 3> kLanguages = {{
    {Language::Polish, "pl", "Polski", ','},
    {Language::English, "en", "English", '.'},
    {Language::Ukrainian, "uk", "Українська", ','},
}};

const LanguageInfo& Info(Language language);

// The language of a tag as systems and browsers write it: "uk", "uk-UA",
// "en_GB.UTF-8", "pl_PL@euro". Case is ignored; nullopt for any other.
std::optional<Language> LanguageFromTag(std::string_view tag);

// The first of the preferred tags that names one of our languages; Polish
// when none does.
Language ChooseLanguage(std::span<const std::string> preferred);

// The language texts are given in; Polish until set.
Language CurrentLanguage();
void SetLanguage(Language language);

// The text in the current language. `source` is the Polish text; the pointer
// stays valid for the whole run.
const char* Tr(const char* source);
const char* Tr(const char* context, const char* source);

// The same, in a language given.
const char* TrIn(Language language, const char* context, const char* source);

// Replaces %1 ... %9 in a translated text by the arguments, in one pass (an
// argument's own %n is left as it is).
std::string Arg(std::string_view text, std::initializer_list<std::string_view> args);

// Marks a text for the catalogue where it is kept before it is translated,
// as in a table of texts; Tr() translates it when it is shown.
constexpr const char* N_(const char* source) {
  return source;
}

// One message of a .po file.
struct PoMessage {
  std::string Context;                    // msgctxt, empty for none
  std::string Source;                     // msgid
  std::string Plural;                     // msgid_plural, empty for none
  std::vector<std::string> Translations;  // msgstr, or msgstr[0], msgstr[1], ...
  bool Fuzzy = false;
  int Line = 0;  // of its msgid, for messages about the file
};

struct PoFile {
  std::map<std::string, std::string> Header;  // from msgid "": "Language", "Plural-Forms", ...
  std::vector<PoMessage> Messages;            // without the header
  std::vector<std::string> Errors;            // "line N: ..." for what could not be read
};

// Reads the text of a .po file. What it cannot read is listed in Errors and
// skipped, never guessed.
PoFile ParsePo(std::string_view text);

// The catalogue's key of a message: the context and the source joined as
// gettext joins them.
std::string CatalogueKey(std::string_view context, std::string_view source);

// The text of po/<code>.po as compiled in (empty for Polish, the source).
std::string_view EmbeddedCatalogue(Language language);

}  // namespace lesson
