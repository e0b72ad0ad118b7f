#include "workbook/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace qoru::workbook {
namespace {

std::uint64_t Le(const std::string& b, std::uint64_t at, int size) {
  std::uint64_t v = 0;
  for (int i = size - 1; i >= 0; --i)
    v = v << 8 |
        static_cast<unsigned char>(b[static_cast<std::size_t>(at) + static_cast<std::size_t>(i)]);
  return v;
}

constexpr std::uint32_t kEnd = 0x06054b50, kEnd64 = 0x06064b50, kLocator64 = 0x07064b50;
constexpr std::uint32_t kCentral = 0x02014b50, kLocal = 0x04034b50;

}  // namespace

void ZipArchive::Damaged(const std::string& why) const {
  throw WorkbookError("无法读取 " + name_ + "：它不是完好的 .xlsx 文件（" + why + "）");
}

ZipArchive::ZipArchive(std::string bytes, std::string name)
    : bytes_(std::move(bytes)), name_(std::move(name)) {
  const std::uint64_t n = bytes_.size();
  const auto need = [&](std::uint64_t at, std::uint64_t size) {
    if (at > n || size > n - at) Damaged("目录超出文件末尾");
  };
  // The end record: the last one within the final 64 KiB and its own 22 bytes.
  if (n < 22) Damaged("文件太短");
  std::uint64_t end = n - 22;
  const std::uint64_t lowest = n > 22 + 65535 ? n - 22 - 65535 : 0;
  while (Le(bytes_, end, 4) != kEnd) {
    if (end == lowest) Damaged("找不到压缩包目录");
    --end;
  }
  std::uint64_t count = Le(bytes_, end + 10, 2);
  std::uint64_t dir_size = Le(bytes_, end + 12, 4);
  std::uint64_t dir_at = Le(bytes_, end + 16, 4);
  if (count == 0xFFFF || dir_size == 0xFFFFFFFF || dir_at == 0xFFFFFFFF) {
    if (end < 20 || Le(bytes_, end - 20, 4) != kLocator64) Damaged("缺少 zip64 目录定位");
    const std::uint64_t at = Le(bytes_, end - 12, 8);
    need(at, 56);
    if (Le(bytes_, at, 4) != kEnd64) Damaged("zip64 目录记录损坏");
    count = Le(bytes_, at + 32, 8);
    dir_size = Le(bytes_, at + 40, 8);
    dir_at = Le(bytes_, at + 48, 8);
  }
  need(dir_at, dir_size);
  if (count > dir_size / 46) Damaged("目录的项数不对");
  std::uint64_t p = dir_at;
  for (std::uint64_t i = 0; i < count; ++i) {
    need(p, 46);
    if (Le(bytes_, p, 4) != kCentral) Damaged("目录项损坏");
    Entry e;
    e.method = static_cast<std::uint16_t>(Le(bytes_, p + 10, 2));
    e.crc = static_cast<std::uint32_t>(Le(bytes_, p + 16, 4));
    e.compressed = Le(bytes_, p + 20, 4);
    e.size = Le(bytes_, p + 24, 4);
    const std::uint64_t name_size = Le(bytes_, p + 28, 2), extra = Le(bytes_, p + 30, 2),
                        comment = Le(bytes_, p + 32, 2);
    e.offset = Le(bytes_, p + 42, 4);
    need(p + 46, name_size + extra + comment);
    e.name = bytes_.substr(static_cast<std::size_t>(p + 46), static_cast<std::size_t>(name_size));
    // The zip64 extra field holds, in order, the sizes and the offset that do not fit.
    for (std::uint64_t x = p + 46 + name_size; x + 4 <= p + 46 + name_size + extra;) {
      const std::uint64_t id = Le(bytes_, x, 2), size = Le(bytes_, x + 2, 2);
      if (x + 4 + size > p + 46 + name_size + extra) Damaged("扩展字段超出目录项");
      if (id == 1) {
        std::uint64_t f = x + 4;
        const auto take = [&](std::uint64_t& v) {
          if (v != 0xFFFFFFFF) return;
          if (f + 8 > x + 4 + size) Damaged("zip64 扩展字段太短");
          v = Le(bytes_, f, 8);
          f += 8;
        };
        take(e.size);
        take(e.compressed);
        take(e.offset);
      }
      x += 4 + size;
    }
    entries_.push_back(std::move(e));
    p += 46 + name_size + extra + comment;
  }
}

const ZipArchive::Entry* ZipArchive::Find(std::string_view name) const {
  for (const Entry& e : entries_)
    if (e.name == name) return &e;
  return nullptr;
}

bool ZipArchive::Has(std::string_view entry) const {
  return Find(entry) != nullptr;
}

std::vector<std::string> ZipArchive::Names() const {
  std::vector<std::string> names;
  for (const Entry& e : entries_) names.push_back(e.name);
  return names;
}

std::string ZipArchive::Read(std::string_view name, std::uint64_t limit) const {
  const Entry* e = Find(name);
  if (!e) Damaged("缺少 " + std::string(name));
  const std::uint64_t n = bytes_.size();
  if (e->offset > n || n - e->offset < 30 || Le(bytes_, e->offset, 4) != kLocal)
    Damaged(std::string(name) + " 的文件头损坏");
  const std::uint64_t data =
      e->offset + 30 + Le(bytes_, e->offset + 26, 2) + Le(bytes_, e->offset + 28, 2);
  if (data > n || e->compressed > n - data) Damaged(std::string(name) + " 超出文件末尾");
  if (e->size > limit) Damaged(std::string(name) + " 太大");
  const char* in = bytes_.data() + data;
  std::string out;
  if (e->method == 0) {
    if (e->compressed != e->size) Damaged(std::string(name) + " 的大小不一致");
    out.assign(in, static_cast<std::size_t>(e->size));
  } else if (e->method == 8) {
    // One call inflates it all; the byte beyond the stated size tells a stream that
    // runs past it.
    if (e->compressed > UINT_MAX) Damaged(std::string(name) + " 太大");
    out.resize(static_cast<std::size_t>(e->size) + 1);
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) Damaged("无法解压");
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in));
    z.avail_in = static_cast<uInt>(e->compressed);
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    const bool complete = rc == Z_STREAM_END && z.total_out == e->size;
    inflateEnd(&z);
    if (!complete) Damaged(std::string(name) + " 解压失败");
    out.resize(static_cast<std::size_t>(e->size));
  } else {
    Damaged(std::string(name) + " 的压缩方法不受支持");
  }
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(out.data()),
                          static_cast<uInt>(out.size()));
  if (static_cast<std::uint32_t>(crc) != e->crc) Damaged(std::string(name) + " 的校验和不符");
  return out;
}

}  // namespace qoru::workbook
