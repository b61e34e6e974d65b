// Reading a large dBase table: a plain block read of the file against the reader's walk.
// The walk must stay within twice the plain read; its memory does not grow with the file.
//
//   cmake --preset bench && cmake --build --preset bench --target dbf_read_bench
//   build-bench/bin/dbf_read_bench

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/exclusive_file.h"
#include "tables/dbf_table.h"
#include "tools/dbf_writer.h"

namespace {

constexpr std::uint32_t kRecords = 1'000'000;

// 46 fields, 220 bytes of fields: the shape of a risks file.
std::vector<tools::DbfFieldSpec> Layout() {
  std::vector<tools::DbfFieldSpec> fields;
  auto add = [&](char prefix, int count, char type, int length) {
    for (int i = 0; i < count; ++i) {
      fields.push_back({std::string(1, prefix).append(std::to_string(i)), type, length});
    }
  };
  add('C', 12, 'C', 8);
  add('N', 20, 'N', 3);
  add('D', 6, 'D', 8);
  add('V', 8, 'N', 2);
  return fields;
}

// The benchmark file, written once and removed at exit.
class BenchFile {
 public:
  BenchFile() {
    path_ = (std::filesystem::temp_directory_path() /
             ("talmero-dbf-bench-" + std::to_string(::getpid()) + ".dbf"))
                .string();
    tools::DbfFileWriter writer(path_, Layout());
    std::string record;
    for (std::uint32_t n = 0; n < kRecords; ++n) {
      record.clear();
      for (std::uint32_t i = 0; i < 12; ++i) {
        record.append("ABC").append(std::to_string(10000 + (n + i) % 90000));
      }
      for (std::uint32_t i = 0; i < 20; ++i) record += std::to_string(100 + (n * 7 + i) % 900);
      for (std::uint32_t i = 0; i < 6; ++i) {
        record.append("2024").append(std::to_string(1010 + n % 18));
      }
      for (std::uint32_t i = 0; i < 8; ++i) record += std::to_string(10 + (n + i) % 90);
      writer.AddRaw(record, n % 100 == 99);
    }
    writer.Finish();
    size_ = std::filesystem::file_size(path_);
  }
  ~BenchFile() { std::filesystem::remove(path_); }
  const std::string& path() const { return path_; }
  std::uint64_t size() const { return size_; }

 private:
  std::string path_;
  std::uint64_t size_ = 0;
};

const BenchFile& File() {
  static const BenchFile file;
  return file;
}

void Report(benchmark::State& state, std::uint64_t records) {
  const auto iterations = static_cast<std::int64_t>(state.iterations());
  state.SetItemsProcessed(iterations * static_cast<std::int64_t>(records));
  state.SetBytesProcessed(iterations * static_cast<std::int64_t>(File().size()));
}

// The floor: read the file in large blocks and touch every byte.
void BM_PlainRead(benchmark::State& state) {
  const BenchFile& f = File();
  std::vector<unsigned char> buffer(256 * 1024);
  for (auto _ : state) {
    auto file = platform::ExclusiveFile::OpenRead(f.path());
    std::uint64_t sum = 0;
    std::uint64_t at = 0;
    for (std::size_t got; (got = file->ReadAt(at, buffer.data(), buffer.size())) > 0; at += got) {
      for (std::size_t i = 0; i < got; ++i) sum += buffer[i];
    }
    benchmark::DoNotOptimize(sum);
  }
  Report(state, kRecords);
}

// The engine's hot loop: every record, every field's raw bytes.
void BM_WalkRawFields(benchmark::State& state) {
  const BenchFile& f = File();
  std::uint64_t records = 0;
  for (auto _ : state) {
    tables::DbfTable table("tbDados", false);
    table.SetFileName(f.path());
    table.Open();
    const int fields = table.FieldCount();
    std::uint64_t sum = 0;
    records = 0;
    for (; !table.Eof(); table.Next()) {
      for (int i = 0; i < fields; ++i) {
        const std::string_view raw = table.RawField(i);
        sum += static_cast<unsigned char>(raw.front());
        sum += static_cast<unsigned char>(raw.back());
      }
      ++records;
    }
    benchmark::DoNotOptimize(sum);
  }
  Report(state, records);
}

// Every field read as a value (texts are copied, numbers and dates parsed).
void BM_WalkValues(benchmark::State& state) {
  const BenchFile& f = File();
  std::uint64_t records = 0;
  for (auto _ : state) {
    tables::DbfTable table("tbDados", false);
    table.SetFileName(f.path());
    table.Open();
    const int fields = table.FieldCount();
    std::uint64_t nulls = 0;
    records = 0;
    for (; !table.Eof(); table.Next()) {
      for (int i = 0; i < fields; ++i) nulls += table.Value(i).IsNull() ? 1U : 0U;
      ++records;
    }
    benchmark::DoNotOptimize(nulls);
  }
  Report(state, records);
}

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WalkRawFields)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WalkValues)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
