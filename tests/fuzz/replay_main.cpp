// The replay program: feeds files to one fuzz target, as the fuzzer would, without fuzzing.
//   fuzz_replay TARGET PATH...   every file of each PATH (folders walked, in name order)
//   fuzz_replay --list           the targets' names
// A crash or a broken invariant ends the program abnormally; otherwise it ends with 0.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/fuzz_support.h"

#define FUZZ_TARGET(name) extern "C" int BrelvanoFuzz_##name(const uint8_t* data, size_t size);
#include "fuzz_targets.inc"
#undef FUZZ_TARGET

namespace {

struct Target {
  const char* name;
  int (*run)(const uint8_t*, size_t);
};

const Target kTargets[] = {
#define FUZZ_TARGET(name) {#name, &BrelvanoFuzz_##name},
#include "fuzz_targets.inc"
#undef FUZZ_TARGET
};

void Collect(const std::filesystem::path& given, std::vector<std::filesystem::path>& files) {
  // Absolute: the targets change the current folder.
  std::error_code ec;
  const std::filesystem::path path = std::filesystem::absolute(given, ec);
  if (std::filesystem::is_directory(path, ec)) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path, ec))
      if (entry.is_regular_file(ec)) files.push_back(entry.path());
  } else if (std::filesystem::is_regular_file(path, ec)) {
    files.push_back(path);
  } else {
    std::fprintf(stderr, "fuzz_replay: no such file or folder: %s\n", path.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
    for (const Target& t : kTargets) std::printf("%s\n", t.name);
    return 0;
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: fuzz_replay TARGET PATH... | fuzz_replay --list\n");
    return 2;
  }
  const Target* target = nullptr;
  for (const Target& t : kTargets)
    if (std::strcmp(t.name, argv[1]) == 0) target = &t;
  if (target == nullptr) {
    std::fprintf(stderr, "fuzz_replay: no target named %s\n", argv[1]);
    return 2;
  }
  std::vector<std::filesystem::path> files;
  for (int i = 2; i < argc; ++i) Collect(argv[i], files);
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::fprintf(stderr, "%s: %s (%zu bytes)\n", target->name, file.c_str(), bytes.size());
    target->run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("%s: %zu inputs replayed\n", target->name, files.size());
  fuzzsupport::ReleaseMainWindow();
  return 0;
}
