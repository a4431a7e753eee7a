#include "lesson/catalogue.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace lesson {

namespace {

std::atomic<Language> current{Language::Polish};

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// --- .po reading -----------------------------------------------------------

// The string of a quoted .po line, its escapes undone; false when it is not
// one quoted string.
bool Unquote(std::string_view line, std::string& out) {
  std::size_t i = line.find_first_not_of(" \t");
  if (i == std::string_view::npos || line[i] != '"') return false;
  ++i;
  while (i < line.size() && line[i] != '"') {
    char c = line[i++];
    if (c == '\\') {
      if (i >= line.size()) return false;
      switch (line[i++]) {
        case 'n':
          c = '\n';
          break;
        case 't':
          c = '\t';
          break;
        case 'r':
          c = '\r';
          break;
        case '"':
          c = '"';
          break;
        case '\\':
          c = '\\';
          break;
        default:
          return false;
      }
    }
    out += c;
  }
  if (i >= line.size()) return false;  // no closing quote
  return line.find_first_not_of(" \t\r", i + 1) == std::string_view::npos;
}

class PoReader {
 public:
  explicit PoReader(PoFile& file) : file_(file) {}

  void Line(std::string_view line, int number) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
      Finish();
      return;
    }
    line.remove_prefix(first);
    if (line[0] == '#') {
      // Comments and flags belong to the next message.
      if (open_ && seen_ == Seen::Translation) Finish();
      if (line.starts_with("#,") && line.find("fuzzy") != std::string_view::npos) fuzzy_ = true;
      return;
    }
    if (line[0] == '"') {
      if (!target_) {
        Error(number, "a string outside a message");
        return;
      }
      if (!Unquote(line, *target_)) Error(number, "a string that cannot be read");
      return;
    }
    const std::size_t space = line.find_first_of(" \t");
    const std::string_view keyword = line.substr(0, space);
    const std::string_view rest = space == std::string_view::npos ? "" : line.substr(space);
    if (keyword == "msgctxt" || (keyword == "msgid" && (!open_ || seen_ != Seen::Context))) {
      Finish();
      open_ = true;
    }
    if (keyword == "msgctxt") {
      seen_ = Seen::Context;
      Start(message_.Context, rest, number);
    } else if (keyword == "msgid") {
      seen_ = Seen::Source;
      message_.Line = number;
      Start(message_.Source, rest, number);
    } else if (keyword == "msgid_plural" && seen_ == Seen::Source) {
      Start(message_.Plural, rest, number);
    } else if (keyword == "msgstr" && seen_ != Seen::Context) {
      message_.Translations.emplace_back();
      seen_ = Seen::Translation;
      Start(message_.Translations.back(), rest, number);
    } else if (keyword.starts_with("msgstr[") && keyword.ends_with("]") && seen_ != Seen::Context) {
      int index = -1;
      const std::string_view digits = keyword.substr(7, keyword.size() - 8);
      std::from_chars(digits.data(), digits.data() + digits.size(), index);
      if (index != static_cast<int>(message_.Translations.size())) {
        Error(number, "plural forms out of order");
        target_ = nullptr;
        return;
      }
      message_.Translations.emplace_back();
      seen_ = Seen::Translation;
      Start(message_.Translations.back(), rest, number);
    } else {
      Error(number, "an unknown line");
      target_ = nullptr;
    }
  }

  void Finish() {
    if (open_) {
      if (seen_ != Seen::Translation) {
        Error(message_.Line, "a message with no msgstr");
      } else if (message_.Source.empty() && message_.Context.empty()) {
        ReadHeader(message_.Translations[0]);
      } else {
        message_.Fuzzy = fuzzy_;
        file_.Messages.push_back(std::move(message_));
      }
    }
    // A flag read before this message's first line belongs to it.
    if (open_) fuzzy_ = false;
    message_ = PoMessage{};
    open_ = false;
    target_ = nullptr;
    seen_ = Seen::Nothing;
  }

 private:
  enum class Seen { Nothing, Context, Source, Translation };

  void Start(std::string& target, std::string_view rest, int number) {
    target_ = &target;
    if (!Unquote(rest, target)) {
      Error(number, "a string that cannot be read");
      target_ = nullptr;
    }
  }

  void ReadHeader(std::string_view text) {
    while (!text.empty()) {
      const std::size_t end = text.find('\n');
      const std::string_view entry = text.substr(0, end);
      const std::size_t colon = entry.find(':');
      if (colon != std::string_view::npos) {
        std::string_view value = entry.substr(colon + 1);
        value.remove_prefix(std::min(value.find_first_not_of(' '), value.size()));
        file_.Header[std::string(entry.substr(0, colon))] = std::string(value);
      }
      if (end == std::string_view::npos) break;
      text.remove_prefix(end + 1);
    }
  }

  void Error(int line, const char* what) {
    file_.Errors.push_back("line " + std::to_string(line) + ": " + what);
  }

  PoFile& file_;
  PoMessage message_;
  std::string* target_ = nullptr;
  bool open_ = false;
  bool fuzzy_ = false;
  Seen seen_ = Seen::Nothing;
};

// --- the compiled-in catalogues ---------------------------------------------

struct Catalogue {
  std::unordered_map<std::string, std::string> Texts;
};

const Catalogue& CatalogueOf(Language language) {
  static std::once_flag once;
  static std::array<Catalogue, kLanguages.size()> catalogues;
  std::call_once(once, [] {
    for (const LanguageInfo& info : kLanguages) {
      Catalogue& catalogue = catalogues[static_cast<std::size_t>(info.Id)];
      for (PoMessage& m : ParsePo(EmbeddedCatalogue(info.Id)).Messages) {
        // An untranslated or doubtful message shows in Polish.
        if (m.Fuzzy || m.Translations.empty() || m.Translations[0].empty()) continue;
        catalogue.Texts.emplace(CatalogueKey(m.Context, m.Source), std::move(m.Translations[0]));
      }
    }
  });
  return catalogues[static_cast<std::size_t>(language)];
}

}  // namespace

const LanguageInfo& Info(Language language) {
  return kLanguages[static_cast<std::size_t>(language)];
}

std::optional<Language> LanguageFromTag(std::string_view tag) {
  const std::string lower = Lower(tag);
  const std::string_view code = std::string_view(lower).substr(0, lower.find_first_of("-_.@"));
  for (const LanguageInfo& info : kLanguages)
    if (code == info.Code) return info.Id;
  return std::nullopt;
}

Language ChooseLanguage(std::span<const std::string> preferred) {
  for (const std::string& tag : preferred)
    if (const std::optional<Language> language = LanguageFromTag(tag)) return *language;
  return Language::Polish;
}

Language CurrentLanguage() {
  return current.load(std::memory_order_relaxed);
}

void SetLanguage(Language language) {
  current.store(language, std::memory_order_relaxed);
}

const char* Tr(const char* source) {
  return TrIn(CurrentLanguage(), "", source);
}

const char* Tr(const char* context, const char* source) {
  return TrIn(CurrentLanguage(), context, source);
}

const char* TrIn(Language language, const char* context, const char* source) {
  if (language == Language::Polish || source == nullptr) return source;
  const Catalogue& catalogue = CatalogueOf(language);
  const auto found = catalogue.Texts.find(CatalogueKey(context ? context : "", source));
  return found == catalogue.Texts.end() ? source : found->second.c_str();
}

std::string Arg(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      const auto n = static_cast<std::size_t>(text[i + 1] - '1');
      if (n < args.size()) {
        out += args.begin()[n];
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

PoFile ParsePo(std::string_view text) {
  PoFile file;
  PoReader reader(file);
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    reader.Line(text.substr(0, end), ++number);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  reader.Finish();
  return file;
}

std::string CatalogueKey(std::string_view context, std::string_view source) {
  if (context.empty()) return std::string(source);
  std::string key(context);
  key += '\x04';
  key += source;
  return key;
}

}  // namespace lesson
