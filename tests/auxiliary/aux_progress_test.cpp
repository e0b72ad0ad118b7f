// The progress bar through the voucher and balance passes: the total is the table's
// row count and the count after each row is that row's number, from 1, whether the
// row carries codes or not.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support/bookset.h"
#include "test_support/system.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using test::BookSet;
using test::RunDoIt;
using test::Workspace;
using Events = std::vector<std::string>;

// The progress changes after the chart of accounts stage has filled its bar and before
// the auxiliary information tables begin.
Events PassProgress(const Events& events) {
  const auto chart_done = std::find(events.begin(), events.end(), "progress:4/4 100%");
  const auto info = std::find(events.begin(), events.end(), "status:正在生成辅助信息表，请稍候……");
  EXPECT_NE(chart_done, events.end());
  EXPECT_NE(info, events.end());
  Events progress;
  for (auto it = chart_done + 1; it < info; ++it)
    if (it->rfind("progress:", 0) == 0) progress.push_back(*it);
  return progress;
}

TEST(AuxPassProgress, CountsEveryRowOfTheVoucherAndBalancePassesFromOne) {
  Workspace ws;
  BookSet set;
  set.aux_types = {"A"};
  set.archives = {{"A", "ADA.txt"}};
  set.archive_rows = {{"ADA.txt", {{"a1", "甲"}}}};
  set.kjkm = {{"1001", "现金", "借", ""}, {"6602", "费用", "借", "A"}};
  set.jzpz = {{"6602", "x", "1", "0", "人民币", "0", "a1"},
              {"1001", "y", "1", "0", "人民币", "0", ""},
              {"6602", "z", "0", "1", "人民币", "0", "a1"}};
  set.kmye = {{"1001", "人民币", "5", ""}, {"6602", "人民币", "7", "a1"}};
  ws.WriteBookSet(set);
  const auto outcome = RunDoIt(ws.work(), ws.source());
  ASSERT_EQ(outcome.result, test::ResultPath(ws.db()));
  EXPECT_EQ(PassProgress(outcome.events),
            (Events{
                "progress:0/3 0%", "progress:1/3 33%", "progress:2/3 67%", "progress:3/3 100%",
                "progress:0/2 0%", "progress:1/2 50%", "progress:2/2 100%",
                "progress:0/1 0%",  // one archive file next
            }));
  const auto voucher_status =
      std::find(outcome.events.begin(), outcome.events.end(), "status:正在处理凭证表，请稍候……");
  const auto balance_status =
      std::find(outcome.events.begin(), outcome.events.end(), "status:正在处理余额表，请稍候……");
  EXPECT_LT(voucher_status, balance_status);
}

}  // namespace
}  // namespace qoru
