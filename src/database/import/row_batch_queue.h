// The rows of a text import on their way from the thread that reads and decodes the
// text file to the thread that inserts them: batches of rows, each value a UTF-8 text
// or null, passed through a bounded queue. Reading and decoding on one core so overlap
// the inserts on the other, and memory stays at a few batches whatever the file's size.
//
// The reader fills the batches it gets from Empty and hands them over with Push, then
// calls Finish once, with the failure that stopped it if any. The inserter takes them
// with Pop until it returns nullptr and gives them back with Recycle; Cancel tells the
// reader to stop (its next Push returns false). Batches are reused, buffers and all.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "database/engine/engine_error.h"

namespace qoru::db {

// A value that SQLite cannot take: its length does not fit SQLite's int (2 GiB or
// more). The message says so; the import adds the file and the line.
class ValueTooLargeError : public EngineError {
 public:
  using EngineError::EngineError;
};

struct RowBatch {
  static constexpr std::size_t kRows = 1024;       // a batch is full at this many rows
  static constexpr std::size_t kBytes = 1u << 20;  // or at this much text
  // The longest value SQLite takes: its lengths are ints.
  static constexpr std::size_t kMaxValueBytes = 0x7FFFFFFF;

  std::string text;                  // the values' texts, back to back
  std::vector<std::int64_t> starts;  // per value: start in text; -1 for null
  std::vector<std::size_t> lengths;  // per value: length of its text
  std::vector<std::uint64_t> lines;  // per row: the line its record ends on
  std::size_t rows() const { return lines.size(); }
  bool Full() const { return rows() >= kRows || text.size() >= kBytes; }
  void Clear();

  void AddNull() {
    starts.push_back(-1);
    lengths.push_back(0);
  }
  // Text added to `text` since `start`, as the next value.
  void AddText(std::size_t start) { AddValue(start, text.size() - start); }
  // The `length` bytes of `text` from `start` as the next value; raises
  // ValueTooLargeError, adding nothing, when SQLite cannot take that length.
  void AddValue(std::size_t start, std::size_t length);
};

class RowBatchQueue {
 public:
  explicit RowBatchQueue(std::size_t capacity) : capacity_(capacity) {}

  // Reader side.
  std::unique_ptr<RowBatch> Empty();
  bool Push(std::unique_ptr<RowBatch> batch);  // waits for room; false once cancelled
  void Finish(std::exception_ptr failure);

  // Inserter side.
  std::unique_ptr<RowBatch> Pop();  // waits; nullptr once the reader has finished
  void Recycle(std::unique_ptr<RowBatch> batch);
  void Cancel();
  std::exception_ptr failure() const;  // what stopped the reader, once it has finished

 private:
  const std::size_t capacity_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<RowBatch>> full_;   // pushed, not yet popped
  std::vector<std::unique_ptr<RowBatch>> free_;  // recycled
  bool finished_ = false;
  bool cancelled_ = false;
  std::exception_ptr failure_;
};

}  // namespace qoru::db
