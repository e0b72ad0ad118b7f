#include "sampling/workpaper/provenance.h"

#include <algorithm>
#include <vector>

#include "errors/errors.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "sampling/workpaper/sha256.h"

namespace qoru::sampling {

std::vector<std::string> DatabaseFiles(const std::string& database,
                                       const std::string& description) {
  std::vector<std::string> files{database};
  if (IsRegularFile(description)) files.push_back(description);
  return files;
}

std::vector<std::string> FolderFiles(const std::string& folder) {
  std::vector<std::string> names;
  if (!os::ListNames(folder, &names)) return {};
  std::vector<std::string> files;
  for (const std::string& name : names) {
    if (name.size() < 4) continue;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const std::string path = folder + "/" + name;
    if (ext == ".txt" && IsRegularFile(path)) files.push_back(path);
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool DigestFile(const std::string& path, long long* size, std::string* sha256) {
  const int fd = os::OpenRead(path);
  if (fd < 0) return false;
  os::AdviseSequential(fd);
  Sha256 h;
  std::vector<char> buffer(1 << 20);
  long long total = 0;
  while (true) {
    const long n = os::Read(fd, buffer.data(), buffer.size());
    if (n < 0) {
      os::Close(fd);
      return false;
    }
    if (n == 0) break;
    h.Add(buffer.data(), static_cast<std::size_t>(n));
    total += n;
  }
  os::Close(fd);
  *size = total;
  *sha256 = h.Hex();
  return true;
}

std::vector<SourceFile> DescribeFiles(const std::vector<std::string>& paths) {
  std::vector<SourceFile> out;
  for (const std::string& path : paths) {
    SourceFile f;
    f.path = os::PathText(path);
    if (!DigestFile(path, &f.size, &f.sha256))
      throw FileError("无法读取文件 " + f.path + " 以计算其 SHA-256", path);
    out.push_back(std::move(f));
  }
  return out;
}

ProvenanceCheck CheckFiles(const std::vector<SourceFile>& recorded,
                           const std::function<std::string(const std::string&)>& path_of) {
  ProvenanceCheck c;
  for (const SourceFile& f : recorded) {
    const std::string path = path_of(f.path);
    long long size = 0;
    std::string digest;
    if (!IsRegularFile(path) || !DigestFile(path, &size, &digest)) {
      c.missing.push_back(f.path);
      continue;
    }
    if (size != f.size || digest != f.sha256) c.changed.push_back(f.path);
  }
  return c;
}

}  // namespace qoru::sampling
