// A whole conversion of a generated book set through DoIt: time per stage and peak
// memory, for book sets of up to millions of postings.
#include <filesystem>

#include <CLI/CLI.hpp>

#include "bench_common.h"
#include "gendata/dataset.h"
#include "platform/gbk_codec.h"
#include "platform/headless_face.h"
#include "platform/ole_string.h"
#include "plugin/do_it.h"

namespace {

// Prints the status changes with the time they came, so that stages can be timed.
class TimingFace : public qoru::HeadlessFace {
 public:
  TimingFace()
      : HeadlessFace(Script{false, 0, false, false}), start_(std::chrono::steady_clock::now()) {}
  void StatusChanged(const std::string& text) override {
    std::printf("%8.2f s  %s\n", qoru::bench::Seconds(start_), qoru::GbkToUtf8(text).c_str());
    std::fflush(stdout);
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"整个转换的耗时和内存峰值"};
  int postings = 1000000;
  int balances = 100000;
  std::string dir = "/tmp/qoru-bench-conversion";
  bool keep = false;
  app.add_option("--postings", postings, "凭证行数");
  app.add_option("--balances", balances, "余额行数");
  app.add_option("--dir", dir, "工作用的临时目录");
  app.add_flag("--keep", keep, "结束后保留临时目录");
  CLI11_PARSE(app, argc, argv);

  namespace fs = std::filesystem;
  const qoru::bench::BenchArea area = qoru::bench::MakeBenchArea(dir);
  const std::string& source = area.source;
  const std::string& work = area.work;

  qoru::gen::DatasetOptions options;
  options.postings = postings;
  options.balances = balances;
  options.top_accounts = 60;
  options.depth = 4;
  options.omit_parents = true;
  options.other_currencies = true;
  options.void_postings = true;
  options.irregular_aux_groups = true;
  auto t0 = std::chrono::steady_clock::now();
  const auto summary = qoru::gen::WriteDataset(source, options);
  std::printf("generated %zu postings, %zu balances, %.0f MB in %.1f s\n", summary.postings,
              summary.balances, static_cast<double>(summary.bytes) / 1e6, qoru::bench::Seconds(t0));

  qoru::SetFaceFactory([] { return std::make_unique<TimingFace>(); });
  t0 = std::chrono::steady_clock::now();
  BSTR result = nullptr;
  qoru::DoItImpl(&result, 0, work.c_str(), source.c_str(), nullptr);
  const double total_s = qoru::bench::Seconds(t0);
  const std::string text = qoru::Utf16ToUtf8(std::u16string(result, SysStringLen(result)));
  SysFreeString(result);
  std::printf("result     %s\n", text.c_str());
  std::printf("total      %.2f s, %.0f postings/s\n", total_s, summary.postings / total_s);
  std::printf("peak RSS   %.1f MiB\n", qoru::bench::PeakRssMiB());
  qoru::bench::Report({{"bench", "conversion"},
                       {"postings", summary.postings},
                       {"seconds", total_s},
                       {"ok", text != "0"},
                       {"peak_rss_mib", qoru::bench::PeakRssMiB()}});
  if (!keep) fs::remove_all(dir);
  return text == "0" ? 1 : 0;
}
