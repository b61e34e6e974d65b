// A whole run over the shipped catalogue and totals table, with the risks and claims files
// carved from one input: the first two bytes give the risks file's length, the claims file is
// the rest. Every run must end with its closing block or an error, never a crash or hang, and
// must leave no index file behind, neither in the catalogue folder nor in the temporary folder.
//
// The catalogue does not vary, so it is read once: its tables pass from run to run and the host
// keeps them (RunHost::KeepsCatalog), which only zeroes the counters. Everything else is new for
// every input (so what a run allocates it frees, as the leak check wants), and the two inputs go
// through the whole real run, from their files.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>

#include "engine/validation_run.h"
#include "platform/exclusive_file.h"
#include "platform/program_folder.h"
#include "platform/unique_name.h"
#include "support/recording_host.h"

namespace fs = std::filesystem;

namespace {

// A private folder per process: the catalogue copied from beside the program, the two inputs,
// and a temporary folder of its own; removed when the process ends.
struct Sandbox {
  fs::path root;
  std::string catalogue_folder;
  std::string risks;
  std::string claims;
  fs::path temp;

  Sandbox() {
    root = fs::path(Parent()) / platform::UniqueName("validation-run-fuzz", "");
    fs::create_directories(root / "tmp");
    temp = root / "tmp";
    for (const char* name : {"tabelas.dbf", "anexos.dbf", "DadosKov.DBF"}) {
      fs::copy_file(fs::path(platform::ExecutableFolder()) / name, root / name);
    }
    catalogue_folder = root.string() + "/";
    risks = (root / "riscos.dbf").string();
    claims = (root / "sinistros.dbf").string();
    setenv("TMPDIR", temp.c_str(), 1);
  }
  // A folder in memory where the system has one: every input's files are written, read and
  // indexed there without a disk in the way.
  static std::string Parent() {
    std::error_code ec;
    return fs::is_directory("/dev/shm", ec) ? std::string("/dev/shm") : platform::TempFolder();
  }
  // Runs when the process ends normally (libFuzzer ends with exit()).
  ~Sandbox() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  static Sandbox& Get() {
    static Sandbox sandbox;
    return sandbox;
  }

  // The catalogue's tables between runs (empty until the first run has loaded them).
  tables::MemTable zelTabelas{"zelTabelas"};
  tables::MemTable zelEstrutTab{"zelEstrutTab"};
  tables::MemTable zelAnexos{"zelAnexos"};

  // Hands the kept catalogue to `run`'s tables and takes it back when the run has ended.
  void Swap(engine::ValidationRun& run) {
    std::swap(zelTabelas, run.tables().zelTabelas);
    std::swap(zelEstrutTab, run.tables().zelEstrutTab);
    std::swap(zelAnexos, run.tables().zelAnexos);
  }
};

class CatalogKeepingHost : public testing_support::RecordingHost {
 public:
  bool KeepsCatalog() const override { return true; }
};

void Write(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Sandbox& box = Sandbox::Get();
  if (size < 2) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
  const std::size_t split =
      std::min<std::size_t>(data[0] | (std::size_t{data[1]} << 8), bytes.size());
  Write(box.risks, bytes.substr(0, split));
  Write(box.claims, bytes.substr(split));

  CatalogKeepingHost host;
  host.catalogue_folder = box.catalogue_folder;
  host.risk_path = box.risks;
  host.claims_path = box.claims;
  engine::ValidationRun run;
  box.Swap(run);
  bool ended = false;
  try {
    run.Execute(host);
    ended = true;
  } catch (const std::exception&) {
    // An error ends a run; the lines so far stay.
  }
  box.Swap(run);
  if (ended && (host.lines.empty() || host.progress.empty() || host.progress.back() != 0)) {
    __builtin_trap();  // a run that did not throw reached its closing block
  }
  if (fs::exists(box.root / "apolice.ntx") || !fs::is_empty(box.temp)) __builtin_trap();
  return 0;
}
