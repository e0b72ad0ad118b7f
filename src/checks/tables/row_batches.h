// Rows of texts handed from a thread that reads the database to the thread that builds
// from them, in batches through a bounded queue, so that the reading and the building
// overlap. The batches are reused: once filled, a batch's memory serves again.
#pragma once

#include <any>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace qoru::checks {

// Up to kRows rows of `columns` texts each, kept in one buffer.
class TextBatch {
 public:
  static constexpr std::size_t kRows = 4096;
  explicit TextBatch(std::size_t columns) : columns_(columns) {}
  // Adds a row of `columns` texts; a text without data (a default string_view) is null.
  void Add(std::int64_t row, const std::string_view* texts);
  bool full() const { return rows_.size() >= kRows; }
  std::size_t size() const { return rows_.size(); }
  std::int64_t Row(std::size_t r) const { return rows_[r]; }
  // The text of value `c` of row `r` (a null one reads as empty).
  std::string_view Text(std::size_t r, std::size_t c) const {
    const std::size_t cell = r * columns_ + c;
    const std::size_t begin = cell == 0 ? 0 : ends_[cell - 1] & ~kNull;
    return std::string_view(bytes_.get() + begin, (ends_[cell] & ~kNull) - begin);
  }
  bool IsNull(std::size_t r, std::size_t c) const { return (ends_[r * columns_ + c] & kNull) != 0; }
  // Marks the last batch of a block of rows.
  void set_block_end() { block_end_ = true; }
  bool block_end() const { return block_end_; }
  // What the reading thread derived from the rows (BookDatabase::ScanAheadBatches),
  // kept with the batch: Clear leaves it, so that its memory serves the next rows.
  std::any& prepared() { return prepared_; }
  const std::any& prepared() const { return prepared_; }
  void Clear();

 private:
  std::size_t columns_;
  bool block_end_ = false;
  // The texts one after another: bytes_[0, used_) of a buffer that grows by doubling and
  // is kept as the batch is reused (no byte is written but the texts').
  std::unique_ptr<char[]> bytes_;
  std::size_t used_ = 0, room_ = 0;
  // The end of each cell in bytes_, with kNull set for a null one.
  static constexpr std::size_t kNull = ~(~std::size_t{0} >> 1);
  std::vector<std::size_t> ends_;
  std::vector<std::int64_t> rows_;
  std::any prepared_;
};

// The queue between the two threads. The reader fills batches taken from Empty() and
// pushes them; the builder pops them until Pop() gives none, and recycles each.
class BatchQueue {
 public:
  BatchQueue(std::size_t columns, std::size_t capacity) : columns_(columns), capacity_(capacity) {}
  std::unique_ptr<TextBatch> Empty();
  // Waits while the queue is full; false when the builder has given up (Abandon).
  bool Push(std::unique_ptr<TextBatch> batch);
  // The next batch; null when the reader has closed the queue and it is empty.
  std::unique_ptr<TextBatch> Pop();
  void Recycle(std::unique_ptr<TextBatch> batch);
  void Close();    // the reader is done
  void Abandon();  // the builder stops: the reader's next Push fails

 private:
  std::size_t columns_, capacity_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<TextBatch>> full_;
  std::vector<std::unique_ptr<TextBatch>> free_;
  bool closed_ = false, abandoned_ = false;
};

}  // namespace qoru::checks
