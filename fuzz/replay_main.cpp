// Replays inputs through a fuzz target without libFuzzer, so that any compiler builds
// it and CTest can run the committed corpus and the regression inputs on every build:
//   fuzz_<target>_replay PATH...
// A path is a file or a directory of files (names starting with "." are skipped). A
// failing check aborts, naming the input that was running.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

const char* g_current = "";

void Run(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    std::exit(2);
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string name = path.string();
  g_current = name.c_str();
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  g_current = "";
}

}  // namespace

int main(int argc, char** argv) {
  std::set_terminate([] {
    std::fprintf(stderr, "uncaught exception while running %s\n", g_current);
    std::abort();
  });
  std::size_t inputs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    if (std::filesystem::is_directory(path)) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::directory_iterator(path))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
          files.push_back(entry.path());
      std::sort(files.begin(), files.end());
      for (const auto& file : files) {
        std::fprintf(stderr, "%s\n", file.c_str());
        Run(file);
        ++inputs;
      }
    } else if (std::filesystem::exists(path)) {
      Run(path);
      ++inputs;
    } else {
      std::fprintf(stderr, "no such input: %s\n", argv[i]);
      return 2;
    }
  }
  std::printf("%zu inputs replayed\n", inputs);
  return 0;
}
