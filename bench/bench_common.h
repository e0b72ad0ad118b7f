// Shared pieces of the benchmarks: wall time, peak resident memory, a silent stage host,
// and the JSON report line.
#pragma once

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

#include "faces/progress_bar.h"
#include "faces/stage_host.h"

namespace qoru::bench {

inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Peak resident set size of this process so far, in MiB.
inline double PeakRssMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

class SilentHost : public StageHost {
 public:
  ProgressBar& Progress() override { return bar_; }
  void SetStatus(const std::string&) override {}
  void Yield() override { ++yields_; }
  long yields() const { return yields_; }

 private:
  ProgressBar bar_;
  long yields_ = 0;
};

// A fresh source directory and work area under `dir`: DIR/src and DIR/work/ with
// TemplateTemp/ and the empty template DataBase/empty.mdb.
struct BenchArea {
  std::string source;
  std::string work;  // ends with "/"
};

inline BenchArea MakeBenchArea(const std::string& dir) {
  namespace fs = std::filesystem;
  fs::remove_all(dir);
  BenchArea area{dir + "/src", dir + "/work/"};
  fs::create_directories(area.source);
  fs::create_directories(area.work + "TemplateTemp");
  fs::create_directories(area.work + "DataBase");
  std::fclose(std::fopen((area.work + "DataBase/empty.mdb").c_str(), "wb"));
  return area;
}

inline void Report(const nlohmann::json& j) {
  std::printf("%s\n", j.dump().c_str());
}

}  // namespace qoru::bench
