#pragma once
// A key-index probe over a list of texts, for tests and fuzz targets: the texts are sorted into
// small runs in a scratch file, and the build's answers are kept as the positions in the list of
// the texts it found missing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/exclusive_file.h"
#include "tables/key_index.h"
#include "tables/ntx_format.h"
#include "tables/ntx_runs.h"

namespace testing_support {

class ListedProbe : public tables::KeyProbe {
 public:
  // Throws std::runtime_error when the scratch file at `path` cannot be made or written.
  ListedProbe(const std::string& path, std::size_t key_size, std::size_t batch_budget,
              const std::vector<std::string>& texts)
      : file_(Create(path)),
        runs_(file_, 0, key_size + tables::ntx::kProbeLengthSize, batch_budget) {
    std::vector<unsigned char> entry(key_size + tables::ntx::kProbeLengthSize);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      MakeEntry(texts[i], key_size, entry.data());
      if (!runs_.Add(entry.data(), static_cast<std::uint32_t>(i))) Fail(path);
    }
    if (!runs_.Finish()) Fail(path);
  }

  tables::ntx::SortedRuns& Texts() override { return runs_; }
  void Restart() override {
    missing.clear();
    answered = false;
  }
  void Missing(std::uint32_t i) override {
    if (!missing.insert(i).second) twice = true;
  }
  void Answered(bool read_back) override { answered = read_back; }

  std::set<std::uint32_t> missing;
  bool twice = false;  // a text answered twice
  bool answered = false;

 private:
  [[noreturn]] static void Fail(const std::string& path) {
    throw std::runtime_error("probe scratch file not written: " + path);
  }
  static platform::ExclusiveFile Create(const std::string& path) {
    std::optional<platform::ExclusiveFile> file = platform::ExclusiveFile::CreateFresh(path);
    if (!file) Fail(path);
    return std::move(*file);
  }

  platform::ExclusiveFile file_;
  tables::ntx::SortedRuns runs_;
};

}  // namespace testing_support
