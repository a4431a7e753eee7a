#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "lesson/catalogue.h"

using namespace lesson;

namespace {

// The %n placeholders of a text, as a set: a translation may reorder them but
// must keep each one.
std::multiset<char> Placeholders(const std::string& text) {
  std::multiset<char> found;
  for (std::size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') found.insert(text[i + 1]);
  return found;
}

int PluralCount(const std::string& header) {
  const std::size_t at = header.find("nplurals=");
  return at == std::string::npos ? 0 : std::atoi(header.c_str() + at + 9);
}

class LanguageGuard {
 public:
  LanguageGuard() : saved_(CurrentLanguage()) {}
  ~LanguageGuard() { SetLanguage(saved_); }

 private:
  Language saved_;
};

}  // namespace

TEST(Catalogue, ReadsWhatTranslatorsToolsWrite) {
  const PoFile po = ParsePo(
      "# a comment\n"
      "msgid \"\"\n"
      "msgstr \"\"\n"
      "\"Language: xx\\n\"\n"
      "\"Plural-Forms: nplurals=2; plural=(n != 1);\\n\"\n"
      "\n"
      "#: app/x.cpp:1\n"
      "msgctxt \"marker\"\n"
      "msgid \"Koniec\"\n"
      "msgstr \"Finish\"\n"
      "msgid \"Koniec\"\n"  // no blank line between messages
      "msgstr \"Quit\"\n"
      "\n"
      "#, fuzzy, qt-format\n"
      "msgid \"\"\n"
      "\"a \\\"b\\\"\\n\"\n"
      "\"c\\\\d\"\n"
      "msgstr \"doubtful\"\n"
      "\n"
      "msgid \"%1 sekunda\"\n"
      "msgid_plural \"%1 sekundy\"\n"
      "msgstr[0] \"%1 second\"\n"
      "msgstr[1] \"%1 seconds\"\n"
      "\n"
      "#~ msgid \"gone\"\n"
      "#~ msgstr \"old\"\n");
  EXPECT_TRUE(po.Errors.empty()) << po.Errors.front();
  EXPECT_EQ(po.Header.at("Language"), "xx");
  EXPECT_EQ(PluralCount(po.Header.at("Plural-Forms")), 2);
  ASSERT_EQ(po.Messages.size(), 4u);
  EXPECT_EQ(po.Messages[0].Context, "marker");
  EXPECT_EQ(po.Messages[0].Translations, std::vector<std::string>{"Finish"});
  EXPECT_EQ(po.Messages[1].Context, "");
  EXPECT_EQ(po.Messages[1].Translations, std::vector<std::string>{"Quit"});
  EXPECT_EQ(po.Messages[2].Source, "a \"b\"\nc\\d");
  EXPECT_TRUE(po.Messages[2].Fuzzy);
  EXPECT_FALSE(po.Messages[1].Fuzzy);
  EXPECT_EQ(po.Messages[3].Plural, "%1 sekundy");
  EXPECT_EQ(po.Messages[3].Translations.size(), 2u);

  // Broken lines are reported, with their line numbers, and not guessed at.
  const PoFile broken =
      ParsePo("msgid \"open\nmsgstr[0] \"x\"\nmsgstr[2] \"y\"\nmsgid \"z\" extra\nmsgstr \"\"\n");
  EXPECT_GE(broken.Errors.size(), 3u);
  EXPECT_EQ(broken.Errors.front().rfind("line 1:", 0), 0u);
}

// Every shipped catalogue is whole: read without a fault, each message
// translated (every plural form), nothing doubtful, the same placeholders as
// the Polish, and the header telling its language and its plural forms.
TEST(Catalogue, EveryLanguageIsComplete) {
  const PoFile english = ParsePo(EmbeddedCatalogue(Language::English));
  ASSERT_GT(english.Messages.size(), 50u);
  std::set<std::string> englishKeys;
  for (const PoMessage& m : english.Messages) englishKeys.insert(CatalogueKey(m.Context, m.Source));

  for (const LanguageInfo& info : kLanguages) {
    if (info.Id == Language::Polish) continue;
    SCOPED_TRACE(info.Code);
    PoFile po = ParsePo(EmbeddedCatalogue(info.Id));
    ASSERT_TRUE(po.Errors.empty()) << po.Errors.front();
    ASSERT_TRUE(po.Header.contains("Language"));
    EXPECT_EQ(po.Header.at("Language"), info.Code);
    const int forms = PluralCount(po.Header["Plural-Forms"]);
    EXPECT_GE(forms, 1);

    std::set<std::string> keys;
    for (const PoMessage& m : po.Messages) {
      SCOPED_TRACE(m.Source);
      EXPECT_TRUE(keys.insert(CatalogueKey(m.Context, m.Source)).second)
          << "twice, line " << m.Line;
      EXPECT_FALSE(m.Fuzzy) << "line " << m.Line;
      const std::size_t expected = m.Plural.empty() ? 1u : static_cast<std::size_t>(forms);
      ASSERT_EQ(m.Translations.size(), expected) << "line " << m.Line;
      for (const std::string& t : m.Translations) {
        EXPECT_FALSE(t.empty()) << "untranslated, line " << m.Line;
        EXPECT_EQ(Placeholders(t), Placeholders(m.Source)) << "line " << m.Line;
        EXPECT_EQ(std::count(t.begin(), t.end(), '&') > 0, m.Source.find('&') != std::string::npos)
            << "the shortcut mark, line " << m.Line;
      }
    }
    // The same messages in every language.
    EXPECT_EQ(keys, englishKeys);
  }
}

TEST(Catalogue, TranslatesByContextAndFallsBackToPolish) {
  LanguageGuard guard;
  SetLanguage(Language::Ukrainian);
  EXPECT_STREQ(Tr("Zamknij"), "Закрити");
  EXPECT_STREQ(Tr("marker", "Koniec"), "Фініш");
  EXPECT_STREQ(Tr("unit", "m"), "м");
  // Not in the catalogue: the Polish shows, never nothing.
  EXPECT_STREQ(Tr("Nie ma takiego tekstu"), "Nie ma takiego tekstu");
  EXPECT_STREQ(TrIn(Language::English, "", "Zamknij"), "Close");
  SetLanguage(Language::Polish);
  EXPECT_STREQ(Tr("Zamknij"), "Zamknij");
  EXPECT_STREQ(Tr("marker", "Koniec"), "Koniec");
}

TEST(Catalogue, ChoosesTheFirstLanguageItKnows) {
  EXPECT_EQ(LanguageFromTag("uk_UA.UTF-8"), Language::Ukrainian);
  EXPECT_EQ(LanguageFromTag("EN-gb"), Language::English);
  EXPECT_EQ(LanguageFromTag("pl_PL@euro"), Language::Polish);
  EXPECT_EQ(LanguageFromTag("C"), std::nullopt);
  EXPECT_EQ(LanguageFromTag("ukr"), std::nullopt);
  EXPECT_EQ(LanguageFromTag(""), std::nullopt);
  const std::vector<std::string> tags = {"de-DE", "C.UTF-8", "en-US", "uk"};
  EXPECT_EQ(ChooseLanguage(tags), Language::English);
  EXPECT_EQ(ChooseLanguage(std::vector<std::string>{"fr", "de"}), Language::Polish);
  EXPECT_EQ(ChooseLanguage({}), Language::Polish);
}

TEST(Catalogue, PlaceholdersAreFilledInOnePass) {
  EXPECT_EQ(Arg("%2 po %1", {"a", "b"}), "b po a");
  // An argument's own %1 stays as it is; a placeholder with no argument too.
  EXPECT_EQ(Arg("%1 i %3", {"%1%2", "x"}), "%1%2 i %3");
  EXPECT_EQ(Arg("100%", {"x"}), "100%");
}
