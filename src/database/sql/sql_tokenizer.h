// Splits an SQL text of the host's dialect (UTF-8) into tokens. Every byte of the
// input belongs to exactly one token, so joining the tokens' texts gives the input
// back. Names may hold non-ASCII characters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qoru::db {

enum class TokenKind {
  kSpace,        // a run of blanks, tabs, line ends and comments (-- to line end, /* */)
  kName,         // a bare name: letters, digits, "_", "#", "$", any byte >= 0x80; not
                 // starting with a digit
  kBracketName,  // [name]
  kQuotedName,   // "name" (passed on unchanged; every connection reads it as a name)
  kString,       // 'text' with '' standing for one quote
  kNumber,       // digits, with a decimal point and exponent
  kSymbol,       // punctuation and operators: ( ) , . ; = <> <= >= < > + - * / & ...
};

struct SqlToken {
  TokenKind kind;
  std::string_view text;  // the token as it stands in the input
};

// Raises EngineError for an unterminated string, bracket, quoted name or /* comment,
// naming the offset where it starts.
std::vector<SqlToken> TokenizeSql(std::string_view sql);

// The value of a kString token (quotes removed, doubled quotes undone), and the name
// of a kName, kBracketName or kQuotedName token (brackets or quotes removed).
std::string StringValue(const SqlToken& token);
std::string NameValue(const SqlToken& token);

// True when the token is the keyword `word` (ASCII, case ignored).
bool IsKeyword(const SqlToken& token, std::string_view word);

}  // namespace qoru::db
