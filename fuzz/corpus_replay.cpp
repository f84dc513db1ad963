// Replays a fuzz corpus (a directory) through a fuzz target's entry point without a fuzzer,
// so that every input once found stays checked in the normal build.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 2 || !fs::is_directory(argv[1])) {  // a missing corpus would check nothing
    std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
    return 2;
  }
  std::size_t replayed = 0;
  for (const auto& entry : fs::directory_iterator(argv[1])) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    ++replayed;
  }
  std::printf("%zu inputs replayed\n", replayed);
  return replayed == 0 ? 2 : 0;
}
