// The command-line programs' process on Linux.
#include <malloc.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "process/program_entry.h"

namespace {

constexpr const char* kTunables = "GLIBC_TUNABLES";
constexpr const char* kHugePages = "glibc.malloc.hugetlb=1";

// Memory in 2 MiB pages where the kernel gives them on request (transparent huge pages
// in "madvise" mode): a million postings touch a few hundred megabytes of the heap and
// of SQLite's page cache, and each 4 KiB page costs a fault, a seventh of a conversion's
// time. The C library's allocator asks for the large pages when its tunable says so,
// and reads it only as the process starts; so the program starts itself once more with
// the tunable added. Not when the user has set the allocator's huge pages either way,
// not in "always" mode (they come anyway) or "never", not under the sanitizers (they
// bring their own allocator); a start that fails goes on as it is.
//
// Not for `screen`: its memory is its book and the tests' lists, some 165 MB for a
// million postings, taken in pieces of every size; after a conversion has filled the
// memory with the database file's cache, the kernel first compacts memory for each
// 2 MiB page it gives. Screening the 1,000,000-posting standard set right after its
// conversion took 0.67 s with them (0.32 s of it in the kernel) and 0.53 s without
// (0.10 s), three alternating runs each.
void StartWithLargePages(int argc, char** argv) {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  if (argc > 1 && std::strcmp(argv[1], "screen") == 0) return;
  const char* given = std::getenv(kTunables);
  if (given != nullptr && std::strstr(given, "glibc.malloc.hugetlb") != nullptr) return;
  std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string modes;
  if (!std::getline(mode, modes) || modes.find("[madvise]") == std::string::npos) return;
  const std::string before = given != nullptr ? given : "";
  const std::string value = before.empty() ? kHugePages : before + ":" + kHugePages;
  if (setenv(kTunables, value.c_str(), 1) != 0) return;
  execv("/proc/self/exe", argv);
  if (given != nullptr)
    setenv(kTunables, before.c_str(), 1);
  else
    unsetenv(kTunables);
#else
  (void)argc;
  (void)argv;
#endif
}

// The allocator keeps what the program frees for its next requests. A reading command
// (check, screen, sample) fills its readers' batches and its book, then sorts and lists
// into new vectors; every page the allocator takes afresh from the kernel is zeroed on
// its first touch, which is slow on virtual machines. By default blocks of 128 KiB and
// more are mapped and unmapped one by one, each thread allocates from an arena of its
// own, and freed memory at the heap's top goes back to the kernel. So: one arena for
// all threads, blocks up to 32 MiB from the heap, nothing given back before the process
// ends (a command's peak memory is what it holds anyway). On a million postings the
// page faults of check, screen and sample fell to a third or less. A setting the user
// gave in GLIBC_TUNABLES is left to hold.
void KeepFreedMemory() {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  const char* given = std::getenv(kTunables);
  const auto set_by_user = [&](const char* name) {
    return given != nullptr && std::strstr(given, name) != nullptr;
  };
  if (!set_by_user("glibc.malloc.arena_max")) mallopt(M_ARENA_MAX, 1);
  if (!set_by_user("glibc.malloc.mmap_threshold")) mallopt(M_MMAP_THRESHOLD, 32 << 20);
  if (!set_by_user("glibc.malloc.trim_threshold")) mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  StartWithLargePages(argc, argv);
  KeepFreedMemory();
  // A file that grows past the process's size limit must fail its write, not end the
  // process: the library then reports the failure like any other.
  std::signal(SIGXFSZ, SIG_IGN);
  return qoru::process::HostMain(argc, argv);
}
