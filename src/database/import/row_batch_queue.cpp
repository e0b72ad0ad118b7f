#include "database/import/row_batch_queue.h"

#include <fmt/format.h>

namespace qoru::db {

void RowBatch::AddValue(std::size_t start, std::size_t length) {
  if (length > kMaxValueBytes)
    throw ValueTooLargeError(fmt::format(
        "a value of {} bytes: values of 2 GiB or more cannot be stored in the database", length));
  starts.push_back(static_cast<std::int64_t>(start));
  lengths.push_back(length);
}

void RowBatch::Clear() {
  text.clear();
  starts.clear();
  lengths.clear();
  lines.clear();
}

std::unique_ptr<RowBatch> RowBatchQueue::Empty() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!free_.empty()) {
      std::unique_ptr<RowBatch> batch = std::move(free_.back());
      free_.pop_back();
      batch->Clear();
      return batch;
    }
  }
  return std::make_unique<RowBatch>();
}

bool RowBatchQueue::Push(std::unique_ptr<RowBatch> batch) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return cancelled_ || full_.size() < capacity_; });
  if (cancelled_) return false;
  full_.push_back(std::move(batch));
  changed_.notify_all();
  return true;
}

void RowBatchQueue::Finish(std::exception_ptr failure) {
  std::lock_guard<std::mutex> lock(mutex_);
  finished_ = true;
  failure_ = std::move(failure);
  changed_.notify_all();
}

std::unique_ptr<RowBatch> RowBatchQueue::Pop() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return !full_.empty() || finished_; });
  if (full_.empty()) return nullptr;
  std::unique_ptr<RowBatch> batch = std::move(full_.front());
  full_.pop_front();
  changed_.notify_all();
  return batch;
}

void RowBatchQueue::Recycle(std::unique_ptr<RowBatch> batch) {
  std::lock_guard<std::mutex> lock(mutex_);
  free_.push_back(std::move(batch));
}

void RowBatchQueue::Cancel() {
  std::lock_guard<std::mutex> lock(mutex_);
  cancelled_ = true;
  changed_.notify_all();
}

std::exception_ptr RowBatchQueue::failure() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return failure_;
}

}  // namespace qoru::db
