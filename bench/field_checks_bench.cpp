// The table loop's record walk (company check and every field check) over a risks file and a
// claims file, against a plain block read of the same bytes and the reader's bare walk.
// The walk should stay within four times the plain read. The catalogue here is a hard case:
// 20,000 postal prefixes and 5,000 models drawn uniformly, so most domain lookups miss the cache;
// realistic data repeats its values far more.
//
//   cmake -B build-bench -DCMAKE_BUILD_TYPE=Release -DTALMERO_BENCH=ON -DTALMERO_WINDOW=OFF
//   cmake --build build-bench --target field_checks_bench && build-bench/bin/field_checks_bench
//
// TALMERO_BENCH_RISCOS sets the risk records (default 1,000,000); claims are 30 % of them.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/field_checks.h"
#include "engine/rule_catalog.h"
#include "tests/support/catalog_files.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_dir.h"
#include "tools/dbf_writer.h"
#include "tools/generated_record.h"

namespace {

using testing_support::DomainRow;
using testing_support::RuleRow;

constexpr const char* kRiscos = "RISCOS";
constexpr const char* kSinistros = "SINISTROS";

// How a bench field is filled and checked.
enum class Fill { kCode, kSmallCode, kModel, kDate, kBirth, kPostal, kNumber, kDecimal, kText };

struct BenchField {
  tools::DbfFieldSpec shape;
  Fill fill = Fill::kText;
  std::string depende;
};

// The generator's layouts (tools/generated_record.h), each field filled by what its name and
// shape tell: the remaining eight-character texts are dates, the short ones small codes.
Fill FillOf(const tools::DbfFieldSpec& f) {
  if (f.type == 'N') return f.decimals > 0 ? Fill::kDecimal : Fill::kNumber;
  if (f.name == "COD_SEG") return Fill::kCode;
  if (f.name == "COD_MODELO") return Fill::kModel;
  if (f.name == "DATA_NASC" || f.name == "D_NASC") return Fill::kBirth;
  if (f.name.starts_with("CEP")) return Fill::kPostal;
  if (f.length == 8) return Fill::kDate;
  return f.length >= 4 ? Fill::kText : Fill::kSmallCode;
}

std::vector<BenchField> Layout(const std::vector<tools::DbfFieldSpec>& shapes) {
  std::vector<BenchField> layout;
  for (const tools::DbfFieldSpec& shape : shapes) {
    // The coverage's domain depends on the modality.
    layout.push_back({shape, FillOf(shape), shape.name == "COBERTURA" ? "MODALIDADE" : ""});
  }
  return layout;
}

std::vector<BenchField> RisksLayout() { return Layout(tools::gerar::RiskLayout()); }
std::vector<BenchField> ClaimsLayout() { return Layout(tools::gerar::ClaimLayout()); }

constexpr int kModels = 5000;
constexpr int kPostalPrefixes = 20000;

std::string Digits(long value, std::size_t width) {
  std::string s = std::to_string(value);
  return std::string(width > s.size() ? width - s.size() : 0, '0') + s;
}

void AddRules(const char* table, const std::vector<BenchField>& layout, std::vector<RuleRow>* rules,
              std::vector<DomainRow>* domains) {
  for (std::size_t i = 0; i < layout.size(); ++i) {
    const BenchField& f = layout[i];
    RuleRow r;
    r.tabela = table;
    r.campo = f.shape.name;
    r.tipo = f.shape.type == 'C' ? 1 : (f.shape.decimals > 0 ? 6 : 3);
    r.tamanho = f.shape.type == 'C' ? f.shape.length : 0;
    r.ordem = static_cast<int>(i) + 1;
    r.nulo = 0;
    r.depende = f.depende;
    switch (f.fill) {
      case Fill::kSmallCode:
        r.dominio = 1;
        r.zerosesq = f.shape.length > 1 ? 1 : 0;
        for (int v = 0; v < 10; ++v) {
          DomainRow d{table, f.shape.name, Digits(v, static_cast<std::size_t>(f.shape.length)),
                      f.depende.empty() ? "" : std::to_string(v % 3)};
          domains->push_back(d);
        }
        break;
      case Fill::kModel:
        r.dominio = 1;
        r.zerosesq = 1;
        if (std::string(table) == kRiscos) {
          for (int v = 0; v < kModels; ++v)
            domains->push_back({table, f.shape.name, Digits(v, 8), ""});
        }
        break;
      case Fill::kDate:
        r.data = 1;
        break;
      case Fill::kBirth:
        r.data = 1;
        r.zeros = 1;
        break;
      case Fill::kPostal:
        r.dominio = 1;
        r.zeros = 1;
        break;
      default:
        break;
    }
    rules->push_back(r);
  }
  if (std::string(table) == kRiscos) {
    for (int v = 0; v < kPostalPrefixes; ++v) {
      domains->push_back({kRiscos, "CEP_UTIL", Digits(v * 5, 5), ""});
    }
  }
}

void WriteData(const std::string& path, const std::vector<BenchField>& layout, long records,
               unsigned seed) {
  std::vector<tools::DbfFieldSpec> shape;
  for (const auto& f : layout) shape.push_back(f.shape);
  tools::DbfFileWriter writer(path, shape);
  std::mt19937 rng(seed);
  std::vector<std::string> values(layout.size());
  for (long n = 0; n < records; ++n) {
    const auto r = static_cast<std::uint32_t>(rng());
    for (std::size_t i = 0; i < layout.size(); ++i) {
      const BenchField& f = layout[i];
      const auto len = static_cast<std::size_t>(f.shape.length);
      const std::uint32_t x = r >> (i % 24);
      switch (f.fill) {
        case Fill::kCode:
          values[i] = "00001";
          break;
        case Fill::kSmallCode:  // one value in eleven is not listed
          values[i] = x % 11 == 10 ? std::string(len, 'Z') : Digits(x % 11, len);
          break;
        case Fill::kModel:
          values[i] = Digits(static_cast<long>(x % (kModels + 50)), 8);
          break;
        case Fill::kDate:
          values[i] =
              x % 97 == 0 ? "20230229" : "2023" + Digits(1 + x % 12, 2) + Digits(1 + x % 28, 2);
          break;
        case Fill::kBirth:
          values[i] = x % 13 == 0 ? "00000000" : "19" + Digits(50 + x % 40, 2) + "0315";
          break;
        case Fill::kPostal:
          values[i] = Digits(static_cast<long>(x % 100000), 5) + "123";
          break;
        case Fill::kNumber: {
          std::uint32_t limit = 1;
          for (std::size_t d = 0; d < len && d < 9; ++d) limit *= 10;
          values[i] = x % 50 == 0 ? "" : std::to_string(x % limit);
          break;
        }
        case Fill::kDecimal:
          values[i] = std::to_string(x % 100) + "." + Digits(x % 100, 2);
          break;
        case Fill::kText:
          values[i] = Digits(n % 100000, len > 6 ? 6 : len).substr(0, len);
          break;
      }
    }
    writer.Add(values);
  }
  writer.Finish();
}

// The catalogue and the two files, written once per process.
class BenchData {
 public:
  BenchData() {
    const char* env = std::getenv("TALMERO_BENCH_RISCOS");
    risks_ = env != nullptr ? std::atol(env) : 1'000'000;
    claims_ = risks_ * 3 / 10;
    std::vector<RuleRow> rules;
    std::vector<DomainRow> domains;
    AddRules(kRiscos, RisksLayout(), &rules, &domains);
    AddRules(kSinistros, ClaimsLayout(), &rules, &domains);
    testing_support::WriteTabelas(dir_.file("tabelas.dbf"), rules);
    testing_support::WriteAnexos(dir_.file("anexos.dbf"), domains);
    WriteData(risks_path(), RisksLayout(), risks_, 1);
    WriteData(claims_path(), ClaimsLayout(), claims_, 2);
    bytes_ = static_cast<std::int64_t>(std::filesystem::file_size(risks_path()) +
                                       std::filesystem::file_size(claims_path()));
  }
  std::string folder() const { return dir_.folder(); }
  std::string risks_path() const { return dir_.file("riscos.dbf"); }
  std::string claims_path() const { return dir_.file("sinistros.dbf"); }
  long records() const { return risks_ + claims_; }
  std::int64_t bytes() const { return bytes_; }

 private:
  testing_support::TempDir dir_;
  long risks_ = 0;
  long claims_ = 0;
  std::int64_t bytes_ = 0;
};

const BenchData& Data() {
  static const BenchData data;
  return data;
}

void Report(benchmark::State& state) {
  const auto iterations = static_cast<std::int64_t>(state.iterations());
  state.SetItemsProcessed(iterations * Data().records());
  state.SetBytesProcessed(iterations * Data().bytes());
}

void BM_PlainRead(benchmark::State& state) {
  std::vector<char> buffer(1 << 20);
  for (auto _ : state) {
    std::uint64_t sum = 0;
    for (const std::string& path : {Data().risks_path(), Data().claims_path()}) {
      std::FILE* f = std::fopen(path.c_str(), "rb");
      if (f == nullptr) {
        state.SkipWithError("cannot open the bench file");
        return;
      }
      std::size_t n = 0;
      while ((n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) {
        for (std::size_t i = 0; i < n; ++i) sum += static_cast<unsigned char>(buffer[i]);
      }
      std::fclose(f);
    }
    benchmark::DoNotOptimize(sum);
  }
  Report(state);
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);

void BM_ReaderWalk(benchmark::State& state) {
  tables::DbfTable table("tbDados", true);
  for (auto _ : state) {
    std::int64_t records = 0;
    for (const std::string& path : {Data().risks_path(), Data().claims_path()}) {
      table.Close();
      table.SetFileName(path);
      table.Open();
      for (table.First(); !table.Eof(); table.Next()) ++records;
    }
    table.Close();
    benchmark::DoNotOptimize(records);
  }
  Report(state);
}
BENCHMARK(BM_ReaderWalk)->Unit(benchmark::kMillisecond);

void BM_WalkRecords(benchmark::State& state) {
  testing_support::RecordingHost host;
  engine::RunTables tables;
  engine::RunState run_state;
  const engine::Regional regional = engine::Regional::PtBr();
  engine::RunContext ctx{host, tables, run_state, regional, Data().folder(), 2024, "", ""};
  for (auto _ : state) {
    state.PauseTiming();
    engine::LoadRuleCatalog(ctx);  // fresh counters
    host.notices.clear();
    state.ResumeTiming();
    for (int table = 1; table <= 2; ++table) {
      tables.tbDados.Close();
      tables.tbDados.SetFileName(table == 1 ? Data().risks_path() : Data().claims_path());
      tables.tbDados.Open();
      run_state.numTabela = table;
      run_state.numRegistros = 0;
      run_state.codEmpresa = "00001";
      if (!engine::WalkRecords(ctx)) state.SkipWithError("company check failed");
    }
    tables.tbDados.Close();
  }
  Report(state);
  state.counters["notices"] = static_cast<double>(host.notices.size());
}
BENCHMARK(BM_WalkRecords)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
