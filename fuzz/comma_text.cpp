// Fuzz target: the comma text of a string list and the splitting of texts at a
// separator.
//
// Input: one byte choosing a separator byte, then the data. Checks:
//   - the data cut at the separator byte is a list of items; its comma text splits back
//     into exactly those items;
//   - the data read as a comma text gives a list whose comma text reads back the same;
//   - SplitText of the data at a separator gives pieces that, joined with the
//     separator, are the data again, one more piece than there are separators.
#include <cstdint>
#include <string>
#include <string_view>

#include "auxiliary/aux_columns.h"
#include "fuzz_support.h"
#include "text/string_list.h"

using namespace qoru;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Cursor cursor(data, size);
  const char separator = static_cast<char>(cursor.Byte());
  const std::string_view text = cursor.Rest();

  StringList items;
  if (!text.empty()) {
    for (std::size_t start = 0;;) {
      const std::size_t cut = text.find(separator, start);
      items.Add(std::string(text.substr(start, cut == std::string_view::npos ? cut : cut - start)));
      if (cut == std::string_view::npos) break;
      start = cut + 1;
    }
  }
  StringList back;
  back.SetCommaText(items.CommaText());
  FUZZ_CHECK(back.items() == items.items());

  StringList read;
  read.SetCommaText(text);
  StringList again;
  again.SetCommaText(read.CommaText());
  FUZZ_CHECK(again.items() == read.items());

  const std::string sep_text(1, separator);
  const StringList pieces = SplitText(text, sep_text);
  if (text.empty()) {
    FUZZ_CHECK(pieces.Empty());
  } else {
    std::string joined;
    for (std::size_t i = 0; i < pieces.Count(); ++i) {
      if (i > 0) joined += sep_text;
      joined += pieces[i];
    }
    FUZZ_CHECK(joined == text);
    FUZZ_CHECK(pieces.items() == items.items());
  }
  return 0;
}
