// A whole conversion of a generated book set through DoIt: time per stage and peak
// memory, for book sets of up to millions of postings.
//
// The stage marks come from what the dialog shows (status texts, yields) and from the
// moment GBA.mdb appears in the work area, which ends the table text preparation:
//   copy          staging of the source files (the last staging yield)
//   table texts   rewriting the tables as comma-separated text (GBA.mdb appears)
//   import        the tables other than JZPZ and KMYE (the first yield of the chart)
//   chart         chart of accounts completion (its last yield)
//   voucher prep  the chart read, JZPZ counted, created and given its columns (the
//                 voucher status)
//   voucher pass  JZPZ imported with its codes spread (its last yield)
//   balance prep  the same for KMYE (the balance status)
//   balance pass  KMYE imported with its codes spread, aidInfo created (the auxiliary
//                 status)
//   aux tables    aidInfo rows, aidVour, aidBal (DoIt returns)
#include <sys/resource.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>

#include "bench_common.h"
#include "faces/headless_face.h"
#include "gendata/dataset.h"
#include "host/ole_string.h"
#include "plugin/do_it.h"
#include "text/gbk_codec.h"

namespace {

using Clock = std::chrono::steady_clock;

// Processor time of the whole process so far (user and system, every thread), in
// seconds: on a shared machine it shows the work of a stage when wall time is noisy.
double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Watches for a file to appear, polling every millisecond, and keeps the moment.
class FileWatch {
 public:
  explicit FileWatch(std::string path) : path_(std::move(path)), thread_([this] { Run(); }) {}
  ~FileWatch() {
    stop_ = true;
    thread_.join();
  }
  bool Seen() const { return seen_; }
  Clock::time_point When() const { return when_; }

 private:
  void Run() {
    struct stat st {};
    while (!stop_) {
      if (::stat(path_.c_str(), &st) == 0) {
        when_ = Clock::now();
        seen_ = true;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  std::string path_;
  Clock::time_point when_{};
  std::atomic<bool> seen_{false};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Keeps the moments at which the stages end; see the list at the top.
class TimingFace : public qoru::HeadlessFace {
 public:
  using Stages = std::vector<std::pair<std::string, double>>;

  // `out` receives the stage durations when the face is destroyed, as DoIt ends.
  TimingFace(const FileWatch& watch, Clock::time_point start, Stages* out)
      : HeadlessFace(Script{false, 0, false, false}),
        watch_(watch),
        start_(start),
        start_cpu_(CpuSeconds()),
        out_(out) {}
  ~TimingFace() override {
    *out_ = Measure(Clock::now());
    // Processor time between the status changes: the run up to the voucher pass, the
    // voucher pass (with the balance pass's preparation), the balance pass and the
    // auxiliary tables.
    if (status_cpu_.size() < 4) return;
    const double end = CpuSeconds();
    const char* names[] = {"cpu to vouchers", "cpu vouchers", "cpu balances", "cpu aux tables"};
    for (std::size_t i = 0; i < 4; ++i)
      out_->emplace_back(names[i], (i + 1 < 4 ? status_cpu_[i + 1] : end) -
                                       (i == 0 ? start_cpu_ : status_cpu_[i]));
  }

  bool ProcessMessages() override {
    last_yield_ = Clock::now();
    if (!staged_ && !watch_.Seen()) copy_end_ = last_yield_;
    if (!staged_ && watch_.Seen()) {
      staged_ = true;
      import_end_ = last_yield_;
    }
    return HeadlessFace::ProcessMessages();
  }

  void StatusChanged(const std::string& text) override {
    const Clock::time_point now = Clock::now();
    status_cpu_.push_back(CpuSeconds());
    statuses_.push_back(now);
    before_status_.push_back(last_yield_);
    std::printf("%8.2f s  %s\n", std::chrono::duration<double>(now - start_).count(),
                qoru::GbkToUtf8(text).c_str());
    std::fflush(stdout);
  }

  // Stage names and durations in seconds, once the run has ended at `end`.
  Stages Measure(Clock::time_point end) const {
    auto s = [](Clock::time_point a, Clock::time_point b) {
      return std::chrono::duration<double>(b - a).count();
    };
    Stages out;
    // Statuses: the initial one, the voucher, balance and auxiliary passes.
    if (statuses_.size() < 4 || !watch_.Seen()) return out;
    out.emplace_back("copy", s(start_, copy_end_));
    out.emplace_back("table texts", s(copy_end_, watch_.When()));
    out.emplace_back("import", s(watch_.When(), import_end_));
    out.emplace_back("chart", s(import_end_, before_status_[1]));
    out.emplace_back("voucher prep", s(before_status_[1], statuses_[1]));
    out.emplace_back("voucher pass", s(statuses_[1], before_status_[2]));
    out.emplace_back("balance prep", s(before_status_[2], statuses_[2]));
    out.emplace_back("balance pass", s(statuses_[2], statuses_[3]));
    out.emplace_back("aux tables", s(statuses_[3], end));
    return out;
  }

 private:
  const FileWatch& watch_;
  Clock::time_point start_;
  double start_cpu_;
  Stages* out_;
  Clock::time_point last_yield_{};
  Clock::time_point copy_end_{};
  Clock::time_point import_end_{};
  bool staged_ = false;
  std::vector<Clock::time_point> statuses_;
  std::vector<double> status_cpu_;                // processor time at each status change
  std::vector<Clock::time_point> before_status_;  // the last yield before each status
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
  auto t0 = Clock::now();
  const auto summary = qoru::gen::WriteDataset(source, options);
  std::printf("generated %zu postings, %zu balances, %.0f MB in %.1f s\n", summary.postings,
              summary.balances, static_cast<double>(summary.bytes) / 1e6, qoru::bench::Seconds(t0));

  t0 = Clock::now();
  {
    FileWatch watch(work + "TemplateTemp/GBA.mdb");
    TimingFace::Stages stages;
    qoru::SetFaceFactory([&] { return std::make_unique<TimingFace>(watch, t0, &stages); });
    BSTR result = nullptr;
    qoru::DoItImpl(&result, 0, work.c_str(), source.c_str(), nullptr);
    const double total_s = qoru::bench::Seconds(t0);
    const std::string text = qoru::Utf16ToUtf8(std::u16string(result, SysStringLen(result)));
    SysFreeString(result);
    std::printf("result     %s\n", text.c_str());
    nlohmann::json marks = nlohmann::json::object();
    for (const auto& [name, seconds] : stages) {
      std::printf("  %-16s %6.2f s\n", name.c_str(), seconds);
      marks[name] = seconds;
    }
    std::printf("total      %.2f s, %.0f postings/s, %.2f us a posting\n", total_s,
                summary.postings / total_s, total_s * 1e6 / summary.postings);
    std::printf("peak RSS   %.1f MiB\n", qoru::bench::PeakRssMiB());
    qoru::bench::Report({{"bench", "conversion"},
                         {"postings", summary.postings},
                         {"seconds", total_s},
                         {"stages", marks},
                         {"ok", text != "0"},
                         {"peak_rss_mib", qoru::bench::PeakRssMiB()}});
    if (!keep) fs::remove_all(dir);
    return text == "0" ? 1 : 0;
  }
}
