#include "database/sql/jet_translator.h"

#include <algorithm>
#include <optional>

#include <fmt/format.h>

#include "database/engine/engine_error.h"
#include "database/sql/sql_tokenizer.h"
#include "text/gbk_text.h"

namespace qoru::db {
namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

bool IsSpace(const SqlToken& t) {
  return t.kind == TokenKind::kSpace;
}

bool IsSymbol(const SqlToken& t, std::string_view s) {
  return t.kind == TokenKind::kSymbol && t.text == s;
}

bool IsNameToken(const SqlToken& t) {
  return t.kind == TokenKind::kName || t.kind == TokenKind::kBracketName ||
         t.kind == TokenKind::kQuotedName;
}

bool IsAnyKeyword(const SqlToken& t, std::initializer_list<std::string_view> words) {
  return std::any_of(words.begin(), words.end(),
                     [&](std::string_view w) { return IsKeyword(t, w); });
}

[[noreturn]] void SyntaxErrorNear(const SqlToken& t) {
  throw EngineError(fmt::format("near \"{}\": syntax error", t.text));
}

[[noreturn]] void SyntaxErrorAtEnd(const SqlToken& last) {
  throw EngineError(fmt::format("near \"{}\": syntax error at end of statement", last.text));
}

[[noreturn]] void UnsupportedImport() {
  throw EngineError("select into another database is supported only from a text file");
}

// A statement being translated: its tokens up to (not including) the ending ";", and
// for each of them the text that goes out in its place. Edits change `out` only, so
// token indices stay valid throughout.
struct Statement {
  std::vector<SqlToken> tokens;
  size_t end = 0;
  std::vector<std::string> out;

  const SqlToken& operator[](size_t i) const { return tokens[i]; }

  // First non-space token at or after `i`, or `limit`.
  size_t Skip(size_t i, size_t limit) const {
    while (i < limit && IsSpace(tokens[i])) ++i;
    return i;
  }
  size_t Skip(size_t i) const { return Skip(i, end); }

  // Last non-space token before `i`, or kNone.
  size_t Back(size_t i) const {
    while (i > 0) {
      --i;
      if (!IsSpace(tokens[i])) return i;
    }
    return kNone;
  }

  // The ")" that closes the "(" at `open`, or `limit` when it is missing.
  size_t Closing(size_t open, size_t limit) const {
    int depth = 0;
    for (size_t i = open; i < limit; ++i) {
      if (IsSymbol(tokens[i], "(")) {
        ++depth;
      } else if (IsSymbol(tokens[i], ")") && --depth == 0) {
        return i;
      }
    }
    return limit;
  }

  std::string Join(size_t from, size_t to) const {
    std::string s;
    for (size_t i = from; i < to; ++i) s += out[i];
    return s;
  }

  // The name at `i` (a table or column name being defined), unquoted. `after` is the
  // token that asked for it, named in the error when the statement ends first.
  std::string RequireName(size_t i, size_t limit, size_t after) const {
    if (i >= limit) {
      if (i < end) SyntaxErrorNear(tokens[i]);
      SyntaxErrorAtEnd(tokens[after]);
    }
    const SqlToken& t = tokens[i];
    if (!IsNameToken(t) || IsAnyKeyword(t, {"in", "from"})) SyntaxErrorNear(t);
    std::string name = NameValue(t);
    if (name.empty()) SyntaxErrorNear(t);
    return name;
  }
};

// Splits off the ending ";": only blanks may follow it.
void FindEnd(Statement& st) {
  st.end = st.tokens.size();
  for (size_t i = 0; i < st.tokens.size(); ++i) {
    if (!IsSymbol(st.tokens[i], ";")) continue;
    const size_t extra = st.Skip(i + 1, st.tokens.size());
    if (extra < st.tokens.size()) {
      throw EngineError(fmt::format("near \"{}\": only one statement may be executed at a time",
                                    st.tokens[extra].text));
    }
    st.end = i;
    break;
  }
}

// len(x) -> length(x); left(x, n) -> substr(x, 1, n). A name counts as a function
// only when "(" follows it; "left join" and "left outer join" stay.
void RenameFunctions(Statement& st) {
  for (size_t i = 0; i < st.end; ++i) {
    const SqlToken& t = st[i];
    const bool is_len = IsKeyword(t, "len");
    if (!is_len && !IsKeyword(t, "left")) continue;
    const size_t open = st.Skip(i + 1);
    if (open == st.end || !IsSymbol(st[open], "(")) continue;
    // A table of that name ("insert into len(a) ...") or a qualified column.
    const size_t prev = st.Back(i);
    if (prev != kNone && (IsSymbol(st[prev], ".") ||
                          IsAnyKeyword(st[prev], {"into", "table", "update", "references"}))) {
      continue;
    }
    if (is_len) {
      st.out[i] = "length";
      continue;
    }
    const size_t close = st.Closing(open, st.end);
    int depth = 0;
    size_t comma = kNone;
    for (size_t k = open; k < close; ++k) {
      if (IsSymbol(st[k], "(")) {
        ++depth;
      } else if (IsSymbol(st[k], ")")) {
        --depth;
      } else if (depth == 1 && IsSymbol(st[k], ",")) {
        comma = k;
        break;
      }
    }
    if (comma == kNone) throw EngineError("wrong number of arguments to function left()");
    st.out[i] = "substr";
    st.out[comma] += " 1,";
  }
}

struct ColumnType {
  size_t last = 0;  // the type's last token: its name or the ")" of its arguments
  bool text = false;
  bool counter = false;
  bool collated = false;  // a COLLATE clause follows in the column definition
};

// Reads the type of a column definition whose type name is at `first` and which ends
// before `limit`. nullopt when no type name stands there.
std::optional<ColumnType> ReadType(const Statement& st, size_t first, size_t limit) {
  if (first >= limit || st[first].kind != TokenKind::kName) return std::nullopt;
  ColumnType type;
  type.last = first;
  const size_t open = st.Skip(first + 1, limit);
  if (open < limit && IsSymbol(st[open], "(")) {
    type.last = std::min(st.Closing(open, limit), limit - 1);
  }
  const std::string word = AsciiLower(st[first].text);
  for (const std::string_view t : {"varchar", "nvarchar", "char", "nchar", "character", "text",
                                   "ntext", "memo", "longtext", "longchar", "string"}) {
    if (word == t) type.text = true;
  }
  type.counter = word == "autoincrement" || word == "counter";
  for (size_t i = type.last + 1; i < limit; ++i) {
    if (IsKeyword(st[i], "collate")) type.collated = true;
  }
  return type;
}

bool StartsConstraint(const SqlToken& t) {
  return IsAnyKeyword(t, {"constraint", "primary", "unique", "foreign", "check"});
}

// The indices of the depth-0 commas in [from, to), relative to the depth at `from`,
// followed by `to`: the item ends of a comma-separated list.
std::vector<size_t> ItemEnds(const Statement& st, size_t from, size_t to) {
  std::vector<size_t> ends;
  int depth = 0;
  for (size_t i = from; i < to; ++i) {
    if (IsSymbol(st[i], "(")) {
      ++depth;
    } else if (IsSymbol(st[i], ")")) {
      --depth;
    } else if (depth == 0 && IsSymbol(st[i], ",")) {
      ends.push_back(i);
    }
  }
  ends.push_back(to);
  return ends;
}

// select * into T in 'db' from F#txt; `into` and `in` are the indices of the keywords.
JetStatement TextImport(const Statement& st, size_t select, size_t into, size_t in,
                        std::string table) {
  const size_t path = st.Skip(in + 1);
  if (path == st.end) SyntaxErrorAtEnd(st[in]);
  const bool quoted = st[path].kind == TokenKind::kQuotedName;
  if (st[path].kind != TokenKind::kString && !quoted) SyntaxErrorNear(st[path]);

  const size_t star = st.Skip(select + 1);
  if (!IsSymbol(st[star], "*") || st.Skip(star + 1) != into) UnsupportedImport();
  const size_t from = st.Skip(path + 1);
  if (from == st.end || !IsKeyword(st[from], "from")) UnsupportedImport();
  const size_t source = st.Skip(from + 1);
  if (source == st.end || !IsNameToken(st[source]) || st.Skip(source + 1) != st.end) {
    UnsupportedImport();
  }
  std::string file = NameValue(st[source]);
  const size_t hash = file.rfind('#');
  if (hash == std::string::npos || AsciiLower(std::string_view(file).substr(hash)) != "#txt") {
    UnsupportedImport();
  }
  if (hash == 0) SyntaxErrorNear(st[source]);
  file[hash] = '.';

  JetStatement result;
  result.kind = JetStatement::Kind::kTextImport;
  result.table = std::move(table);
  result.database_path = quoted ? NameValue(st[path]) : StringValue(st[path]);
  result.source_file = std::move(file);
  return result;
}

// select ... into T from ...: the INTO must stand at depth 0 before the first depth-0 FROM.
std::optional<JetStatement> SelectInto(Statement& st, size_t select) {
  size_t into = kNone;
  int depth = 0;
  for (size_t i = select + 1; i < st.end && into == kNone; ++i) {
    if (IsSymbol(st[i], "(")) {
      ++depth;
    } else if (IsSymbol(st[i], ")")) {
      --depth;
    } else if (depth == 0 && IsKeyword(st[i], "from")) {
      return std::nullopt;
    } else if (depth == 0 && IsKeyword(st[i], "into")) {
      into = i;
    }
  }
  if (into == kNone) return std::nullopt;

  const size_t name = st.Skip(into + 1);
  std::string table = st.RequireName(name, st.end, into);
  const size_t next = st.Skip(name + 1);
  if (next < st.end && IsKeyword(st[next], "in")) {
    return TextImport(st, select, into, next, std::move(table));
  }
  if (next < st.end && !IsKeyword(st[next], "from")) SyntaxErrorNear(st[next]);

  // Drop "into T" and one of the blanks around it, or keep the neighbours apart.
  for (size_t i = into; i <= name; ++i) st.out[i].clear();
  const bool blank_before = IsSpace(st[into - 1]);
  const bool blank_after = name + 1 < st.end && IsSpace(st[name + 1]);
  if (blank_before && blank_after) {
    st.out[name + 1].clear();
  } else if (!blank_before && !blank_after && name + 1 < st.end) {
    st.out[into] = " ";
  }

  JetStatement result;
  result.kind = JetStatement::Kind::kSelectInto;
  result.table = std::move(table);
  result.sql = st.Join(0, st.end);
  return result;
}

// alter table T add [column] c1 type1 [, [column] c2 type2 ...]
std::optional<JetStatement> AlterAdd(const Statement& st, size_t alter) {
  const size_t table_kw = st.Skip(alter + 1);
  if (table_kw == st.end || !IsKeyword(st[table_kw], "table")) return std::nullopt;
  const size_t name = st.Skip(table_kw + 1);
  std::string table = st.RequireName(name, st.end, table_kw);
  const size_t add = st.Skip(name + 1);
  if (add == st.end) SyntaxErrorAtEnd(st[name]);
  if (!IsKeyword(st[add], "add")) return std::nullopt;  // drop column etc. go to SQLite

  JetStatement result;
  result.kind = JetStatement::Kind::kAlterAdd;
  result.table = std::move(table);
  size_t begin = add + 1;
  for (const size_t item_end : ItemEnds(st, begin, st.end)) {
    const size_t before_item = st.Back(item_end);  // names the spot when the item is empty
    size_t col = st.Skip(begin, item_end);
    if (col < item_end && IsKeyword(st[col], "column")) {
      const size_t after = st.Skip(col + 1, item_end);
      if (after < item_end && IsNameToken(st[after])) col = after;
    }
    if (col == item_end && item_end == st.end) SyntaxErrorAtEnd(st[before_item]);
    if (col < item_end && StartsConstraint(st[col])) {
      throw EngineError(
          fmt::format("near \"{}\": alter table cannot add a constraint", st[col].text));
    }
    AddedColumn column;
    column.name = st.RequireName(col, item_end, before_item);
    const size_t first = st.Skip(col + 1, item_end);
    if (first == item_end) {
      if (item_end == st.end) SyntaxErrorAtEnd(st[col]);
      SyntaxErrorNear(st[item_end]);
    }
    const std::optional<ColumnType> type = ReadType(st, first, item_end);
    if (!type) SyntaxErrorNear(st[first]);
    const size_t last = st.Back(item_end);
    if (type->counter) {
      column.counter = true;
      column.definition = "INTEGER" + st.Join(type->last + 1, last + 1);
    } else if (type->text && !type->collated) {
      column.definition =
          st.Join(first, type->last + 1) + " COLLATE NOCASE" + st.Join(type->last + 1, last + 1);
    } else {
      column.definition = st.Join(first, last + 1);
    }
    result.columns.push_back(std::move(column));
    begin = item_end + 1;
  }
  return result;
}

// create table [temp] T(c1 varchar(250), ...): text columns compare without case.
void CollateCreateTable(Statement& st, size_t create) {
  size_t i = st.Skip(create + 1);
  if (i < st.end && IsAnyKeyword(st[i], {"temp", "temporary"})) i = st.Skip(i + 1);
  if (i == st.end || !IsKeyword(st[i], "table")) return;
  i = st.Skip(i + 1);
  if (i < st.end && IsKeyword(st[i], "if")) {  // if not exists
    while (i < st.end && !IsKeyword(st[i], "exists")) ++i;
    i = st.Skip(i + 1);
  }
  if (i >= st.end || !IsNameToken(st[i])) return;
  size_t open = st.Skip(i + 1);
  if (open < st.end && IsSymbol(st[open], ".")) {  // schema.table
    i = st.Skip(open + 1);
    if (i == st.end || !IsNameToken(st[i])) return;
    open = st.Skip(i + 1);
  }
  if (open == st.end || !IsSymbol(st[open], "(")) return;  // create table ... as select
  const size_t close = st.Closing(open, st.end);
  size_t begin = open + 1;
  for (const size_t item_end : ItemEnds(st, begin, close)) {
    const size_t col = st.Skip(begin, item_end);
    begin = item_end + 1;
    if (col == item_end || !IsNameToken(st[col]) || StartsConstraint(st[col])) continue;
    const std::optional<ColumnType> type = ReadType(st, st.Skip(col + 1, item_end), item_end);
    if (type && type->text && !type->collated) st.out[type->last] += " COLLATE NOCASE";
  }
}

}  // namespace

JetStatement TranslateJet(std::string_view sql) {
  Statement st;
  st.tokens = TokenizeSql(sql);
  FindEnd(st);
  st.out.reserve(st.end);
  for (size_t i = 0; i < st.end; ++i) st.out.emplace_back(st.tokens[i].text);
  RenameFunctions(st);

  const size_t first = st.Skip(0);
  if (first < st.end) {
    if (IsKeyword(st[first], "select")) {
      if (std::optional<JetStatement> r = SelectInto(st, first)) return std::move(*r);
    } else if (IsKeyword(st[first], "alter")) {
      if (std::optional<JetStatement> r = AlterAdd(st, first)) return std::move(*r);
    } else if (IsKeyword(st[first], "create")) {
      CollateCreateTable(st, first);
    }
  }
  JetStatement result;
  result.sql = st.Join(0, st.end);
  return result;
}

std::string QuoteName(std::string_view name) {
  std::string quoted = "\"";
  for (const char c : name) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  quoted += '"';
  return quoted;
}

}  // namespace qoru::db
