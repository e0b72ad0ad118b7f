#include "database/sql/sql_tokenizer.h"

#include <fmt/format.h>

#include "database/engine/engine_error.h"

namespace qoru::db {

namespace {

bool IsBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}

bool IsNameStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '#' || c == '$' ||
         c >= 0x80;
}

bool IsNamePart(unsigned char c) {
  return IsNameStart(c) || IsDigit(c);
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Returns the offset just past the closing `quote` of the token opening at `start`;
// a doubled quote stands for one and does not close. npos when the input ends first.
size_t EndOfQuoted(std::string_view sql, size_t start, char quote) {
  size_t i = start + 1;
  while (true) {
    const size_t close = sql.find(quote, i);
    if (close == std::string_view::npos) return close;
    if (close + 1 < sql.size() && sql[close + 1] == quote) {
      i = close + 2;
      continue;
    }
    return close + 1;
  }
}

// Removes the first and last byte and turns each doubled `quote` into one.
std::string Unquote(std::string_view text, char quote) {
  std::string value;
  if (text.size() < 2) return value;
  const std::string_view inner = text.substr(1, text.size() - 2);
  value.reserve(inner.size());
  for (size_t i = 0; i < inner.size(); ++i) {
    value += inner[i];
    if (inner[i] == quote && i + 1 < inner.size() && inner[i + 1] == quote) ++i;
  }
  return value;
}

}  // namespace

std::vector<SqlToken> TokenizeSql(std::string_view sql) {
  std::vector<SqlToken> tokens;
  const size_t n = sql.size();
  size_t i = 0;
  while (i < n) {
    const size_t start = i;
    const auto c = static_cast<unsigned char>(sql[i]);
    const char next = i + 1 < n ? sql[i + 1] : '\0';
    TokenKind kind;
    if (IsBlank(c) || (c == '-' && next == '-') || (c == '/' && next == '*')) {
      // One token for a whole run of blanks and comments.
      kind = TokenKind::kSpace;
      while (i < n) {
        const auto b = static_cast<unsigned char>(sql[i]);
        const char b1 = i + 1 < n ? sql[i + 1] : '\0';
        if (IsBlank(b)) {
          ++i;
        } else if (b == '-' && b1 == '-') {
          const size_t eol = sql.find('\n', i);
          i = eol == std::string_view::npos ? n : eol + 1;
        } else if (b == '/' && b1 == '*') {
          const size_t close = sql.find("*/", i + 2);
          if (close == std::string_view::npos) {
            throw EngineError(fmt::format("unterminated comment at offset {}", i));
          }
          i = close + 2;
        } else {
          break;
        }
      }
    } else if (c == '\'' || c == '"') {
      kind = c == '\'' ? TokenKind::kString : TokenKind::kQuotedName;
      i = EndOfQuoted(sql, start, static_cast<char>(c));
      if (i == std::string_view::npos) {
        throw EngineError(fmt::format("unterminated {} at offset {}",
                                      c == '\'' ? "quoted text" : "quoted name", start));
      }
    } else if (c == '[') {
      kind = TokenKind::kBracketName;
      const size_t close = sql.find(']', start + 1);
      if (close == std::string_view::npos) {
        throw EngineError(fmt::format("unterminated bracketed name at offset {}", start));
      }
      i = close + 1;
    } else if (IsNameStart(c)) {
      kind = TokenKind::kName;
      while (i < n && IsNamePart(static_cast<unsigned char>(sql[i]))) ++i;
    } else if (IsDigit(c)) {
      kind = TokenKind::kNumber;
      while (i < n && IsDigit(sql[i])) ++i;
      if (i < n && sql[i] == '.') {
        ++i;
        while (i < n && IsDigit(sql[i])) ++i;
      }
      if (i < n && (sql[i] == 'e' || sql[i] == 'E')) {
        size_t j = i + 1;
        if (j < n && (sql[j] == '+' || sql[j] == '-')) ++j;
        if (j < n && IsDigit(sql[j])) {
          i = j;
          while (i < n && IsDigit(sql[i])) ++i;
        }
      }
    } else {
      kind = TokenKind::kSymbol;
      const std::string_view two = sql.substr(i, 2);
      i += (two == "<>" || two == "<=" || two == ">=" || two == "!=" || two == "||") ? 2 : 1;
    }
    tokens.push_back(SqlToken{kind, sql.substr(start, i - start)});
  }
  return tokens;
}

std::string StringValue(const SqlToken& token) {
  if (token.kind == TokenKind::kString) return Unquote(token.text, '\'');
  return std::string(token.text);
}

std::string NameValue(const SqlToken& token) {
  switch (token.kind) {
    case TokenKind::kBracketName:
      return std::string(token.text.substr(1, token.text.size() - 2));
    case TokenKind::kQuotedName:
      return Unquote(token.text, '"');
    default:
      return std::string(token.text);
  }
}

bool IsKeyword(const SqlToken& token, std::string_view word) {
  if (token.kind != TokenKind::kName || token.text.size() != word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (AsciiLower(token.text[i]) != AsciiLower(word[i])) return false;
  }
  return true;
}

}  // namespace qoru::db
