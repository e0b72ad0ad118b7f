#include "screening/screen_text.h"

#include "checks/values/book_text.h"
#include "text/utf8.h"

namespace qoru::screening {
namespace {

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool ContainsIgnoringAsciiCase(std::string_view text, std::string_view word) {
  if (word.empty()) return true;
  if (word.size() > text.size()) return false;
  for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
    std::size_t j = 0;
    while (j < word.size() && Lower(text[i + j]) == Lower(word[j])) ++j;
    if (j == word.size()) return true;
  }
  return false;
}

bool IsValidUtf8(std::string_view text) {
  return qoru::IsValidUtf8(text);
}

KeywordText ReadKeywords(std::string_view text, std::vector<std::string>* words) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  if (!IsValidUtf8(text)) return KeywordText::kNotUtf8;
  std::vector<std::string> found;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    // The CR of a CR LF is a control character: trimming takes it.
    const std::string_view w = checks::TrimBlanks(text.substr(start, end - start));
    if (!w.empty()) found.emplace_back(w);
    start = end + 1;
  }
  if (found.empty()) return KeywordText::kNoWords;
  *words = std::move(found);
  return KeywordText::kWords;
}

}  // namespace qoru::screening
