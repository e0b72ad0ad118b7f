#include "checks/report_output.h"

#include <fmt/format.h>

namespace qoru::checks {
namespace {

std::string FullMessage(const Finding& f) {
  const std::string place = Place(f);
  return place.empty() ? f.message : place + "：" + f.message;
}

}  // namespace

std::string_view StatusWord(const CheckResult& result) {
  if (result.skipped) return "skipped";
  return result.count == 0 ? "ok" : "findings";
}

std::string ReportText(const CheckReport& report) {
  std::string out;
  for (const CheckResult& r : report.results) {
    const CheckInfo& info = Info(r.id);
    for (const Finding& f : r.listed)
      out += fmt::format("{} {} {}\n", SeverityChinese(info.severity), info.name, FullMessage(f));
  }
  out += "检查结果：\n";
  for (const CheckResult& r : report.results) {
    const CheckInfo& info = Info(r.id);
    std::string state;
    if (r.skipped) {
      state = "跳过：" + r.reason;
    } else {
      state = fmt::format("{} 条", r.count);
      if (r.listed.size() < r.count) state += fmt::format("（列出前 {} 条）", r.listed.size());
      if (!r.reason.empty()) state += "（" + r.reason + "）";
    }
    out += fmt::format("  {:<21} {}  {}  {}\n", info.name, SeverityChinese(info.severity),
                       info.title, state);
  }
  out += fmt::format("共 {} 个错误、{} 个警告，用时 {:.2f} 秒\n", report.Errors(),
                     report.Warnings(), report.seconds);
  return out;
}

nlohmann::ordered_json ReportJson(const CheckReport& report) {
  nlohmann::ordered_json j;
  j["checks"] = nlohmann::ordered_json::array();
  j["findings"] = nlohmann::ordered_json::array();
  for (const CheckResult& r : report.results) {
    const CheckInfo& info = Info(r.id);
    nlohmann::ordered_json c = {{"id", info.name},
                                {"severity", SeverityName(info.severity)},
                                {"status", StatusWord(r)},
                                {"findings", r.count}};
    if (!r.reason.empty()) c["reason"] = r.reason;
    if (r.listed.size() < r.count) c["listed"] = r.listed.size();
    j["checks"].push_back(std::move(c));
    for (const Finding& f : r.listed) {
      nlohmann::ordered_json item = {{"check", info.name},
                                     {"severity", SeverityName(info.severity)},
                                     {"message", FullMessage(f)}};
      for (const auto& [key, value] : f.fields.items()) item[key] = value;
      j["findings"].push_back(std::move(item));
    }
  }
  j["errors"] = report.Errors();
  j["warnings"] = report.Warnings();
  j["seconds"] = report.seconds;
  return j;
}

std::string ReportJsonText(const nlohmann::ordered_json& json) {
  return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace qoru::checks
