#pragma once
// Points the system's temporary folder somewhere else for one test (TMPDIR on POSIX, TMP,
// which GetTempPath reads first, on Windows), and back when it ends.
#include <cstdlib>
#include <optional>
#include <string>

namespace testing_support {

class ScopedTempFolder {
 public:
  explicit ScopedTempFolder(const std::string& folder) {
    if (const char* old = std::getenv(kVariable)) old_ = old;
    Set(folder.c_str());
  }
  ~ScopedTempFolder() { Set(old_ ? old_->c_str() : nullptr); }
  ScopedTempFolder(const ScopedTempFolder&) = delete;
  ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

 private:
#ifdef _WIN32
  static constexpr const char* kVariable = "TMP";
  static void Set(const char* value) { _putenv_s(kVariable, value != nullptr ? value : ""); }
#else
  static constexpr const char* kVariable = "TMPDIR";
  static void Set(const char* value) {
    if (value != nullptr) {
      setenv(kVariable, value, 1);
    } else {
      unsetenv(kVariable);
    }
  }
#endif
  std::optional<std::string> old_;
};

}  // namespace testing_support
