#include "workbook/workbook.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include <fmt/format.h>

#include "errors/errors.h"
#include "files/file_system.h"
#include "files/interrupt_cleanup.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "text/utf8.h"

namespace qoru::workbook {
namespace {

// A4 in Excel's paper codes.
constexpr std::uint8_t kPaperA4 = 9;
// A page header or footer holds at most 255 characters.
constexpr std::size_t kTitleCharacters = 80;
// The widest a column is made by its content.
constexpr double kWidestColumn = 80;

// The characters of valid UTF-8 text, each counted as two when its lead byte is
// `wide_from` or above, else as one.
std::size_t Characters(std::string_view text, unsigned char wide_from) {
  std::size_t count = 0;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if ((b & 0xC0) != 0x80) count += b >= wide_from ? 2 : 1;
  }
  return count;
}

// Display columns, as a column width wants them: characters from U+3000 on (the
// ideographs and full-width forms) two, the others one.
double TextColumns(std::string_view text) {
  return static_cast<double>(Characters(text, 0xE3));
}

// UTF-16 units: characters beyond the basic plane (four bytes) two.
std::size_t Utf16Units(std::string_view text) {
  return Characters(text, 0xF0);
}

// `text` as a header or footer writes it: "&" doubled, cut to a length it holds.
std::string HeaderText(std::string_view text) {
  std::string out;
  std::size_t characters = 0, i = 0;
  while (i < text.size() && characters < kTitleCharacters) {
    bool malformed = false;
    const char32_t c = DecodeUtf8(text, i, &malformed);
    if (c == U'&') out += '&';
    AppendUtf8(c, out);
    ++characters;
  }
  return out;
}

// Whether the file at `path` (a link followed) is one its owner may not write.
bool ReadOnly(const std::string& path) {
  os::FileInfo info;
  return os::Stat(path, &info) && info.kind == os::Kind::kRegular && (info.mode & 0200) == 0;
}

}  // namespace

std::string FitCell(std::string_view text, bool* cut) {
  *cut = false;
  // A text of no more bytes than a cell's characters fits: a UTF-16 unit takes a byte
  // at least.
  if (text.size() <= kCellCharacters || Utf16Units(text) <= kCellCharacters)
    return std::string(text);
  *cut = true;
  std::size_t characters = 0;
  for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  const std::string marker = fmt::format("…（已截断，全文 {} 字）", characters);
  const std::size_t room = kCellCharacters - Utf16Units(marker);
  std::size_t units = 0, end = 0;
  while (end < text.size()) {
    const auto b = static_cast<unsigned char>(text[end]);
    const std::size_t length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    const std::size_t width = b >= 0xF0 ? 2 : 1;
    if (units + width > room || end + length > text.size()) break;
    units += width;
    end += length;
  }
  return std::string(text.substr(0, end)) + marker;
}

Workbook::Workbook(const std::string& path, const std::string& target, std::string title)
    : target_(target), title_(std::move(title)) {
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.use_zip64 = LXW_TRUE;
  // The library takes UTF-8 names; its temporary files go to a folder of this
  // workbook's (its own default on Windows is the root of the drive).
  std::string tmpdir = os::Utf8FileName(scratch_.path());
  options.tmpdir = tmpdir.data();
  workbook_ = workbook_new_opt(os::Utf8FileName(path).c_str(), &options);
  if (!workbook_) throw WorkbookError("无法创建工作底稿 " + target);
  money_ = Made(workbook_add_format(workbook_), "格式");
  format_set_num_format(money_, "#,##0.00");
  date_ = Made(workbook_add_format(workbook_), "格式");
  format_set_num_format(date_, "yyyy-mm-dd");
  bold_ = Made(workbook_add_format(workbook_), "格式");
  format_set_bold(bold_);
  share_ = Made(workbook_add_format(workbook_), "格式");
  format_set_num_format(share_, "0.0000");
}

Workbook::~Workbook() {
  if (workbook_) workbook_close(workbook_);
}

void Workbook::Close() {
  // Columns not fitted by the writer are fitted now, the widest kept readable.
  for (auto& entry : widths_) FitColumns(entry.first, 0, kWidestColumn);
  const lxw_error e = workbook_close(workbook_);
  workbook_ = nullptr;
  if (e != LXW_NO_ERROR)
    throw WorkbookError(fmt::format("无法写入工作底稿 {}：{}", target_, lxw_strerror(e)));
}

void Workbook::Check(lxw_error e, std::string_view what) const {
  if (e == LXW_NO_ERROR) return;
  throw WorkbookError(fmt::format("无法写入工作底稿 {}（{}）：{}", target_, what, lxw_strerror(e)));
}

std::string Workbook::Where(lxw_worksheet* s, std::size_t row, int col) const {
  const auto it = names_.find(s);
  std::string column;
  for (int c = col + 1; c > 0; c = (c - 1) / 26)
    column.insert(column.begin(), static_cast<char>('A' + (c - 1) % 26));
  return fmt::format("工作表 {} 的单元格 {}{}", it == names_.end() ? "" : it->second, column,
                     row + 1);
}

lxw_worksheet* Workbook::Sheet(const std::string& name) {
  lxw_worksheet* s = workbook_add_worksheet(workbook_, name.c_str());
  if (!s) throw WorkbookError("无法在工作底稿 " + target_ + " 中添加工作表 " + name);
  names_[s] = name;
  worksheet_set_landscape(s);
  worksheet_set_paper(s, kPaperA4);
  worksheet_fit_to_pages(s, 1, 0);
  const std::string header = "&L" + HeaderText(title_) + "&R&A";
  Check(worksheet_set_header(s, header.c_str()), "工作表 " + name + " 的页眉");
  Check(worksheet_set_footer(s, "&C第 &P 页，共 &N 页"), "工作表 " + name + " 的页脚");
  return s;
}

void Workbook::Cell(lxw_worksheet* s, int col, double columns) {
  if (s != last_sheet_) {
    last_sheet_ = s;
    last_widths_ = &widths_[s];
  }
  std::vector<double>& widths = *last_widths_;
  const auto c = static_cast<std::size_t>(col);
  if (widths.size() <= c) widths.resize(c + 1, 0);
  if (widths[c] >= 0 && columns > widths[c]) widths[c] = columns;
}

void Workbook::WriteString(lxw_worksheet* s, std::size_t row, int col, const char* text,
                           lxw_format* f) {
  const lxw_error e =
      worksheet_write_string(s, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), text, f);
  if (e != LXW_NO_ERROR) Check(e, Where(s, row, col));
}

void Workbook::Text(lxw_worksheet* s, std::size_t row, int col, const std::string& text,
                    lxw_format* f) {
  Text(s, row, col, std::string_view(text), f);
}

void Workbook::Text(lxw_worksheet* s, std::size_t row, int col, std::string_view text,
                    lxw_format* f) {
  if (text.empty()) return;
  const double bold = f == bold_ ? 1.15 : 1.0;
  if (text.size() <= kCellCharacters && IsValidUtf8(text)) {
    Cell(s, col, TextColumns(text) * bold);
    // The library wants a terminated string: short texts are terminated on the stack.
    char small[256];
    if (text.size() < sizeof small) {
      std::memcpy(small, text.data(), text.size());
      small[text.size()] = '\0';
      WriteString(s, row, col, small, f);
    } else {
      WriteString(s, row, col, std::string(text).c_str(), f);
    }
    return;
  }
  bool cut = false;
  const std::string fitted = FitCell(IsValidUtf8(text) ? std::string(text) : ValidUtf8(text), &cut);
  cut_cells_ += cut ? 1 : 0;
  Cell(s, col, TextColumns(fitted) * bold);
  WriteString(s, row, col, fitted.c_str(), f);
}

void Workbook::Text(lxw_worksheet* s, std::size_t row, int col, const char* text, lxw_format* f) {
  Text(s, row, col, std::string_view(text), f);
}

void Workbook::Number(lxw_worksheet* s, std::size_t row, int col, double v, lxw_format* f) {
  const lxw_error e =
      worksheet_write_number(s, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), v, f);
  if (e != LXW_NO_ERROR) Check(e, Where(s, row, col));
  // Its digits, with the money format's separators and decimals.
  const double magnitude = std::fabs(v);
  double digits = magnitude < 10 ? 1 : std::floor(std::log10(magnitude)) + 1;
  if (f == money_)
    digits += std::floor((digits - 1) / 3) + 3;
  else if (v != std::floor(v))
    digits += 5;
  Cell(s, col, digits + (v < 0 ? 1 : 0) + 1);
}

void Workbook::Date(lxw_worksheet* s, std::size_t row, int col, int yyyymmdd) {
  if (yyyymmdd == 0) return;
  const int year = yyyymmdd / 10000, month = yyyymmdd / 100 % 100, day = yyyymmdd % 100;
  if (year < 1900) {
    Text(s, row, col, fmt::format("{:04}-{:02}-{:02}", year, month, day));
    return;
  }
  lxw_datetime d{year, month, day, 0, 0, 0};
  const lxw_error e = worksheet_write_datetime(s, static_cast<lxw_row_t>(row),
                                               static_cast<lxw_col_t>(col), &d, date_);
  if (e != LXW_NO_ERROR) Check(e, Where(s, row, col));
  Cell(s, col, 11);
}

void Workbook::Digits(lxw_worksheet* s, std::size_t row, int col, std::string_view text) {
  const bool digits =
      !text.empty() && text.size() <= 15 && (text[0] != '0' || text.size() == 1) &&
      std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!digits) {
    Text(s, row, col, text);
    return;
  }
  double v = 0;
  for (const char c : text) v = v * 10 + (c - '0');
  Number(s, row, col, v);
}

void Workbook::Width(lxw_worksheet* s, int first, int last, double width) {
  Check(worksheet_set_column(s, static_cast<lxw_col_t>(first), static_cast<lxw_col_t>(last), width,
                             nullptr),
        "列宽");
  std::vector<double>& widths = widths_[s];
  if (widths.size() <= static_cast<std::size_t>(last))
    widths.resize(static_cast<std::size_t>(last) + 1, 0);
  for (int c = first; c <= last; ++c) widths[static_cast<std::size_t>(c)] = -1;
}

void Workbook::FitColumns(lxw_worksheet* s, double minimum, double maximum) {
  const auto it = widths_.find(s);
  if (it == widths_.end()) return;
  for (std::size_t c = 0; c < it->second.size(); ++c) {
    double& w = it->second[c];
    if (w <= 0) continue;
    double width = w + 1;
    if (minimum > 0) width = std::max(width, minimum);
    if (maximum > 0) width = std::min(width, maximum);
    const auto col = static_cast<lxw_col_t>(c);
    Check(worksheet_set_column(s, col, col, width, nullptr), "列宽");
    w = -1;  // set once
  }
}

void Workbook::HeaderRow(lxw_worksheet* s, std::size_t last_row, int last_col) {
  worksheet_freeze_panes(s, 1, 0);
  Check(worksheet_repeat_rows(s, 0, 0), "打印标题行");
  Check(worksheet_autofilter(s, 0, 0, static_cast<lxw_row_t>(last_row),
                             static_cast<lxw_col_t>(last_col)),
        "筛选");
}

void Workbook::PageBreaks(lxw_worksheet* s, std::vector<lxw_row_t> rows) {
  rows.push_back(0);  // the library's list ends with 0
  Check(worksheet_set_h_pagebreaks(s, rows.data()), "分页");
}

bool WriteWorkbook(const std::string& path, const std::function<void(Workbook&)>& write,
                   bool overwrite, const std::string& title) {
  // Paths are GBK text: they go through the files room, never std::filesystem.
  const std::string parent = ParentDirectory(path);
  const std::string dir = parent.empty() ? "." : parent;
  const std::string shown = PathText(path);
  if (const std::string problem = TargetProblem(path, overwrite); !problem.empty())
    throw WorkbookError("不写工作底稿：" + problem);
  RemovedOnInterrupt temp(RemovedOnInterrupt::Kind::kFile, [&] {
    std::string name = dir + "/." + LastPathPart(path) + ".XXXXXX";
    const int fd = os::CreateTemporary(name);
    if (fd < 0) throw WorkbookError("无法写入工作底稿 " + shown + "：" + SystemErrorText(errno));
    os::SetMode(fd, os::NewFileMode(0644));
    os::Close(fd);
    return name;
  });
  bool replaced = false;
  try {
    Workbook b(temp.path(), shown, title);
    write(b);
    PauseForTestsAt("workpaper");
    b.Close();
    // Looked at again: a file may have come, or turned read-only, while this one was
    // written.
    os::FileInfo before;
    const bool exists = os::Stat(path, &before, false) && before.kind != os::Kind::kMissing;
    if (exists && (!overwrite || ReadOnly(path)))
      throw WorkbookError("不写工作底稿：" + TargetProblem(path, overwrite));
    const int renamed =
        overwrite ? os::Rename(temp.path(), path) : os::RenameNoReplace(temp.path(), path);
    if (renamed != 0) {
      const int error = errno;
      throw WorkbookError("无法写入工作底稿 " + shown + "：" +
                          (error == EEXIST ? TargetProblem(path, false) : SystemErrorText(error)));
    }
    temp.Release();
    replaced = exists;
  } catch (...) {
    os::Remove(temp.path());
    throw;
  }
  return replaced;
}

std::string SheetName(std::string_view name) {
  constexpr std::size_t kMaxUnits = 31;
  std::string out;
  std::size_t units = 0, i = 0;
  while (i < name.size()) {
    bool malformed = false;
    char32_t c = DecodeUtf8(name, i, &malformed);
    // The characters Excel forbids, as their full-width forms, which it allows.
    if (c == U'[' || c == U']' || c == U':' || c == U'*' || c == U'?' || c == U'/' || c == U'\\')
      c += 0xFEE0;
    const std::size_t width = c > 0xFFFF ? 2 : 1;
    if (units + width > kMaxUnits) break;
    units += width;
    AppendUtf8(c, out);
  }
  return out;
}

std::string TargetProblem(const std::string& path, bool overwrite, std::string_view option) {
  const std::string parent = ParentDirectory(path);
  const std::string dir = parent.empty() ? "." : parent;
  const std::string shown = PathText(path);
  if (IsDirectory(path)) return shown + " 是一个目录";
  if (!IsDirectory(dir)) return shown + " 所在的目录不存在";
  os::FileInfo info;
  if (os::Stat(path, &info, false) && info.kind != os::Kind::kMissing) {
    if (info.kind != os::Kind::kRegular && info.kind != os::Kind::kLink)
      return shown + " 已存在，且不是普通文件";
    if (ReadOnly(path))
      return fmt::format("{} 已存在且是只读的，不会替换它（加 {} 也不会）：请换一个文件名", shown,
                         option);
    if (!overwrite)
      return fmt::format("{} 已存在，不会替换它：要替换它请加 {}，或换一个文件名", shown, option);
  }
  std::string probe = dir + "/.qoru-probe-XXXXXX";
  const int fd = os::CreateTemporary(probe);
  if (fd < 0) return shown + " 所在的目录不可写";
  os::Close(fd);
  os::Remove(probe);
  return {};
}

}  // namespace qoru::workbook
