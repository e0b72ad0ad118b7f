#include "checks/tables/row_batches.h"

#include <algorithm>
#include <cstring>

namespace qoru::checks {

void TextBatch::Add(std::int64_t row, const std::string_view* texts) {
  rows_.push_back(row);
  std::size_t size = 0;
  for (std::size_t c = 0; c < columns_; ++c) size += texts[c].size();
  if (room_ - used_ < size) {
    const std::size_t room = std::max({room_ * 2, used_ + size, std::size_t{1} << 16});
    std::unique_ptr<char[]> grown(new char[room]);
    if (used_ > 0) std::memcpy(grown.get(), bytes_.get(), used_);
    bytes_ = std::move(grown);
    room_ = room;
  }
  for (std::size_t c = 0; c < columns_; ++c) {
    if (!texts[c].empty()) std::memcpy(bytes_.get() + used_, texts[c].data(), texts[c].size());
    used_ += texts[c].size();
    ends_.push_back(used_ | (texts[c].data() == nullptr ? kNull : 0));
  }
}

void TextBatch::Clear() {
  used_ = 0;
  ends_.clear();
  rows_.clear();
  block_end_ = false;
}

std::unique_ptr<TextBatch> BatchQueue::Empty() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!free_.empty()) {
      std::unique_ptr<TextBatch> b = std::move(free_.back());
      free_.pop_back();
      return b;
    }
  }
  return std::make_unique<TextBatch>(columns_);
}

bool BatchQueue::Push(std::unique_ptr<TextBatch> batch) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return abandoned_ || full_.size() < capacity_; });
  if (abandoned_) return false;
  full_.push_back(std::move(batch));
  changed_.notify_all();
  return true;
}

std::unique_ptr<TextBatch> BatchQueue::Pop() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return closed_ || !full_.empty(); });
  if (full_.empty()) return nullptr;
  std::unique_ptr<TextBatch> b = std::move(full_.front());
  full_.pop_front();
  changed_.notify_all();
  return b;
}

void BatchQueue::Recycle(std::unique_ptr<TextBatch> batch) {
  batch->Clear();
  std::lock_guard<std::mutex> lock(mutex_);
  free_.push_back(std::move(batch));
}

void BatchQueue::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  changed_.notify_all();
}

void BatchQueue::Abandon() {
  std::lock_guard<std::mutex> lock(mutex_);
  abandoned_ = true;
  changed_.notify_all();
}

}  // namespace qoru::checks
