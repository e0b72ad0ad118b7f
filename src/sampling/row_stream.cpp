#include "sampling/row_stream.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>

namespace qoru::sampling {
namespace {

constexpr std::size_t kRowsPerBatch = 4096;
constexpr std::size_t kBatches = 8;  // in flight at most

// The rows of a batch: their rowids, and each value's end in one text.
struct Batch {
  std::vector<std::int64_t> rowids;
  std::vector<std::uint32_t> ends;  // rows × columns
  std::string text;
  void Clear() {
    rowids.clear();
    ends.clear();
    text.clear();
  }
};

class Queue {
 public:
  // A batch to fill; nullptr once the consumer has given up.
  std::unique_ptr<Batch> Empty() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return abandoned_ || !free_.empty() || made_ < kBatches; });
    if (abandoned_) return nullptr;
    if (!free_.empty()) {
      std::unique_ptr<Batch> b = std::move(free_.front());
      free_.pop_front();
      return b;
    }
    ++made_;
    return std::make_unique<Batch>();
  }
  bool Push(std::unique_ptr<Batch> b) {
    std::lock_guard lock(mutex_);
    if (abandoned_) return false;
    full_.push_back(std::move(b));
    changed_.notify_all();
    return true;
  }
  void Close(std::exception_ptr failure) {
    std::lock_guard lock(mutex_);
    closed_ = true;
    failure_ = failure;
    changed_.notify_all();
  }
  // The next full batch; nullptr at the end (the reader's failure, if any, raised).
  std::unique_ptr<Batch> Pop() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !full_.empty() || closed_; });
    if (!full_.empty()) {
      std::unique_ptr<Batch> b = std::move(full_.front());
      full_.pop_front();
      return b;
    }
    if (failure_) std::rethrow_exception(failure_);
    return nullptr;
  }
  void Recycle(std::unique_ptr<Batch> b) {
    b->Clear();
    std::lock_guard lock(mutex_);
    free_.push_back(std::move(b));
    changed_.notify_all();
  }
  void Abandon() {
    std::lock_guard lock(mutex_);
    abandoned_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Batch>> full_, free_;
  std::size_t made_ = 0;
  bool closed_ = false, abandoned_ = false;
  std::exception_ptr failure_;
};

struct Abandoned {};

}  // namespace

void StreamRows(
    checks::BookDatabase& db, std::string_view table, const std::vector<std::string>& expressions,
    const std::function<void(std::int64_t, std::int64_t, const std::string_view*)>& each) {
  const std::size_t columns = expressions.size();
  Queue queue;
  std::thread reader([&] {
    std::exception_ptr failure;
    try {
      std::unique_ptr<Batch> batch = queue.Empty();
      if (!batch) throw Abandoned{};
      db.ScanRowids(table, expressions, std::numeric_limits<std::int64_t>::min(),
                    std::numeric_limits<std::int64_t>::max(),
                    [&](std::int64_t rowid, const checks::ScanRow& r) {
                      batch->rowids.push_back(rowid);
                      for (std::size_t c = 0; c < columns; ++c) {
                        batch->text.append(r.Text(static_cast<int>(c)));
                        batch->ends.push_back(static_cast<std::uint32_t>(batch->text.size()));
                      }
                      if (batch->rowids.size() < kRowsPerBatch) return;
                      if (!queue.Push(std::move(batch))) throw Abandoned{};
                      batch = queue.Empty();
                      if (!batch) throw Abandoned{};
                    });
      if (!batch->rowids.empty() && !queue.Push(std::move(batch))) throw Abandoned{};
    } catch (const Abandoned&) {
    } catch (...) {
      failure = std::current_exception();
    }
    queue.Close(failure);
  });
  try {
    std::vector<std::string_view> values(columns);
    std::int64_t row = 0;
    while (std::unique_ptr<Batch> batch = queue.Pop()) {
      std::size_t at = 0, end = 0;
      for (std::size_t i = 0; i < batch->rowids.size(); ++i) {
        for (std::size_t c = 0; c < columns; ++c) {
          const std::size_t next = batch->ends[end++];
          values[c] = std::string_view(batch->text).substr(at, next - at);
          at = next;
        }
        each(++row, batch->rowids[i], values.data());
      }
      queue.Recycle(std::move(batch));
    }
  } catch (...) {
    queue.Abandon();
    reader.join();
    throw;
  }
  reader.join();
}

}  // namespace qoru::sampling
