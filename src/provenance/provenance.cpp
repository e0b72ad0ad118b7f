#include "provenance/provenance.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <exception>
#include <memory>
#include <thread>

#include "errors/errors.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "provenance/sha256.h"

namespace qoru::provenance {

FileRecord RecordFile(const std::string& path, std::string role) {
  FileRecord record;
  record.role = std::move(role);
  record.path = PathText(path);
  const int fd = os::OpenRead(path);
  if (fd < 0)
    throw FileError("无法读取文件 " + record.path + " 以计算其 SHA-256：" + SystemErrorText(errno),
                    path);
  os::AdviseSequential(fd);
  constexpr std::size_t kBlock = 1 << 20;
  const std::unique_ptr<char[]> block(new char[kBlock]);
  Sha256 hash;
  while (true) {
    const long n = os::Read(fd, block.get(), kBlock);
    if (n == 0) break;
    if (n < 0) {
      const int error = errno;
      os::Close(fd);
      throw FileError(
          "无法读取文件 " + record.path + " 以计算其 SHA-256：" + SystemErrorText(error), path);
    }
    hash.Update(block.get(), static_cast<std::size_t>(n));
    record.size += static_cast<std::uint64_t>(n);
  }
  os::Close(fd);
  record.sha256 = Sha256::Hex(hash.Finish());
  return record;
}

std::vector<FileRecord> RecordFiles(const std::vector<std::pair<std::string, std::string>>& paths,
                                    unsigned threads) {
  std::vector<FileRecord> records(paths.size());
  std::vector<std::exception_ptr> failures(paths.size());
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i; (i = next++) < paths.size();) {
      try {
        records[i] = RecordFile(paths[i].first, paths[i].second);
      } catch (...) {
        failures[i] = std::current_exception();
      }
    }
  };
  std::vector<std::thread> workers;
  const std::size_t count = std::min<std::size_t>(std::max(1u, threads), paths.size());
  for (std::size_t t = 1; t < count; ++t) workers.emplace_back(work);
  work();
  for (std::thread& t : workers) t.join();
  for (const std::exception_ptr& f : failures)
    if (f) std::rethrow_exception(f);
  return records;
}

nlohmann::ordered_json ProvenanceJson(const Provenance& p) {
  nlohmann::ordered_json files = nlohmann::ordered_json::array();
  for (const FileRecord& f : p.files)
    files.push_back({{"role", f.role}, {"path", f.path}, {"size", f.size}, {"sha256", f.sha256}});
  nlohmann::ordered_json out = {
      {"program", p.program},
      {"version", p.version},
      {"command", p.command},
      {"arguments", p.arguments},
      {"started", p.started},
      {"ended", p.ended},
      {"preparer",
       p.preparer.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(p.preparer)},
      {"encoding",
       p.encoding.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(p.encoding)},
      {"files", std::move(files)}};
  return out;
}

std::size_t WriteProvenance(workbook::Workbook& b, lxw_worksheet* s, std::size_t row,
                            const Provenance& p, std::string_view title) {
  b.Text(s, row++, 0, title, b.bold());
  const auto pair = [&](std::string_view key, const std::string& value) {
    b.Text(s, row, 0, key);
    b.Text(s, row++, 1, value);
  };
  pair("程序", p.program + " " + p.version);
  pair("编制人", p.preparer.empty() ? std::string("（未填写：用 --preparer 姓名）") : p.preparer);
  pair("开始时间", p.started);
  pair("结束时间", p.ended);
  if (!p.encoding.empty()) pair("源文件编码", p.encoding);
  std::string words = p.program + " " + p.command;
  for (const std::string& a : p.arguments) words += " " + a;
  pair("参数（原文）", words);
  const char* headers[] = {"用途", "文件", "大小（字节）", "SHA-256"};
  for (int c = 0; c < 4; ++c) b.Text(s, row, c, headers[c], b.bold());
  ++row;
  for (const FileRecord& f : p.files) {
    b.Text(s, row, 0, f.role);
    b.Text(s, row, 1, f.path);
    b.Number(s, row, 2, static_cast<double>(f.size));
    b.Text(s, row, 3, f.sha256);
    ++row;
  }
  return row;
}

}  // namespace qoru::provenance
