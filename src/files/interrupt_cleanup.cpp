#include "files/interrupt_cleanup.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#include "files/file_system.h"
#include "files/os_file.h"

namespace qoru {
namespace {

struct Registered {
  RemovedOnInterrupt::Kind kind;
  std::string path;
  int held = -1;  // a descriptor open in the folder, closed before the removal
};

// What an interrupt is to remove and run. Never destroyed: an interrupt may come while
// the process exits.
struct Registry {
  std::recursive_mutex mutex;
  bool begun = false;  // an interrupt has begun; nothing new is registered
  std::uint64_t next = 1;
  std::map<std::uint64_t, Registered> paths;
  std::map<std::uint64_t, std::function<void(int)>> steps;
};

Registry& TheRegistry() {
  // Static storage rather than the heap: a plug-in unloaded with its registry (empty by
  // then) leaves no block behind that nothing points to.
  alignas(Registry) static unsigned char storage[sizeof(Registry)];
  static Registry* const registry = new (storage) Registry;
  return *registry;
}

[[noreturn]] void AwaitTheEnd() {
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

// The time that an interrupt goes on removing a folder that the run's threads still
// write into, 20 ms a turn.
constexpr int kRemovalTurns = 250;

}  // namespace

RemovedOnInterrupt::RemovedOnInterrupt(Kind kind, const std::function<std::string()>& make,
                                       int* held) {
  Registry& r = TheRegistry();
  std::unique_lock lock(r.mutex);
  if (r.begun) {
    lock.unlock();
    AwaitTheEnd();
  }
  std::string path = make();
  if (path.empty()) return;
  id_ = r.next++;
  r.paths[id_] = {kind, path, held != nullptr ? *held : -1};
  path_ = std::move(path);
}

RemovedOnInterrupt::~RemovedOnInterrupt() {
  Release();
}

RemovedOnInterrupt::RemovedOnInterrupt(RemovedOnInterrupt&& other) noexcept
    : id_(std::exchange(other.id_, 0)), path_(std::move(other.path_)) {}

RemovedOnInterrupt& RemovedOnInterrupt::operator=(RemovedOnInterrupt&& other) noexcept {
  if (this != &other) {
    Release();
    id_ = std::exchange(other.id_, 0);
    path_ = std::move(other.path_);
  }
  return *this;
}

void RemovedOnInterrupt::Release() {
  if (id_ == 0) return;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.paths.erase(id_);
  id_ = 0;
}

int RemovedOnInterrupt::TakeHeld() {
  if (id_ == 0) return -1;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const auto it = r.paths.find(id_);
  return it == r.paths.end() ? -1 : std::exchange(it->second.held, -1);
}

InterruptStep::InterruptStep(std::function<void(int signal)> step) {
  Registry& r = TheRegistry();
  std::unique_lock lock(r.mutex);
  if (r.begun) {
    lock.unlock();
    AwaitTheEnd();
  }
  id_ = r.next++;
  r.steps[id_] = std::move(step);
}

InterruptStep::~InterruptStep() {
  Registry& r = TheRegistry();
  std::unique_lock lock(r.mutex);
  // The interrupt may be running the step: what it works on must stay.
  if (r.begun) {
    lock.unlock();
    AwaitTheEnd();
  }
  r.steps.erase(id_);
}

void CleanUpAfterInterrupt(int signal) {
  Registry& r = TheRegistry();
  std::vector<std::function<void(int)>> steps;
  std::vector<Registered> paths;
  {
    std::lock_guard lock(r.mutex);
    r.begun = true;
    for (const auto& [id, step] : r.steps) steps.push_back(step);
    for (auto& [id, registered] : r.paths) {
      paths.push_back(registered);
      registered.held = -1;  // closed here, not by its owner
    }
  }
  for (const auto& step : steps) step(signal);
  for (const Registered& p : paths)
    if (p.held >= 0) os::Close(p.held);
  for (int turn = 0; turn < kRemovalTurns; ++turn) {
    bool all = true;
    for (const Registered& p : paths) {
      if (p.kind == RemovedOnInterrupt::Kind::kFolder)
        all = RemoveTree(p.path) && all;
      else
        all = (os::Remove(p.path) == 0 || errno == ENOENT) && all;
    }
    if (all) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool InterruptBegun() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.begun;
}

void AwaitInterruptIfBegun() {
  if (InterruptBegun()) AwaitTheEnd();
}

void PauseForTestsAt(const char* point) {
  static const char* const wanted = std::getenv("QORU_TEST_PAUSE_AT");
  if (wanted == nullptr || std::strcmp(wanted, point) != 0) return;
  if (const char* mark = std::getenv("QORU_TEST_PAUSE_MARK"); mark != nullptr && *mark != '\0') {
    std::string path = std::string(mark) + "/" + point + "-XXXXXX";
    const int fd = os::CreateTemporary(path);
    if (fd >= 0) os::Close(fd);
  }
  AwaitTheEnd();
}

}  // namespace qoru
