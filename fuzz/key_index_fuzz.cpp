// The key index against a std::multiset model: records and queries come from the input, keys
// from a small alphabet so that equal keys, shared prefixes and deleted duplicates are common,
// and a tiny page cache forces pages to be read back from the file. The queries are answered
// as well by the build itself, as a probe in small sorted runs.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exclusive_file.h"
#include "platform/unique_name.h"
#include "tables/dbf_table.h"
#include "tables/key_index.h"
#include "tests/support/listed_probe.h"
#include "tools/dbf_writer.h"

namespace {

constexpr char kAlphabet[] = {'A', 'B', 'C', ' '};

// The index file of this process; every input removes it again.
const std::string& IndexPath() {
  static const std::string path =
      platform::TempFolder() + platform::UniqueName("key-index-fuzz", ".ntx");
  return path;
}

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::string Text(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += kAlphabet[Byte() % sizeof kAlphabet];
    return s;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

const std::string& ProbePath() {
  static const std::string path =
      platform::TempFolder() + platform::UniqueName("key-index-fuzz", ".tmp");
  return path;
}

// Whether any key of the model matches `value` over min(length, key size) bytes.
bool ModelFinds(const std::multiset<std::string>& visible, std::string_view value,
                std::size_t key_size) {
  const std::string prefix(value.substr(0, std::min(value.size(), key_size)));
  auto it = visible.lower_bound(prefix);
  return it != visible.end() && it->compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const std::size_t apolice_width = 1 + in.Byte() % 4;
  const std::size_t item_width = 1 + in.Byte() % 2;
  const std::size_t key_size = apolice_width + item_width;
  const std::size_t records = in.Byte() * 8u + in.Byte() % 8u;
  tools::DbfBuilder builder({{"APOLICE", 'C', static_cast<int>(apolice_width)},
                             {"ITEM", 'C', static_cast<int>(item_width)}});
  std::multiset<std::string> visible;
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < records && !in.empty(); ++i) {
    const bool deleted = in.Byte() % 4 == 0;
    const std::string apolice = in.Text(apolice_width);
    const std::string item = in.Text(item_width);
    builder.Add({apolice, item}, deleted);
    keys.push_back(apolice + item);
    if (!deleted) visible.insert(apolice + item);
  }
  const std::string bytes = builder.Bytes();

  tables::DbfTable table("tbRiscos", true);
  table.SetFileName("riscos.dbf");
  table.Open(platform::ExclusiveFile::InMemory(bytes));
  {
    tables::KeyIndex index(table, "apolice");
    index.SetKeyExpression("apolice+item");
    index.SetFileName(IndexPath());
    index.SetCacheBudget(1 + in.Byte() % 3, 1 + in.Byte() % 4);
    std::vector<std::string> queries = keys;
    while (!in.empty()) queries.push_back(in.Text(in.Byte() % (key_size + 2)));
    std::optional<testing_support::ListedProbe> probe;
    if (queries.size() % 2 == 0) {
      index.Create();
    } else {
      probe.emplace(ProbePath(), key_size, 64, queries);
      std::string reason;
      if (!index.TryCreate(*platform::ExclusiveFile::CreateFresh(IndexPath()), &reason, nullptr,
                           &*probe) ||
          !probe->answered || probe->twice) {
        __builtin_trap();
      }
    }
    if (index.KeyCount() != keys.size() || index.KeySize() != key_size) __builtin_trap();

    for (std::size_t i = 0; i < queries.size(); ++i) {
      const std::string& q = queries[i];
      const bool expected = ModelFinds(visible, q, key_size);
      if (probe && (probe->missing.count(static_cast<std::uint32_t>(i)) == 0) != expected) {
        __builtin_trap();
      }
      if (index.HasKey(q) != expected) __builtin_trap();
      if (index.FindKey(q) != expected) __builtin_trap();
      if (expected) {
        // Positioned on a visible record whose key matches.
        const std::string found = std::string(table.RawField(0)) + std::string(table.RawField(1));
        if (table.IsDeleted() || found.compare(0, std::min(q.size(), key_size), q, 0,
                                               std::min(q.size(), key_size)) != 0) {
          __builtin_trap();
        }
      }
    }
  }
  table.Close();
  platform::DeleteFile(IndexPath());
  platform::DeleteFile(ProbePath());
  return 0;
}
