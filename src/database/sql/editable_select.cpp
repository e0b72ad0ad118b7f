#include "database/sql/editable_select.h"

namespace qoru::db {
namespace {

bool IsName(const SqlToken& t) {
  return t.kind == TokenKind::kName || t.kind == TokenKind::kBracketName ||
         t.kind == TokenKind::kQuotedName;
}

}  // namespace

EditableSelect GuessEditable(const std::vector<SqlToken>& tokens) {
  EditableSelect out;
  std::vector<const SqlToken*> words;  // non-space tokens
  for (const SqlToken& t : tokens)
    if (t.kind != TokenKind::kSpace) words.push_back(&t);
  if (words.size() < 2 || !IsKeyword(*words[0], "select") || IsKeyword(*words[1], "distinct"))
    return out;

  int depth = 0;
  bool nested = false;
  std::size_t from = 0;
  for (std::size_t i = 1; i < words.size(); ++i) {
    const SqlToken& w = *words[i];
    if (w.kind == TokenKind::kSymbol && w.text == "(") ++depth;
    if (w.kind == TokenKind::kSymbol && w.text == ")") --depth;
    if (IsKeyword(w, "select")) nested = true;
    if (depth == 0 && IsKeyword(w, "from") && from == 0) from = i;
  }
  if (nested || from == 0 || from + 1 >= words.size()) return out;
  const SqlToken& name = *words[from + 1];
  const bool ends = from + 2 >= words.size() || IsKeyword(*words[from + 2], "where") ||
                    IsKeyword(*words[from + 2], "order");
  if (!IsName(name) || !ends) return out;
  for (std::size_t i = from + 2; i < words.size(); ++i)
    if (IsKeyword(*words[i], "join") || IsKeyword(*words[i], "group") ||
        IsKeyword(*words[i], "union"))
      return out;

  out.table = NameValue(name);
  out.select_token = static_cast<std::size_t>(words[0] - tokens.data());
  if (words.size() == from + 6 && IsKeyword(*words[from + 2], "where") &&
      words[from + 4]->kind == TokenKind::kSymbol && words[from + 4]->text == "=" &&
      words[from + 5]->kind == TokenKind::kString && IsName(*words[from + 3]))
    out.key_column = NameValue(*words[from + 3]);
  return out;
}

}  // namespace qoru::db
