// Fuzz target: the keyword file of `screen --keywords` and the search of summaries for
// its keywords.
//
// Input: the bytes of a keyword file. Checks:
//   - it reads as keywords exactly when it is UTF-8 (after a byte-order mark) with a
//     line that is not blank; each keyword is non-empty, trimmed, valid UTF-8 and one
//     line of the file;
//   - the keywords written back one a line read as the same keywords, also with CR LF
//     line ends and blanks around them;
//   - a summary that holds a keyword, in either ASCII case, is found to hold it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "checks/values/book_text.h"
#include "fuzz_support.h"
#include "screening/screen_text.h"

using namespace qoru;
using namespace qoru::screening;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> words;
  const KeywordText outcome = ReadKeywords(text, &words);
  std::string_view body = text;
  if (body.starts_with("\xEF\xBB\xBF")) body.remove_prefix(3);
  FUZZ_CHECK((outcome == KeywordText::kNotUtf8) == !IsValidUtf8(body));
  if (outcome != KeywordText::kWords) {
    FUZZ_CHECK(words.empty());
    return 0;
  }
  FUZZ_CHECK(!words.empty());
  // A blank first line, so that a keyword that begins with U+FEFF is not taken for a
  // byte-order mark.
  std::string plain = "\n", padded;
  for (const std::string& w : words) {
    FUZZ_CHECK(!w.empty() && checks::TrimBlanks(w) == w && IsValidUtf8(w));
    FUZZ_CHECK(w.find('\n') == std::string::npos && body.find(w) != std::string_view::npos);
    plain += w + "\n";
    padded += "\xE3\x80\x80 " + w + "\t\r\n\r\n";
  }
  std::vector<std::string> again;
  FUZZ_CHECK(ReadKeywords(plain, &again) == KeywordText::kWords && again == words);
  again.clear();
  FUZZ_CHECK(ReadKeywords("\xEF\xBB\xBF" + padded, &again) == KeywordText::kWords &&
             again == words);

  for (const std::string& w : words) {
    std::string upper = w;
    for (char& c : upper)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    FUZZ_CHECK(ContainsIgnoringAsciiCase("摘要：" + upper + "。", w));
    FUZZ_CHECK(ContainsIgnoringAsciiCase(w, upper));
  }
  return 0;
}
