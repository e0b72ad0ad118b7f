// The host contract of DoIt: the result variable, the owner window, close requests and
// the two roads of failure.
#include "plugin/do_it.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "faces/headless_face.h"
#include "host/owner_window.h"
#include "test_support/bookset.h"
#include "test_support/log_capture.h"
#include "test_support/system.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

using test::BookSet;
using test::RunDoIt;
using test::Workspace;

// A small book set that converts without failure.
BookSet SmallBookSet() {
  BookSet set;
  set.aux_types = {"部门"};
  set.archives = {{"部门", "BMDA.txt"}};
  set.kjkm = {{"1001", "库存现金", "借", ""}, {"660201", "办公费", "借", "部门"}};
  set.kmye = {{"660201", "人民币", "100.00", "01"}};
  set.jzpz = {{"660201", "买纸", "10.00", "0.00", "人民币", "0", "01"}};
  set.archive_rows = {{"BMDA.txt", {{"01", "财务部"}}}};
  return set;
}

TEST(DoIt, SuccessfulRunReturnsTheStagingDatabasePath) {
  Workspace ws;
  ws.WriteBookSet(SmallBookSet());
  const auto outcome = RunDoIt(ws.work(), ws.source());
  EXPECT_EQ(outcome.result, test::ResultPath(ws.work() + "TemplateTemp/GBA.mdb"));
  EXPECT_TRUE(outcome.errors.empty());
}

TEST(DoIt, ReleasesTheStringItFindsAndStoresAOneCharacterZeroOnFailure) {
  Workspace ws;
  ws.WriteSource("a.txt", "x");
  std::filesystem::remove(ws.work() + "TemplateTemp");  // staging fails
  const std::int64_t live_before = LiveOleStrings();
  BSTR result = SysAllocStringLen(u"previous", 8);
  DoItImpl(&result, 0, ws.work().c_str(), ws.source().c_str(), nullptr);
  EXPECT_EQ(SysStringLen(result), 1u);
  EXPECT_EQ(std::u16string(result), u"0");
  SysFreeString(result);
  EXPECT_EQ(LiveOleStrings(), live_before);  // the previous string was released
}

TEST(DoIt, NullDirectoriesReadAsEmptyAndTheSpareArgumentHasNoEffect) {
  SetFaceFactory([] {
    HeadlessFace::Script script;
    script.quiet = true;
    return std::make_unique<HeadlessFace>(script);
  });
  for (const char* spare : {static_cast<const char*>(nullptr), "", "anything at all"}) {
    BSTR result = nullptr;
    DoItImpl(&result, 0, nullptr, nullptr, spare);
    EXPECT_EQ(std::u16string(result), u"0");
    SysFreeString(result);
  }
  SetFaceFactory(nullptr);

  Workspace ws;
  ws.WriteBookSet(SmallBookSet());
  for (const char* spare : {static_cast<const char*>(nullptr), "x"}) {
    std::filesystem::remove(ws.db());
    BSTR result = nullptr;
    SetFaceFactory([] {
      HeadlessFace::Script script;
      script.quiet = true;
      return std::make_unique<HeadlessFace>(script);
    });
    DoItImpl(&result, 0, ws.work().c_str(), ws.source().c_str(), spare);
    SetFaceFactory(nullptr);
    EXPECT_EQ(std::u16string(result), test::ResultPath(ws.db()));
    SysFreeString(result);
  }
}

// Records the owner window while the dialog is shown.
class OwnerSpyFace : public HeadlessFace {
 public:
  explicit OwnerSpyFace(std::uintptr_t* seen)
      : HeadlessFace(Script{false, 0, false, true}), seen_(seen) {}
  void Shown(const std::string&) override { *seen_ = OwnerWindow(); }

 private:
  std::uintptr_t* seen_;
};

TEST(DoIt, HostWindowOwnsTheDialogAndTheOwnerIsRestoredAfterSuccessAndFailure) {
  Workspace ok;
  ok.WriteBookSet(SmallBookSet());
  Workspace failing;  // no GSSM.txt: the chart step fails on its closed query
  for (const Workspace* ws : {&ok, &failing}) {
    SetOwnerWindow(77);
    std::uintptr_t seen = 0;
    SetFaceFactory([&seen] { return std::make_unique<OwnerSpyFace>(&seen); });
    BSTR result = nullptr;
    DoItImpl(&result, 4242, ws->work().c_str(), ws->source().c_str(), nullptr);
    SetFaceFactory(nullptr);
    EXPECT_EQ(seen, 4242u);
    EXPECT_EQ(OwnerWindow(), 77u);
    SysFreeString(result);
  }
  SetOwnerWindow(0);
}

TEST(DoIt, CloseWhileWaitingCancelsAndTouchesNoFileOfTheWorkDirectory) {
  Workspace ws;
  ws.WriteBookSet(SmallBookSet());
  const auto before = test::Snapshot(ws.work());
  HeadlessFace::Script script;
  script.close_while_waiting = true;
  const auto outcome = RunDoIt(ws.work(), ws.source(), script);
  EXPECT_EQ(outcome.result, u"0");
  EXPECT_EQ(test::Snapshot(ws.work()), before);
}

TEST(DoIt, CloseDuringTheRunLeavesTheRunsOutcomeStanding) {
  Workspace ws;
  ws.WriteBookSet(SmallBookSet());
  HeadlessFace::Script script;
  script.close_at_yield = 1;  // right after the first staged file
  const auto outcome = RunDoIt(ws.work(), ws.source(), script);
  EXPECT_EQ(outcome.result, test::ResultPath(ws.db()));
}

TEST(DoIt, EngineErrorIsLoggedOnceWithoutErrorBox) {
  Workspace ws;
  ws.WriteBookSet(SmallBookSet());
  std::filesystem::remove(ws.work() + "DataBase/empty.mdb");  // the final connect fails
  test::ClearLog();
  const auto outcome = RunDoIt(ws.work(), ws.source());
  EXPECT_EQ(outcome.result, u"0");
  EXPECT_TRUE(outcome.errors.empty());
  ASSERT_EQ(test::LogEntries().size(), 1u);
  const auto& entry = test::LogEntries()[0];
  EXPECT_EQ(entry.level, 3);
  const std::string message = Utf16ToUtf8(entry.message);
  EXPECT_EQ(message.rfind("SQL", 0), std::string::npos)
      << "the engine's message alone: " << message;
  EXPECT_NE(message.find("GBA.mdb"), std::string::npos) << message;
}

TEST(DoIt, OtherFailureShowsTheErrorBoxAndReturnsZeroOnceClosed) {
  Workspace ws;
  BookSet set = SmallBookSet();
  ws.WriteBookSet(set);
  std::filesystem::remove(ws.source() + "/JZPZ.txt");  // named in GSSM.txt, not in the source
  test::ClearLog();
  const auto outcome = RunDoIt(ws.work(), ws.source());
  EXPECT_EQ(outcome.result, u"0");
  ASSERT_EQ(outcome.errors.size(), 1u);
  EXPECT_NE(outcome.errors[0].find("JZPZ.txt"), std::string::npos) << outcome.errors[0];
  EXPECT_NE(outcome.errors[0].find("记账凭证"), std::string::npos) << outcome.errors[0];
  EXPECT_TRUE(test::LogEntries().empty());
  // The dialog stalled with the copying caption, then was closed.
  const auto& ev = outcome.events;
  const auto stalled = std::find(ev.begin(), ev.end(), "state:Stalled");
  ASSERT_NE(stalled, ev.end());
  EXPECT_EQ(ev.back(), "state:Closed");
  EXPECT_EQ(std::find(ev.begin(), stalled, "status:正在处理凭证表，请稍候……"), stalled);
}

TEST(DoIt, BytesThatAreNotGbkAreNotedPerFileWithTheirFirstLine) {
  Workspace ws;
  BookSet set = SmallBookSet();
  set.jzpz.push_back({"660201", "买笔", "5.00", "0.00", "人民币", "0", "01"});
  ws.WriteBookSet(set);
  // The summary on line 2 of the voucher file (line 3 of the staged text, under its
  // header) gets two stray bytes; the note names the source's line.
  std::string jzpz = test::ReadFile(ws.source() + "/JZPZ.txt");
  jzpz.insert(jzpz.find('\t', jzpz.find("\r\n")) + 1, "\xFF\xFF");
  test::WriteFile(ws.source() + "/JZPZ.txt", jzpz);
  const auto outcome = RunDoIt(ws.work(), ws.source());
  EXPECT_EQ(outcome.result, test::ResultPath(ws.work() + "TemplateTemp/GBA.mdb"));
  std::vector<std::string> notices;
  for (const auto& e : outcome.events)
    if (e.rfind("notice:", 0) == 0) notices.push_back(e);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("JZPZ.txt"), std::string::npos) << notices[0];
  EXPECT_NE(notices[0].find("2 处"), std::string::npos) << notices[0];
  EXPECT_NE(notices[0].find("第 2 行"), std::string::npos) << notices[0];
}

TEST(DoIt, StagingFailureCancelsQuietly) {
  Workspace ws;
  ws.WriteBookSet(SmallBookSet());
  std::filesystem::create_directory(ws.source() + "/dir.txt");  // listed, cannot be copied
  test::ClearLog();
  const auto outcome = RunDoIt(ws.work(), ws.source());
  EXPECT_EQ(outcome.result, u"0");
  EXPECT_TRUE(outcome.errors.empty());
  EXPECT_TRUE(test::LogEntries().empty());
  // The reason is noted beside the dialog, naming the file.
  const auto notice = std::find_if(outcome.events.begin(), outcome.events.end(), [](const auto& e) {
    return e.rfind("notice:", 0) == 0 && e.find("dir.txt") != std::string::npos;
  });
  EXPECT_NE(notice, outcome.events.end());
}

}  // namespace
}  // namespace qoru
