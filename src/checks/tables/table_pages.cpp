#include "checks/tables/table_pages.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "database/sql/jet_translator.h"

namespace qoru::checks {
namespace {

constexpr int kMaxDepth = 20;   // as deep as the engine lets a tree grow
constexpr int kMaxFields = 64;  // the chosen columns lie among a record's first ones
constexpr unsigned char kInteriorTable = 0x05, kLeafTable = 0x0D;

std::uint32_t Big16(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 8) | p[1];
}
std::uint32_t Big32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

// A variable-length integer of the file format at `p`, which must end before `end`;
// false when it does not.
bool Varint(const unsigned char*& p, const unsigned char* end, std::uint64_t* out) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) {
    if (p >= end) return false;
    const unsigned char b = *p++;
    v = (v << 7) | (b & 0x7F);
    if ((b & 0x80) == 0) {
      *out = v;
      return true;
    }
  }
  if (p >= end) return false;
  *out = (v << 8) | *p++;
  return true;
}

std::string FirstText(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
    sqlite3_finalize(raw);
    return {};
  }
  const db::SqliteStmt stmt(raw);
  if (sqlite3_step(raw) != SQLITE_ROW) return {};
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
  return text ? text : "";
}

bool SameWordIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

}  // namespace

std::optional<TablePages> TablePages::Open(sqlite3* db, std::string_view table,
                                           const std::vector<std::string>& expressions) {
  if (expressions.empty()) return std::nullopt;
  if (FirstText(db, "PRAGMA main.encoding") != "UTF-8") return std::nullopt;
  if (FirstText(db, "PRAGMA main.journal_mode") == "wal") return std::nullopt;
  sqlite3_file* file = nullptr;
  if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
      file == nullptr || file->pMethods == nullptr)
    return std::nullopt;

  // The file's header: its page size, the bytes each page keeps to itself, no WAL.
  unsigned char header[100];
  if (file->pMethods->xRead(file, header, sizeof header, 0) != SQLITE_OK) return std::nullopt;
  if (std::memcmp(header, "SQLite format 3", 16) != 0) return std::nullopt;
  std::uint32_t page_size = Big16(header + 16);
  if (page_size == 1) page_size = 65536;
  if (page_size < 512 || page_size > 65536 || (page_size & (page_size - 1)) != 0)
    return std::nullopt;
  if (header[18] != 1 || header[19] != 1) return std::nullopt;  // 2: write-ahead log
  if (Big32(header + 56) != 1) return std::nullopt;             // text in UTF-8
  const std::uint32_t usable = page_size - header[20];
  if (usable < 480) return std::nullopt;
  sqlite3_int64 size = 0;
  if (file->pMethods->xFileSize(file, &size) != SQLITE_OK || size <= 0) return std::nullopt;

  TablePages t;
  t.db_ = db;
  t.file_ = file;
  t.table_.assign(table);
  t.expressions_ = expressions;
  t.page_size_ = page_size;
  t.usable_ = usable;
  t.pages_ = static_cast<std::uint32_t>(
      std::min<sqlite3_int64>(size / page_size, std::int64_t{0xFFFFFFFF}));

  {
    db::SqliteStmt stmt = db::Prepare(
        db, "SELECT rootpage FROM main.sqlite_master WHERE type = 'table' AND name = ?1");
    sqlite3_bind_text(stmt.get(), 1, table.data(), static_cast<int>(table.size()),
                      SQLITE_TRANSIENT);
    if (sqlite3_step(stmt.get()) != SQLITE_ROW) return std::nullopt;
    const sqlite3_int64 root = sqlite3_column_int64(stmt.get(), 0);
    if (root < 2 || root > t.pages_) return std::nullopt;
    t.root_ = static_cast<std::uint32_t>(root);
  }

  // The chosen columns by their places in a record: every column stored, none named as
  // the rowid is (which SQL would take for it), none the rowid itself.
  {
    db::SqliteStmt stmt = db::Prepare(
        db, "SELECT name, dflt_value, pk, hidden FROM pragma_table_xinfo(?1) ORDER BY cid");
    sqlite3_bind_text(stmt.get(), 1, table.data(), static_cast<int>(table.size()),
                      SQLITE_TRANSIENT);
    struct Stored {
      std::string quoted;
      bool no_default = true;
      bool key = false;
    };
    std::vector<Stored> stored;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
      const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0));
      if (name == nullptr || sqlite3_column_int(stmt.get(), 3) != 0) return std::nullopt;
      for (const char* alias : {"rowid", "oid", "_rowid_"})
        if (SameWordIgnoringCase(name, alias)) return std::nullopt;
      stored.push_back({db::QuoteName(name), sqlite3_column_type(stmt.get(), 1) == SQLITE_NULL,
                        sqlite3_column_int(stmt.get(), 2) != 0});
    }
    if (rc != SQLITE_DONE) return std::nullopt;
    for (const std::string& e : expressions) {
      const auto it = std::find_if(stored.begin(), stored.end(),
                                   [&](const Stored& s) { return s.quoted == e; });
      if (it == stored.end() || it->key) return std::nullopt;
      t.columns_.push_back({static_cast<int>(it - stored.begin()), it->no_default});
      t.fields_wanted_ = std::max(t.fields_wanted_, t.columns_.back().field + 1);
    }
    if (t.fields_wanted_ > kMaxFields) return std::nullopt;
  }
  t.values_.resize(expressions.size());
  t.numbers_.resize(expressions.size());
  t.buffers_.resize(kMaxDepth + 1);
  // A table's tree, not an index's (a table WITHOUT ROWID keeps its rows in one).
  try {
    const unsigned char* root = t.Page(t.root_, 0);
    if (root[0] != kInteriorTable && root[0] != kLeafTable) return std::nullopt;
  } catch (const Unreadable&) {
    return std::nullopt;
  }
  return t;
}

const unsigned char* TablePages::Page(std::uint32_t number, int depth) {
  // Page 1 holds the schema's tree, never a table's.
  if (number < 2 || number > pages_ || depth > kMaxDepth) throw Unreadable{};
  std::vector<unsigned char>& buffer = buffers_[static_cast<std::size_t>(depth)];
  buffer.resize(page_size_);
  if (file_->pMethods->xRead(file_, buffer.data(), static_cast<int>(page_size_),
                             static_cast<sqlite3_int64>(number - 1) * page_size_) != SQLITE_OK)
    throw Unreadable{};
  return buffer.data();
}

void TablePages::Scan(std::int64_t first, std::int64_t last, const Each& each) {
  any_done_ = false;
  stopped_ = false;
  if (first > last) return;
  try {
    Walk(root_, 0, first, last, each);
  } catch (const Unreadable&) {
    // SQLite reads what is left of the range, from the row after the last one given.
    if (!any_done_) {
      RangeBySql(first, last, each);
    } else if (done_ < last) {
      RangeBySql(done_ + 1, last, each);
    }
  }
}

void TablePages::Walk(std::uint32_t number, int depth, std::int64_t first, std::int64_t last,
                      const Each& each) {
  const unsigned char* page = Page(number, depth);
  if (page[0] == kLeafTable) {
    Leaf(page, depth, first, last, each);
    return;
  }
  const std::uint32_t cells = InteriorCells(page);
  for (std::uint32_t i = 0; i < cells && !stopped_; ++i) {
    std::uint32_t child = 0;
    std::int64_t key = 0;
    InteriorCell(page, cells, i, &child, &key);
    // The child holds the rows up to `key`.
    if (key < first) continue;
    Walk(child, depth + 1, first, last, each);
    // The walk below reused the deeper buffers only; this page is still at hand.
    if (key >= last) return;
  }
  if (!stopped_) Walk(Big32(page + 8), depth + 1, first, last, each);
}

std::uint32_t TablePages::InteriorCells(const unsigned char* page) const {
  if (page[0] != kInteriorTable) throw Unreadable{};
  // An interior page has a cell at least: one without would lead nowhere but its right
  // child, which the engine's trees never do.
  const std::uint32_t cells = Big16(page + 3);
  if (cells == 0 || 12 + 2 * std::size_t{cells} > usable_) throw Unreadable{};
  return cells;
}

void TablePages::InteriorCell(const unsigned char* page, std::uint32_t cells, std::uint32_t i,
                              std::uint32_t* child, std::int64_t* key) const {
  const std::uint32_t at = Big16(page + 12 + 2 * i);
  if (at < 12 + 2 * cells || at + 4 >= usable_) throw Unreadable{};
  *child = Big32(page + at);
  const unsigned char* p = page + at + 4;
  std::uint64_t k = 0;
  if (!Varint(p, page + usable_, &k)) throw Unreadable{};
  *key = static_cast<std::int64_t>(k);  // the child holds the rows up to it
}

std::uint32_t TablePages::Cells(const unsigned char* page, int depth) const {
  // Only the root of an empty table is a leaf without cells.
  const std::uint32_t cells = Big16(page + 3);
  if ((cells == 0 && depth > 0) || 8 + 2 * std::size_t{cells} > usable_) throw Unreadable{};
  return cells;
}

void TablePages::Cell(const unsigned char* page, std::uint32_t cells, std::uint32_t i,
                      std::int64_t* rowid, const unsigned char** payload,
                      std::uint64_t* size) const {
  const std::uint32_t at = Big16(page + 8 + 2 * i);
  if (at < 8 + 2 * cells || at >= usable_) throw Unreadable{};
  const unsigned char* end = page + usable_;
  const unsigned char* p = page + at;
  std::uint64_t key = 0;
  if (!Varint(p, end, size) || !Varint(p, end, &key)) throw Unreadable{};
  *rowid = static_cast<std::int64_t>(key);
  *payload = p;
  // A payload kept whole on the page must end within it.
  if (*size <= usable_ - 35 && static_cast<std::uint64_t>(end - p) < *size) throw Unreadable{};
}

void TablePages::Give(std::int64_t rowid, const unsigned char* payload, std::uint64_t size,
                      const Each& each) {
  // The largest payload a cell keeps on its page whole; a larger one spills onto
  // overflow pages, which SQL reads, as it reads a value this does not.
  if (size <= usable_ - 35 && Record(payload, static_cast<std::size_t>(size))) {
    each(rowid, values_.data());
  } else if (!RowBySql(rowid, each)) {
    throw Unreadable{};  // the tree holds a row that SQL does not find
  }
  done_ = rowid;
  any_done_ = true;
}

void TablePages::Leaf(const unsigned char* page, int depth, std::int64_t first, std::int64_t last,
                      const Each& each) {
  const std::uint32_t cells = Cells(page, depth);
  for (std::uint32_t i = 0; i < cells; ++i) {
    std::int64_t rowid = 0;
    const unsigned char* payload = nullptr;
    std::uint64_t size = 0;
    Cell(page, cells, i, &rowid, &payload, &size);
    // The rows of a tree come in rowid order, each once.
    if (any_done_ && rowid <= done_) throw Unreadable{};
    if (rowid < first) continue;
    if (rowid > last) {
      stopped_ = true;
      return;
    }
    Give(rowid, payload, size, each);
  }
}

void TablePages::Rows(std::span<const std::int64_t> rowids, const Each& each) {
  wanted_ = rowids;
  next_ = 0;
  any_done_ = false;
  if (rowids.empty()) return;
  try {
    Seek(root_, 0, each);
  } catch (const Unreadable&) {
    // SQL finds those not yet found, one by one.
    for (; next_ < wanted_.size(); ++next_) RowBySql(wanted_[next_], each);
  }
}

void TablePages::Seek(std::uint32_t number, int depth, const Each& each) {
  const unsigned char* page = Page(number, depth);
  if (page[0] == kLeafTable) {
    const std::uint32_t cells = Cells(page, depth);
    for (std::uint32_t i = 0; i < cells && next_ < wanted_.size(); ++i) {
      std::int64_t rowid = 0;
      const unsigned char* payload = nullptr;
      std::uint64_t size = 0;
      Cell(page, cells, i, &rowid, &payload, &size);
      // Every cell seen comes after the one seen before it, so that no leaf is read
      // twice to no purpose.
      if (any_done_ && rowid <= done_) throw Unreadable{};
      done_ = rowid;
      any_done_ = true;
      while (next_ < wanted_.size() && wanted_[next_] < rowid) ++next_;  // not in the table
      if (next_ < wanted_.size() && wanted_[next_] == rowid) {
        Give(rowid, payload, size, each);
        ++next_;
      }
    }
    return;
  }
  const std::uint32_t cells = InteriorCells(page);
  for (std::uint32_t i = 0; i < cells && next_ < wanted_.size(); ++i) {
    std::uint32_t child = 0;
    std::int64_t key = 0;
    InteriorCell(page, cells, i, &child, &key);
    if (wanted_[next_] <= key) Seek(child, depth + 1, each);
  }
  if (next_ < wanted_.size()) Seek(Big32(page + 8), depth + 1, each);
}

bool TablePages::Record(const unsigned char* payload, std::size_t size) {
  const unsigned char* p = payload;
  const unsigned char* payload_end = payload + size;
  std::uint64_t header_size = 0;
  if (!Varint(p, payload_end, &header_size) || header_size > size || header_size < 1) return false;
  const unsigned char* header_end = payload + header_size;
  // Each field's type and where its bytes begin, up to the last chosen one.
  std::uint64_t types[kMaxFields];
  std::size_t offsets[kMaxFields];
  const int wanted = fields_wanted_;
  std::size_t body = header_size;
  int fields = 0;
  while (fields < wanted && p < header_end) {
    std::uint64_t type = 0;
    if (!Varint(p, header_end, &type)) return false;
    std::uint64_t length = 0;
    if (type >= 12) {
      length = (type - 12) / 2;
    } else {
      static constexpr std::uint8_t kLengths[12] = {0, 1, 2, 3, 4, 6, 8, 8, 0, 0, 0, 0};
      if (type == 10 || type == 11) return false;
      length = kLengths[type];
    }
    if (length > size - body) return false;
    types[fields] = type;
    offsets[fields] = body;
    body += static_cast<std::size_t>(length);
    ++fields;
  }
  for (std::size_t k = 0; k < columns_.size(); ++k) {
    const Column& c = columns_[k];
    if (c.field >= fields) {
      if (!c.null_when_absent) return false;  // its default, which SQL gives
      values_[k] = {};
      continue;
    }
    const std::uint64_t type = types[c.field];
    const unsigned char* v = payload + offsets[c.field];
    if (type >= 13 && (type & 1) != 0) {
      values_[k] = std::string_view(reinterpret_cast<const char*>(v),
                                    static_cast<std::size_t>((type - 13) / 2));
    } else if (type == 0) {
      values_[k] = {};
    } else if (type <= 6 || type == 8 || type == 9) {
      // An integer, big-endian and signed, as SQL gives it in text.
      std::int64_t n = 0;
      if (type == 9) {
        n = 1;
      } else if (type != 8) {
        static constexpr int kBytes[7] = {0, 1, 2, 3, 4, 6, 8};
        const int bytes = kBytes[type];
        std::uint64_t u = (v[0] & 0x80) != 0 ? ~std::uint64_t{0} : 0;
        for (int b = 0; b < bytes; ++b) u = (u << 8) | v[b];
        n = static_cast<std::int64_t>(u);
      }
      std::string& text = numbers_[k];
      text.resize(24);
      const auto r = std::to_chars(text.data(), text.data() + text.size(), n);
      text.resize(static_cast<std::size_t>(r.ptr - text.data()));
      values_[k] = text;
    } else {
      return false;  // a real or a blob
    }
  }
  return true;
}

void TablePages::TakeValues(sqlite3_stmt* stmt, int offset) {
  for (std::size_t c = 0; c < values_.size(); ++c) {
    sqlite3_value* v = sqlite3_column_value(stmt, static_cast<int>(c) + offset);
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
    values_[c] = text == nullptr
                     ? std::string_view()
                     : std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(v)));
  }
}

bool TablePages::RowBySql(std::int64_t rowid, const Each& each) {
  if (!row_stmt_) {
    std::string sql = "SELECT ";
    for (std::size_t i = 0; i < expressions_.size(); ++i)
      sql += (i == 0 ? "" : ", ") + expressions_[i];
    sql += " FROM " + db::QuoteName(table_) + " WHERE rowid = ?1";
    row_stmt_ = db::Prepare(db_, sql);
  }
  sqlite3_stmt* stmt = row_stmt_.get();
  sqlite3_reset(stmt);
  sqlite3_bind_int64(stmt, 1, rowid);
  const int rc = sqlite3_step(stmt);
  if (rc == SQLITE_DONE) return false;
  if (rc != SQLITE_ROW) db::ThrowEngineError(db_);
  TakeValues(stmt, 0);
  each(rowid, values_.data());
  return true;
}

void TablePages::RangeBySql(std::int64_t first, std::int64_t last, const Each& each) {
  if (!range_stmt_) {
    std::string sql = "SELECT rowid";
    for (const std::string& e : expressions_) sql += ", " + e;
    sql += " FROM " + db::QuoteName(table_) + " WHERE rowid BETWEEN ?1 AND ?2 ORDER BY rowid";
    range_stmt_ = db::Prepare(db_, sql);
  }
  sqlite3_stmt* stmt = range_stmt_.get();
  sqlite3_reset(stmt);
  sqlite3_bind_int64(stmt, 1, first);
  sqlite3_bind_int64(stmt, 2, last);
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    TakeValues(stmt, 1);
    each(sqlite3_column_int64(stmt, 0), values_.data());
  }
  if (rc != SQLITE_DONE) db::ThrowEngineError(db_);
  sqlite3_reset(stmt);
}

}  // namespace qoru::checks
