#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it.
// std::filesystem only, so the same helper serves the POSIX and the Windows build.
#include <cstdint>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace testing_support {

class TempDir {
 public:
  TempDir() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device seed;
    std::mt19937_64 random(static_cast<std::uint64_t>(seed()) << 32 ^ seed());
    // create_directory reports whether it made the folder, so a name another process took in
    // the meantime is never shared.
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::filesystem::path candidate = base / ("talmero-test-" + Suffix(random()));
      std::error_code ec;
      if (std::filesystem::create_directory(candidate, ec)) {
        path_ = candidate;
        return;
      }
      if (ec) throw std::runtime_error("cannot create a folder under " + base.string());
    }
    throw std::runtime_error("no free temporary folder name under " + base.string());
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder with a trailing separator, as the program folder is given to a run.
  std::string folder() const {
    return path_.string() + static_cast<char>(std::filesystem::path::preferred_separator);
  }
  // The name's bytes are kept as given (a std::filesystem::path made of them would read them in
  // another encoding on Windows, where the program keeps paths in UTF-8).
  std::string file(const std::string& name) const { return folder() + name; }

 private:
  static std::string Suffix(std::uint64_t value) {
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string s;
    for (int i = 0; i < 10; ++i, value /= 36) s += kDigits[value % 36];
    return s;
  }
  std::filesystem::path path_;
};

}  // namespace testing_support
