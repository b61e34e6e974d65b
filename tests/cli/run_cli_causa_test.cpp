// An error that ends a run keeps its text and gains the line that names its file or folder and
// the cause ("causa: ..." on standard error, "explicacao" in the JSON result); an output that
// cannot be written says why, and no library's own lines reach standard error.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli_test_support.h"
#include "cli/run_cli.h"
#include "cmdline/exit_status.h"
#include "outputs/xlsx_workbook.h"
#include "support/private_mounts.h"
#include "support/run_fixture.h"
#include "support/scoped_temp_folder.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#endif

namespace cli {
namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

// The standard catalogue, one risk and one claim of its policy.
void WriteInputs(const TempDir& dir) {
  testing_support::WriteStandardCatalog(dir);
  tools::DbfBuilder risks(testing_support::RisksLayout());
  risks.Add({"01234", "POL1", "000001", "20230101", "20231231", "20230115", "1100", "0", "0", "300",
             "100", "0"});
  risks.Write(dir.file("riscos.dbf"));
  tools::DbfBuilder claims(testing_support::ClaimsLayout());
  claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"});
  claims.Write(dir.file("sinistros.dbf"));
}

std::vector<std::string> Args(const TempDir& dir, const std::string& riscos,
                              const std::string& sinistros, std::vector<std::string> extra = {}) {
  std::vector<std::string> args{
      "--catalogo=" + dir.folder(), "--riscos",        dir.file(riscos), "--sinistros",
      dir.file(sinistros),          "--regional=pt_BR"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

struct CausaOutcome {
  int status = 0;
  std::string err;
};

CausaOutcome RunForCausa(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunCli(args, out, err, &FixedClock);
  return {status, err.str()};
}

// "@" in `text` stands for the test's folder.
std::string In(const TempDir& dir, std::string text) {
  for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at)) {
    text.replace(at, 1, dir.folder());
    at += dir.folder().size();
  }
  return text;
}

TEST(RunCliCausaTest, AnErrorKeepsItsTextAndGainsTheLineThatNamesTheFileAndTheCause) {
  struct Case {
    std::string name;
    std::function<void(const TempDir&)> damage;
    std::string riscos;
    std::string sinistros;
    std::string error;  // "@": the folder
    std::string causa;
  };
  std::vector<Case> cases = {
      {"a record of 5045 bytes",
       [](const TempDir& dir) {
         auto layout = testing_support::RisksLayout();
         layout.push_back({"EXTRA", 'C', 4938});  // 107 + 4938 bytes
         tools::DbfBuilder wide(layout);
         wide.Add({"01234", "POL1"});
         wide.Write(dir.file("largo.dbf"));
       },
       "largo.dbf", "sinistros.dbf", "TMarlSmartDBF.InternalOpen: BufferSize too small!",
       "arquivo de riscos com registros de 5.045 bytes, acima do limite de 4.096 bytes por "
       "registro: @largo.dbf"},
      {"no claims file", [](const TempDir&) {}, "riscos.dbf", "falta.dbf",
       "TMarlSmartDBF.InternalOpen: Open error \"@falta.dbf\"",
       "arquivo de sinistros não encontrado: @falta.dbf"},
      {"no anexos.dbf", [](const TempDir& dir) { fs::remove(dir.file("anexos.dbf")); },
       "riscos.dbf", "sinistros.dbf", "TMarlSmartDBF.InternalOpen: Open error \"@anexos.dbf\"",
       "arquivo do catálogo não encontrado: @anexos.dbf"},
  };
#ifndef _WIN32
  cases.push_back({"a folder as the claims file",
                   [](const TempDir& dir) { fs::create_directory(dir.path() / "pasta.dbf"); },
                   "riscos.dbf", "pasta.dbf",
                   "TMarlSmartDBF.InternalOpen: Open error \"@pasta.dbf\"",
                   "arquivo de sinistros não pôde ser aberto: @pasta.dbf (Is a directory)"});
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteInputs(dir);
    c.damage(dir);
    const CausaOutcome o =
        RunForCausa(Args(dir, c.riscos, c.sinistros, {"--json", dir.file("r.json")}));
    EXPECT_EQ(o.status, cmdline::kExitRunError);
    EXPECT_EQ(o.err, In(dir, c.error + "\ncausa: " + c.causa + "\n"));
    const nlohmann::json doc = nlohmann::json::parse(ReadBytes(dir.file("r.json")));
    EXPECT_EQ(doc["erro"], In(dir, c.error));
    EXPECT_EQ(doc["explicacao"], In(dir, c.causa));
  }
}

#ifndef _WIN32
// The index fits neither in a read-only catalogue folder nor in a temporary folder that does
// not exist. Root writes into read-only folders: for root the folder is a read-only mount.
TEST(RunCliCausaTest, AnIndexThatFitsNowhereNamesEachFolderTriedAndWhy) {
  TempDir dir;
  WriteInputs(dir);
  TempDir kept;  // what the child process says
  const testing_support::ScopedTempFolder nowhere(dir.file("nenhuma"));
  const std::vector<std::string> args = Args(dir, "riscos.dbf", "sinistros.dbf");
  CausaOutcome o;
  std::string reason;
  if (geteuid() == 0) {
    reason = "Read-only file system";
    std::string why;
    const std::optional<int> status = testing_support::InPrivateMounts(
        [&] {
          if (!testing_support::MountReadOnly(dir.path())) return testing_support::kNoPrivateMounts;
          const CausaOutcome child = RunForCausa(args);
          tools::WriteFile(kept.file("err.txt"), child.err);
          return child.status;
        },
        &why);
    if (!status) GTEST_SKIP() << why;
    o = {*status, ReadBytes(kept.file("err.txt"))};
  } else {
    reason = "Permission denied";
    ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
    o = RunForCausa(args);
    chmod(dir.path().c_str(), 0755);
  }
  EXPECT_EQ(o.status, cmdline::kExitRunError);
  EXPECT_EQ(o.err,
            "TMarlNTXIndex.CreateIndex: Create error \"apolice\" (No such file or "
            "directory)\ncausa: o índice temporário não pôde ser criado na pasta do "
            "catálogo \"" +
                dir.folder() + "\" (" + reason + ") nem na pasta temporária \"" +
                dir.file("nenhuma") + "/\" (No such file or directory)\n");
}

// Descriptor 2 goes into a file while it lives: what a library prints there.
class StderrTrap {
 public:
  explicit StderrTrap(std::string path) : path_(std::move(path)) {
    std::fflush(stderr);
    saved_ = dup(2);
    const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 2);
    close(fd);
  }
  ~StderrTrap() { Text(); }
  StderrTrap(const StderrTrap&) = delete;
  StderrTrap& operator=(const StderrTrap&) = delete;

  std::string Text() {
    std::fflush(stderr);
    if (saved_ >= 0) {
      dup2(saved_, 2);
      close(saved_);
      saved_ = -1;
    }
    return ReadBytes(path_);
  }

 private:
  std::string path_;
  int saved_ = -1;
};

// The failure list (CSV, workbook) and the extract on a full device (a link to /dev/full).
TEST(RunCliCausaTest, AFullDiskUnderAnOutputGivesItsReasonAndNoLibraryLines) {
  if (!std::ofstream("/dev/full")) GTEST_SKIP() << "no /dev/full to write to";
  TempDir dir;
  WriteInputs(dir);
  std::vector<std::pair<std::string, std::string>> outputs = {{"--detalhes", "cheio.csv"},
                                                              {"--extrato", "cheio.csv"}};
  if (outputs::XlsxAvailable()) outputs.push_back({"--detalhes", "cheio.xlsx"});
  for (const auto& [option, name] : outputs) {
    SCOPED_TRACE(option + " " + name);
    const std::string path = dir.file(name);
    fs::create_symlink("/dev/full", path);
    StderrTrap trap(dir.file("stderr.txt"));
    const CausaOutcome o = RunForCausa(Args(dir, "riscos.dbf", "sinistros.dbf", {option, path}));
    const std::string printed = trap.Text();
    fs::remove(path);
    EXPECT_EQ(o.status, cmdline::kExitRunError);
    EXPECT_NE(o.err.find("Cannot write file \"" + path + "\". "), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("No space left on device"), std::string::npos) << o.err;
    EXPECT_EQ(printed, "");
  }
}
#endif

}  // namespace
}  // namespace cli
