// The queue between the import's reading thread and the inserting one: cancelling
// frees a reader that waits for room, a reader's failure reaches the inserter after
// the rows before it, and a value SQLite cannot take is refused where it is added.
#include "database/import/row_batch_queue.h"

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qoru::db {
namespace {

std::unique_ptr<RowBatch> BatchOf(RowBatchQueue& queue, const std::string& value) {
  std::unique_ptr<RowBatch> batch = queue.Empty();
  const std::size_t start = batch->text.size();
  batch->text += value;
  batch->AddText(start);
  batch->lines.push_back(1);
  return batch;
}

TEST(RowBatchQueue, CancelFreesAReaderThatWaitsForRoom) {
  RowBatchQueue queue(1);
  std::atomic<int> pushed{0};
  std::atomic<bool> refused{false};
  std::thread reader([&] {
    while (queue.Push(BatchOf(queue, "v"))) ++pushed;
    refused = true;
    queue.Finish(nullptr);
  });
  // The reader fills the queue and waits; the inserter takes one and gives up.
  std::unique_ptr<RowBatch> first = queue.Pop();
  ASSERT_NE(first, nullptr);
  queue.Recycle(std::move(first));
  queue.Cancel();
  reader.join();
  EXPECT_TRUE(refused);
  EXPECT_GE(pushed.load(), 1);
  EXPECT_EQ(queue.failure(), nullptr);
}

TEST(RowBatchQueue, ReaderFailureComesAfterTheRowsReadBeforeIt) {
  RowBatchQueue queue(4);
  std::thread reader([&] {
    queue.Push(BatchOf(queue, "one"));
    queue.Push(BatchOf(queue, "two"));
    queue.Finish(std::make_exception_ptr(std::runtime_error("cannot read text file X.txt")));
  });
  std::vector<std::string> values;
  while (std::unique_ptr<RowBatch> batch = queue.Pop()) {
    values.push_back(batch->text);
    queue.Recycle(std::move(batch));
  }
  reader.join();
  EXPECT_EQ(values, (std::vector<std::string>{"one", "two"}));
  ASSERT_NE(queue.failure(), nullptr);
  EXPECT_THROW(std::rethrow_exception(queue.failure()), std::runtime_error);
}

TEST(RowBatchQueue, ValueOf2GiBOrMoreIsRefusedWithAMessage) {
  // The length is given, not made: no 2 GiB of memory are needed to test the bound.
  RowBatch batch;
  batch.text = "x";
  batch.AddValue(0, RowBatch::kMaxValueBytes);  // the longest SQLite takes
  EXPECT_EQ(batch.lengths.back(), RowBatch::kMaxValueBytes);
  try {
    batch.AddValue(0, std::size_t{1} << 31);
    FAIL() << "a value of 2 GiB was accepted";
  } catch (const ValueTooLargeError& e) {
    EXPECT_THAT(e.what(), ::testing::HasSubstr("2147483648 bytes"));
    EXPECT_THAT(e.what(), ::testing::HasSubstr("2 GiB or more"));
  }
  EXPECT_EQ(batch.starts.size(), 1u) << "nothing added for the refused value";
  EXPECT_EQ(batch.lengths.size(), 1u);
}

}  // namespace
}  // namespace qoru::db
