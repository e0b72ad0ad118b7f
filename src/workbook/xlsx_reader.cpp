#include "workbook/xlsx_reader.h"

#include <expat.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

#include "files/file_system.h"
#include "workbook/zip_archive.h"

namespace qoru::workbook {
namespace {

constexpr std::size_t kMaxRows = 1048576, kMaxColumns = 16384;
constexpr std::size_t kMaxFile = std::size_t{1} << 30;

// An element's or attribute's name without its namespace ("uri\x01local").
std::string_view Local(const XML_Char* name) {
  const std::string_view n(name);
  const std::size_t sep = n.rfind('\x01');
  return sep == std::string_view::npos ? n : n.substr(sep + 1);
}

std::string_view Namespace(const XML_Char* name) {
  const std::string_view n(name);
  const std::size_t sep = n.rfind('\x01');
  return sep == std::string_view::npos ? std::string_view() : n.substr(0, sep);
}

// SAX over one XML part: `start` and `end` get local names and the attributes.
struct Handlers {
  std::function<void(std::string_view name, const XML_Char** attributes)> start;
  std::function<void(std::string_view name)> end;
  std::function<void(std::string_view text)> text;
};

void Parse(const std::string& xml, const std::string& part, const std::string& shown, Handlers& h) {
  std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(
      XML_ParserCreateNS(nullptr, '\x01'), XML_ParserFree);
  if (!parser) throw WorkbookError("无法读取 " + shown + "：内存不足");
  XML_Parser p = parser.get();
  XML_SetUserData(p, &h);
  XML_SetElementHandler(
      p,
      [](void* d, const XML_Char* name, const XML_Char** attributes) {
        auto* handlers = static_cast<Handlers*>(d);
        if (handlers->start) handlers->start(Local(name), attributes);
      },
      [](void* d, const XML_Char* name) {
        auto* handlers = static_cast<Handlers*>(d);
        if (handlers->end) handlers->end(Local(name));
      });
  XML_SetCharacterDataHandler(p, [](void* d, const XML_Char* s, int len) {
    auto* handlers = static_cast<Handlers*>(d);
    if (handlers->text) handlers->text(std::string_view(s, static_cast<std::size_t>(len)));
  });
  // A workbook's parts have no document type, and so no entity of their own: a part
  // that declares one is refused before it is parsed.
  XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
  if (xml.find("<!DOCTYPE") != std::string::npos)
    throw WorkbookError("无法读取 " + shown + "：" + part + " 含有文档类型声明");
  if (XML_Parse(p, xml.data(), static_cast<int>(xml.size()), XML_TRUE) == XML_STATUS_ERROR)
    throw WorkbookError("无法读取 " + shown + "：" + part + " 第 " +
                        std::to_string(XML_GetCurrentLineNumber(p)) + " 行的 XML 有误（" +
                        XML_ErrorString(XML_GetErrorCode(p)) + "）");
}

const XML_Char* Attribute(const XML_Char** attributes, std::string_view local) {
  for (std::size_t i = 0; attributes[i]; i += 2)
    if (Local(attributes[i]) == local) return attributes[i + 1];
  return nullptr;
}

// The relationships of a part: id -> target path inside the archive.
std::map<std::string, std::pair<std::string, std::string>> Relationships(const ZipArchive& zip,
                                                                         const std::string& rels,
                                                                         const std::string& base,
                                                                         const std::string& shown) {
  std::map<std::string, std::pair<std::string, std::string>> out;
  if (!zip.Has(rels)) return out;
  Handlers h;
  h.start = [&](std::string_view name, const XML_Char** a) {
    if (name != "Relationship") return;
    const XML_Char* id = Attribute(a, "Id");
    const XML_Char* target = Attribute(a, "Target");
    const XML_Char* type = Attribute(a, "Type");
    if (!id || !target) return;
    std::string path = target;
    if (!path.empty() && path[0] == '/')
      path.erase(0, 1);
    else
      path = base + path;
    out[id] = {path, type ? type : ""};
  };
  Parse(zip.Read(rels), rels, shown, h);
  return out;
}

// Column and row of a reference such as "AB12" (from 0); false when it is not one.
bool ParseReference(std::string_view r, std::size_t* row, std::size_t* col) {
  std::size_t i = 0, c = 0, n = 0;
  while (i < r.size() && r[i] >= 'A' && r[i] <= 'Z') {
    c = c * 26 + static_cast<std::size_t>(r[i] - 'A' + 1);
    if (c > kMaxColumns) return false;
    ++i;
  }
  if (i == 0 || i == r.size()) return false;
  for (; i < r.size(); ++i) {
    if (r[i] < '0' || r[i] > '9') return false;
    n = n * 10 + static_cast<std::size_t>(r[i] - '0');
    if (n > kMaxRows) return false;
  }
  if (n == 0) return false;
  *row = n - 1;
  *col = c - 1;
  return true;
}

}  // namespace

struct XlsxReader::State {
  std::string shown;
  std::unique_ptr<ZipArchive> zip;
  std::vector<std::pair<std::string, std::string>> sheets;  // name, part
  std::vector<std::string> strings;                         // shared strings
};

const Cell& SheetCells::At(std::size_t row, std::size_t col) const {
  static const Cell kEmpty;
  const auto r = rows_.find(row);
  if (r == rows_.end()) return kEmpty;
  const auto c = r->second.find(col);
  return c == r->second.end() ? kEmpty : c->second;
}

void SheetCells::Set(std::size_t row, std::size_t col, Cell cell) {
  rows_[row][col] = std::move(cell);
}

XlsxReader::XlsxReader(const std::string& path, const std::string& shown) : state_(new State) {
  std::unique_ptr<State> state(state_);
  state->shown = shown;
  if (!IsRegularFile(path)) throw WorkbookError("找不到工作底稿 " + shown);
  std::string bytes;
  if (!ReadWholeFile(path, &bytes)) throw WorkbookError("无法读取工作底稿 " + shown);
  if (bytes.size() > kMaxFile) throw WorkbookError("工作底稿 " + shown + " 太大");
  state->zip = std::make_unique<ZipArchive>(std::move(bytes), shown);
  const ZipArchive& zip = *state->zip;

  // The workbook part, from the package's relationships.
  std::string workbook = "xl/workbook.xml";
  for (const auto& [id, target] : Relationships(zip, "_rels/.rels", "", shown))
    if (target.second.size() >= 14 &&
        target.second.compare(target.second.size() - 14, 14, "officeDocument") == 0)
      workbook = target.first;
  const std::size_t slash = workbook.rfind('/');
  const std::string base = slash == std::string::npos ? "" : workbook.substr(0, slash + 1);
  const std::string rels_path = base + "_rels/" + workbook.substr(slash + 1) + ".rels";
  const auto rels = Relationships(zip, rels_path, base, shown);

  Handlers h;
  h.start = [&](std::string_view name, const XML_Char** a) {
    if (name != "sheet") return;
    const XML_Char* sheet_name = Attribute(a, "name");
    const XML_Char* id = nullptr;
    for (std::size_t i = 0; a[i]; i += 2)
      if (Local(a[i]) == "id" && Namespace(a[i]).find("relationships") != std::string_view::npos)
        id = a[i + 1];
    if (!sheet_name || !id) return;
    const auto it = rels.find(id);
    if (it != rels.end()) state->sheets.emplace_back(sheet_name, it->second.first);
  };
  Parse(zip.Read(workbook), workbook, shown, h);

  for (const auto& [id, target] : rels) {
    if (target.second.size() < 13 ||
        target.second.compare(target.second.size() - 13, 13, "sharedStrings") != 0)
      continue;
    Handlers s;
    bool in_item = false, in_text = false;
    int phonetic = 0;
    std::string current;
    s.start = [&](std::string_view name, const XML_Char**) {
      if (name == "si") {
        in_item = true;
        current.clear();
      } else if (name == "rPh") {
        ++phonetic;
      } else if (name == "t") {
        in_text = in_item && phonetic == 0;
      }
    };
    s.end = [&](std::string_view name) {
      if (name == "si") {
        state->strings.push_back(current);
        in_item = false;
      } else if (name == "rPh") {
        --phonetic;
      } else if (name == "t") {
        in_text = false;
      }
    };
    s.text = [&](std::string_view t) {
      if (in_text) current.append(t);
    };
    Parse(zip.Read(target.first), target.first, shown, s);
  }
  state.release();
}

XlsxReader::~XlsxReader() {
  delete state_;
}

std::vector<std::string> XlsxReader::SheetNames() const {
  std::vector<std::string> names;
  for (const auto& [name, part] : state_->sheets) names.push_back(name);
  return names;
}

bool XlsxReader::HasSheet(const std::string& name) const {
  for (const auto& [n, part] : state_->sheets)
    if (n == name) return true;
  return false;
}

SheetCells XlsxReader::Sheet(const std::string& name) const {
  const std::string* part = nullptr;
  for (const auto& [n, p] : state_->sheets)
    if (n == name) part = &p;
  if (!part) throw WorkbookError("工作底稿 " + state_->shown + " 中没有工作表“" + name + "”");
  SheetCells cells;
  std::size_t row = 0, col = 0;
  bool row_seen = false;
  std::string type;
  bool in_value = false, in_inline = false, in_text = false, has_cell = false;
  std::string value;
  Handlers h;
  h.start = [&](std::string_view n, const XML_Char** a) {
    if (n == "row") {
      const XML_Char* r = Attribute(a, "r");
      std::size_t number = 0;
      if (r && std::from_chars(r, r + std::strlen(r), number).ec == std::errc() && number >= 1 &&
          number <= kMaxRows)
        row = number - 1;
      else if (row_seen)
        ++row;
      row_seen = true;
      col = 0;
    } else if (n == "c") {
      const XML_Char* r = Attribute(a, "r");
      std::size_t rr = row, cc = col;
      if (r && ParseReference(r, &rr, &cc)) {
        row = rr;
        col = cc;
      }
      const XML_Char* t = Attribute(a, "t");
      type = t ? t : "n";
      value.clear();
      has_cell = true;
    } else if (n == "v") {
      in_value = true;
    } else if (n == "is") {
      in_inline = true;
    } else if (n == "t" && in_inline) {
      in_text = true;
    }
  };
  h.end = [&](std::string_view n) {
    if (n == "v") {
      in_value = false;
    } else if (n == "t") {
      in_text = false;
    } else if (n == "is") {
      in_inline = false;
    } else if (n == "c" && has_cell) {
      has_cell = false;
      Cell cell;
      if (type == "s") {
        std::size_t index = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), index);
        if (ec != std::errc() || end != value.data() + value.size() ||
            index >= state_->strings.size())
          throw WorkbookError("无法读取 " + state_->shown + "：工作表“" + name +
                              "”引用了不存在的共享字符串");
        cell.kind = Cell::Kind::kText;
        cell.text = state_->strings[index];
      } else if (type == "inlineStr" || type == "str") {
        cell.kind = Cell::Kind::kText;
        cell.text = value;
      } else if (type == "b") {
        cell.kind = Cell::Kind::kBool;
        cell.text = value;
      } else if (type == "e") {
        cell.kind = Cell::Kind::kError;
        cell.text = value;
      } else if (!value.empty()) {
        cell.kind = Cell::Kind::kNumber;
        cell.text = value;
      }
      if (cell.kind != Cell::Kind::kEmpty) cells.Set(row, col, std::move(cell));
      ++col;
      if (col > kMaxColumns) col = kMaxColumns;
    }
  };
  h.text = [&](std::string_view t) {
    if (in_value || in_text) value.append(t);
  };
  Parse(state_->zip->Read(*part), *part, state_->shown, h);
  return cells;
}

int SerialDate(double serial) {
  if (!(serial >= 61 && serial < 2958466)) return 0;  // 1900-03-01 to 9999-12-31
  // Days since 1899-12-30, then the civil date (Howard Hinnant's algorithm).
  const long long days = static_cast<long long>(std::floor(serial)) - 25569;  // since 1970-01-01
  const long long z = days + 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const long long d = doy - (153 * mp + 2) / 5 + 1;
  const long long m = mp < 10 ? mp + 3 : mp - 9;
  const long long y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  return static_cast<int>(y * 10000 + m * 100 + d);
}

}  // namespace qoru::workbook
