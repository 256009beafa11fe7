// A fuzz target without libFuzzer, as a test: each file of a corpus as it
// is, then `mutants` variants of it made by a fixed seed (bytes replaced,
// put in or taken out, a part doubled), each run through
// LLVMFuzzerTestOneInput. Under the sanitizers this is the target's
// bounded run in ctest; a finding aborts.
//     fuzz_qha_replay CORPUS_DIR MUTANTS
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR MUTANTS\n", argv[0]);
    return 2;
  }
  const int mutants = std::atoi(argv[2]);
  std::mt19937 rng(38);
  auto at = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n)(rng); };
  auto feed = [](const std::string& s) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
  };
  long runs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string seed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (seed.size() < 2) continue;
    feed(seed);
    for (int k = 0; k < mutants; ++k, ++runs) {
      std::string s = seed;
      for (std::size_t m = 0, count = 1 + at(3); m < count; ++m) {
        const std::size_t i = at(s.size() - 1);
        switch (at(4)) {
          case 0: s[i] = static_cast<char>(at(255)); break;
          case 1: s.insert(i, 1, "0123456789.e-+: \n#[]{},%"[at(23)]); break;
          case 2: if (s.size() > 2) s.erase(i, 1); break;
          case 3: s[0] = static_cast<char>(at(255)); break;  // the options
          default: {
            const std::size_t j = at(s.size() - 1), len = at(std::min<std::size_t>(200, s.size() - j));
            s.insert(i, s.substr(j, len));
          }
        }
      }
      feed(s);
    }
  }
  std::printf("%ld mutants run\n", runs);
  return 0;
}
