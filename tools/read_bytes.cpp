// talmero-ler-bytes: the floor of a whole run. Reads the given files in large blocks and touches
// every byte, then prints the bytes read and the seconds taken, so a run's time can be compared
// with plain reading of the same files.
//
//   talmero-ler-bytes FILE...
//
// Output: "bytes N segundos S soma X" (the sum keeps the reading from being optimised away).
// Exit 1 when a file cannot be read, 2 without files.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("uso: talmero-ler-bytes ARQUIVO...\n", stderr);
    return 2;
  }
  constexpr std::size_t kBlock = 1 << 20;
  const auto buffer = std::make_unique<unsigned char[]>(kBlock);
  std::uint64_t bytes = 0;
  std::uint64_t sum = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 1; i < argc; ++i) {
    std::FILE* f = std::fopen(argv[i], "rb");
    if (f == nullptr) {
      std::fprintf(stderr, "talmero-ler-bytes: cannot open %s\n", argv[i]);
      return 1;
    }
    std::setvbuf(f, nullptr, _IONBF, 0);  // our own block is the buffer
    std::size_t n = 0;
    while ((n = std::fread(buffer.get(), 1, kBlock, f)) > 0) {
      for (std::size_t k = 0; k < n; ++k) sum += buffer[k];
      bytes += n;
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
      std::fprintf(stderr, "talmero-ler-bytes: cannot read %s\n", argv[i]);
      return 1;
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("bytes %llu segundos %.3f soma %llu\n", static_cast<unsigned long long>(bytes),
              seconds, static_cast<unsigned long long>(sum));
  return 0;
}
