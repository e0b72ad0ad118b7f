// Staging plus table text preparation of one large generated table text: throughput
// and peak memory. The files are streamed, so the peak stays flat whatever the size.
#include <unistd.h>

#include <filesystem>

#include <CLI/CLI.hpp>

#include "bench_common.h"
#include "gendata/dataset.h"
#include "staging/format_description.h"
#include "staging/source_staging.h"
#include "staging/table_text.h"
#include "text/gbk_codec.h"

int main(int argc, char** argv) {
  CLI::App app{"暂存与表文本改写的吞吐量和内存峰值"};
  std::uint64_t bytes = 1ull << 30;
  std::string dir = "/tmp/qoru-bench-staging";
  bool keep = false;
  app.add_option("--bytes", bytes, "生成的表文本大小（字节）");
  app.add_option("--dir", dir, "工作用的临时目录");
  app.add_flag("--keep", keep, "结束后保留临时目录");
  CLI11_PARSE(app, argc, argv);

  namespace fs = std::filesystem;
  const qoru::bench::BenchArea area = qoru::bench::MakeBenchArea(dir);
  const std::string& source = area.source;
  const std::string& work = area.work;

  auto t0 = std::chrono::steady_clock::now();
  const std::uint64_t written = qoru::gen::WriteLargeTable(source + "/JZPZ.txt", bytes, 1, true);
  const std::string gssm = qoru::Gbk(
      "[记账凭证]\r\nJZPZ.txt\r\n凭证日期,a\r\n凭证字,a\r\n凭证号,a\r\n摘要,a\r\n科目编号,a\r\n"
      "币种,a\r\n借方金额,a\r\n贷方金额,a\r\n作废标志,a\r\n辅助核算组,a\r\n制单人,a\r\n");
  FILE* f = std::fopen((source + "/GSSM.txt").c_str(), "wb");
  std::fwrite(gssm.data(), 1, gssm.size(), f);
  std::fclose(f);
  const double generate_s = qoru::bench::Seconds(t0);
  const double rss_after_generate = qoru::bench::PeakRssMiB();

  qoru::bench::SilentHost host;
  t0 = std::chrono::steady_clock::now();
  if (!qoru::StageSourceFiles(source, work, host)) {
    std::fprintf(stderr, "staging failed\n");
    return 1;
  }
  const double stage_s = qoru::bench::Seconds(t0);
  t0 = std::chrono::steady_clock::now();
  qoru::FormatDescription description;
  qoru::ReadFormatDescription(work, description);
  qoru::PrepareTableTexts(work, description.header_map, description.table_map);
  const double prepare_s = qoru::bench::Seconds(t0);
  const double mb = static_cast<double>(written) / 1e6;

  std::printf("input        %.0f MB (generated in %.1f s)\n", mb, generate_s);
  std::printf("staging      %.2f s  %.0f MB/s\n", stage_s, mb / stage_s);
  std::printf("table text   %.2f s  %.0f MB/s\n", prepare_s, mb / prepare_s);
  std::printf("both         %.2f s  %.0f MB/s\n", stage_s + prepare_s, mb / (stage_s + prepare_s));
  std::printf("peak RSS     %.1f MiB (%.1f MiB before staging)\n", qoru::bench::PeakRssMiB(),
              rss_after_generate);
  qoru::bench::Report({{"bench", "staging"},
                       {"bytes", written},
                       {"staging_mb_s", mb / stage_s},
                       {"table_text_mb_s", mb / prepare_s},
                       {"peak_rss_mib", qoru::bench::PeakRssMiB()}});
  if (!keep) fs::remove_all(dir);
  return 0;
}
