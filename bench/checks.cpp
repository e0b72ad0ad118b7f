// bench_checks: the checks on one converted database, in process, for tuning them.
//   bench_checks --db GBA.mdb [--runs 3]
// Prints the wall and processor time of each run, the findings, and a JSON line with the
// median wall time and the peak resident memory.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <vector>

#include <CLI/CLI.hpp>

#include "bench_common.h"
#include "checks/book_checks.h"

namespace {

double ProcessorSeconds() {
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"bench_checks"};
  std::string db;
  int runs = 3;
  app.add_option("--db", db, "converted database")->required();
  app.add_option("--runs", runs, "runs");
  CLI11_PARSE(app, argc, argv);

  const std::string description = (std::filesystem::path(db).parent_path() / "GSSM.txt").string();
  const qoru::checks::CheckOptions options;
  std::vector<double> walls;
  for (int r = 0; r < runs; ++r) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = ProcessorSeconds();
    const qoru::checks::CheckReport report = qoru::checks::RunChecks(db, description, options);
    walls.push_back(qoru::bench::Seconds(start));
    std::printf("run %d: %.3f s wall, %.3f s processor, %llu errors, %llu warnings\n", r + 1,
                walls.back(), ProcessorSeconds() - cpu,
                static_cast<unsigned long long>(report.Errors()),
                static_cast<unsigned long long>(report.Warnings()));
  }
  std::sort(walls.begin(), walls.end());
  qoru::bench::Report({{"bench", "checks"},
                       {"median_seconds", walls[walls.size() / 2]},
                       {"peak_rss_mib", qoru::bench::PeakRssMiB()}});
  return 0;
}
