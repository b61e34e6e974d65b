// The runner's outputs against its inputs, on a full device and on interruption, and the
// header mismatch on whole runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli_test_support.h"
#include "cli/run_cli.h"
#include "cmdline/exit_status.h"
#include "cmdline/last_resort.h"
#include "platform/exclusive_file.h"
#include "support/run_fixture.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/interrupt_cleanup.h"

extern char** environ;
#endif

namespace cli {
namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

class RunCliReliabilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::WriteStandardCatalog(dir_);
    WriteRisks(1);
    tools::DbfBuilder claims(testing_support::ClaimsLayout());
    claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"});
    claims.Write(dir_.file("sinistros.dbf"));
  }
  void WriteRisks(int count) {
    tools::DbfBuilder risks(testing_support::RisksLayout());
    for (int i = 1; i <= count; ++i) {
      risks.Add({"01234", "POL" + std::to_string(i), "000001", "20230101", "20231231", "20230115",
                 "1100", "0", "0", "300", "100", "0"});
    }
    risks.Write(dir_.file("riscos.dbf"));
  }
  std::vector<std::string> Args(std::vector<std::string> extra) const {
    std::vector<std::string> args{"--catalogo=" + dir_.folder(), "--riscos",
                                  dir_.file("riscos.dbf"),       "--sinistros",
                                  dir_.file("sinistros.dbf"),    "--regional=pt_BR"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  int Run(std::vector<std::string> extra, std::ostream* out = nullptr) {
    std::ostringstream own_out;
    std::ostringstream err;
    const int status = RunCli(Args(std::move(extra)), out ? *out : own_out, err, &FixedClock);
    out_ = own_out.str();
    err_ = err.str();
    return status;
  }
  // Every file of the folder whose name starts with a dot: the temporary outputs.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_.path())) {
      const std::string name = entry.path().filename().string();
      if (name.front() == '.' || name == "apolice.ntx") names.push_back(name);
    }
    return names;
  }

  TempDir dir_;
  std::string out_;
  std::string err_;
};

TEST_F(RunCliReliabilityTest, AnOutputOverAFileTheRunReadsIsRefusedByIdentity) {
  const std::string risks = dir_.file("riscos.dbf");
  const std::string before = ReadBytes(risks);
  fs::create_directory(dir_.path() / "sub");
  fs::create_hard_link(risks, dir_.path() / "hard.dbf");
  std::vector<std::pair<std::string, std::string>> clashes = {
      {"--saida", risks},
      {"--detalhes", dir_.file("sub/../riscos.dbf")},
      {"--json", dir_.file("hard.dbf")},
      {"--html", dir_.file("tabelas.dbf")},
      {"--extrato", dir_.file("sinistros.dbf")},
  };
#ifndef _WIN32  // symbolic links need a privilege on Windows
  fs::create_symlink(dir_.file("sinistros.dbf"), dir_.path() / "link.dbf");
  clashes.push_back({"--saida", dir_.file("link.dbf")});
#endif
  for (const auto& [option, path] : clashes) {
    SCOPED_TRACE(option + " " + path);
    const std::string other = option == "--json" ? "--html" : "--json";
    EXPECT_EQ(Run({option, path, other, dir_.file("r.json")}), cmdline::kExitUsage);
    EXPECT_EQ(err_.rfind("talmero-criticar: a saída " + path + " é um dos arquivos de entrada", 0),
              0u)
        << err_;
    EXPECT_FALSE(fs::exists(dir_.file("r.json"))) << "nothing written";
  }
  EXPECT_EQ(ReadBytes(risks), before);
  // Two outputs on one file not written yet, by a second name.
  EXPECT_EQ(Run({"--saida", dir_.file("r.txt"), "--json", dir_.file("sub/../r.txt")}),
            cmdline::kExitUsage);
  EXPECT_NE(err_.find("gravam no mesmo arquivo"), std::string::npos) << err_;
  EXPECT_TRUE(Leftovers().empty());
}

#ifndef _WIN32
// Outputs that meet are refused before the run: through a link whose target does not exist yet,
// or on standard output under another name while the report goes there too.
TEST_F(RunCliReliabilityTest, OutputsThatMeetThroughALinkOrOnStandardOutputAreRefused) {
  fs::create_directory(dir_.path() / "out");
  fs::create_symlink("a.html", dir_.path() / "out" / "link.json");
  EXPECT_EQ(Run({"--saida", dir_.file("r.txt"), "--json", dir_.file("out/link.json"), "--html",
                 dir_.file("out/a.html")}),
            cmdline::kExitUsage);
  EXPECT_EQ(err_.rfind("talmero-criticar: --json e --html gravam no mesmo arquivo: " +
                           dir_.file("out/a.html"),
                       0),
            0u)
      << err_;
  // Standard output in a file, as a shell's redirection makes it.
  std::fflush(stdout);
  const int saved = dup(1);
  const int file = open(dir_.file("saida-padrao.txt").c_str(), O_WRONLY | O_CREAT, 0600);
  dup2(file, 1);
  close(file);
  std::vector<std::pair<int, std::string>> runs;
  for (const char* name : {"/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"}) {
    runs.emplace_back(Run({"--json", name}), err_);
  }
  runs.emplace_back(Run({"--saida", dir_.file("r.txt"), "--json", "/dev/stdout"}), err_);
  dup2(saved, 1);
  close(saved);
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(runs[i].first, cmdline::kExitUsage);
    EXPECT_EQ(runs[i].second.rfind(
                  "talmero-criticar: duas saídas na saída padrão: o relatório e --json", 0),
              0u)
        << runs[i].second;
  }
  EXPECT_EQ(runs[3].first, cmdline::kExitSuccess) << runs[3].second;  // the report in a file
  EXPECT_FALSE(fs::exists(dir_.file("out/a.html")));
}
#endif

TEST_F(RunCliReliabilityTest, AHeaderAnnouncingMoreRecordsRejectsWithoutChangingTheReport) {
  ASSERT_EQ(Run({"--saida", dir_.file("antes.txt")}), cmdline::kExitSuccess) << err_;
  // The header's record count (bytes 4 to 7) announces 3 records; the file holds 1.
  {
    std::fstream file(dir_.file("riscos.dbf"), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(4);
    file.put(3);
  }
  ASSERT_EQ(Run({"--saida", dir_.file("depois.txt"), "--detalhes", dir_.file("f.csv"), "--json",
                 "-", "--estrito"}),
            cmdline::kExitRejected)
      << err_;
  EXPECT_EQ(ReadBytes(dir_.file("depois.txt")), ReadBytes(dir_.file("antes.txt")));
  EXPECT_EQ(err_, "aviso: " + dir_.file("riscos.dbf") +
                      ": o cabeçalho anuncia 3 registros, o arquivo contém 1\n");
  const nlohmann::json doc = nlohmann::json::parse(out_);
  EXPECT_EQ(doc["cabecalho"], nlohmann::json::parse(R"([{"arquivo": "riscos",
      "registros_no_cabecalho": 3, "registros_no_arquivo": 1}])"));
  EXPECT_EQ(doc["veredito"]["resultado"], "rejeitado");
  EXPECT_EQ(doc["veredito"]["motivos"][0]["tipo"], "cabecalho") << doc["veredito"].dump(1);
  const std::string csv = ReadBytes(dir_.file("f.csv"));
  EXPECT_NE(csv.find("\r\nriscos;;;;cabecalho;3;1;;;;;;;;;;O cabe\xE7"
                     "alho do arquivo anuncia 3 "
                     "registros, mas o arquivo cont\xE9m 1"),
            std::string::npos)
      << csv;
}

// Hostile inputs the run reads all the same: each says what is wrong on standard error (and in
// the verdict, the failure list), and a reason only where records are missing or nothing was
// checked. The report is the one of an equivalent clean input.
TEST_F(RunCliReliabilityTest, HostileInputsAreToldAndReadAsBefore) {
  const std::string risks = dir_.file("riscos.dbf");
  const std::string kov = dir_.file("DadosKov.DBF");
  const auto edit = [](const std::string& path, const std::function<void(std::string&)>& change) {
    std::string bytes = ReadBytes(path);
    change(bytes);
    tools::WriteFile(path, bytes);
  };
  const auto kov_rows = [&](std::vector<testing_support::KovRow> rows) {
    return [=] { testing_support::WriteDadosKov(kov, rows); };
  };
  const testing_support::KovRow other{
      "99999", "OUTRA", {"1", "1", "1", "1", "1", "1"}, "202201", "202212"};
  const testing_support::KovRow ours{
      "01234", "SEGURADORA TESTE S.A.", {"1100", "0", "0", "300", "100", "0"}, "202301", "202312"};
  testing_support::KovRow ours_text = ours;
  ours_text.amounts[0] = "abc";
  ours_text.amounts[4] = "--5";
  testing_support::KovRow ours_blank = ours;
  ours_blank.amounts[0] = ours_blank.amounts[4] = "";
  testing_support::KovRow ours_again = ours;
  ours_again.amounts = {"7", "7", "7", "7", "7", "7"};
  const std::function<void()> clean = [] {};
  struct Case {
    std::string what;
    std::function<void()> damage;
    std::function<void()> same_report_as;  // null: the report is not compared
    std::vector<std::string> warnings;     // the "aviso:" lines of standard error
    std::vector<std::string> motivos;      // the verdict's reasons' types
    std::vector<std::string> new_avisos;   // warning types the clean run does not have
    std::string csv;                       // a row of the failure list ("" none)
  };
  const std::string aviso = "aviso: " + risks + ": ";
  const Case cases[] = {
      {"17 bytes after the end byte",
       [&] { edit(risks, [](std::string& b) { b += std::string(17, 'X'); }); },
       clean,
       {aviso + "17 bytes depois do último registro"},
       {},
       {"bytes_finais"},
       "\r\nriscos;;;;bytes_finais;17;;"},
      {"50 bytes in place of the end byte",
       [&] { edit(risks, [](std::string& b) { b.back() = 'X', b += std::string(49, 'X'); }); },
       clean,
       {aviso + "50 bytes depois do último registro"},
       {},
       {"bytes_finais"},
       "\r\nriscos;;;;bytes_finais;50;;"},
      {"a count that differs and stray bytes",
       [&] { edit(risks, [](std::string& b) { b[4] = 3, b += std::string(17, 'X'); }); },
       clean,
       {aviso + "o cabeçalho anuncia 3 registros, o arquivo contém 1",
        aviso + "17 bytes depois do último registro"},
       {"cabecalho"},
       {"bytes_finais"},
       "\r\nriscos;;;;cabecalho;3;1;"},
      // A writer that left out the descriptors' end mark: the header length is one short and the
      // first record's flag byte holds the mark, so the records read as before.
      {"a header length inside the descriptors",
       [&] {
         edit(risks, [](std::string& b) {
           const std::size_t length =
               static_cast<unsigned char>(b[8]) + 256u * static_cast<unsigned char>(b[9]);
           b.erase(length - 1, 1);
           b[length - 1] = 0x0D;
           b[8] = static_cast<char>((length - 1) & 0xFF),
           b[9] = static_cast<char>((length - 1) >> 8);
         });
       },
       clean,
       {aviso + "o cabeçalho declara 480 bytes, menos que os 481 da descrição dos campos; os "
                "registros são lidos logo após esses 480 bytes"},
       {},
       {"cabecalho_curto"},
       "\r\nriscos;;;;cabecalho_curto;480;481;"},
      {"an empty catalogue",
       [&] { testing_support::WriteTabelas(dir_.file("tabelas.dbf"), {}); },
       nullptr,
       {},
       {"catalogo_vazio"},
       {},
       ""},
      {"a catalogue for another line of business",
       [&] {
         std::vector<testing_support::RuleRow> rules =
             testing_support::RulesFor("RISCOS", testing_support::RisksLayout());
         for (auto& r : rules) r.ramo = "RESIDENCIAL";
         testing_support::WriteTabelas(dir_.file("tabelas.dbf"), rules);
       },
       nullptr,
       {},
       {"catalogo_vazio"},
       {},
       ""},
      {"the company listed twice",
       kov_rows({other, ours, ours_again}),
       clean,
       {"aviso: " + kov +
        ": a empresa “01234” está nos registros 2 e 3; são usados os totais "
        "do registro 2, o primeiro"},
       {},
       {"empresa_repetida_kov"},
       ""},
      {"totals that are not numbers",
       kov_rows({other, ours_text}),
       kov_rows({other, ours_blank}),
       {"aviso: " + kov + ": o campo PR_AUTO do registro 2 não é um número (“abc”); lido como 0",
        "aviso: " + kov + ": o campo SIN_RC do registro 2 não é um número (“--5”); lido como 0"},
       {},
       {"valor_kov_invalido", "valor_kov_invalido"},
       ""},
  };
  const auto types = [](const nlohmann::json& items) {
    std::vector<std::string> out;
    for (const auto& item : items) out.push_back(item["tipo"]);
    return out;
  };
  ASSERT_EQ(Run({"--saida", dir_.file("r.txt"), "--json", "-"}), cmdline::kExitSuccess) << err_;
  const std::vector<std::string> clean_avisos =
      types(nlohmann::json::parse(out_)["veredito"]["avisos"]);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string expected_report;
    if (c.same_report_as) {
      SetUp();
      c.same_report_as();
      ASSERT_EQ(Run({"--saida", dir_.file("r.txt")}), cmdline::kExitSuccess) << err_;
      expected_report = ReadBytes(dir_.file("r.txt"));
    }
    SetUp();
    c.damage();
    EXPECT_EQ(Run({"--saida", dir_.file("r.txt"), "--json", "-", "--detalhes", dir_.file("f.csv")}),
              cmdline::kExitSuccess);
    if (c.same_report_as) {
      EXPECT_EQ(ReadBytes(dir_.file("r.txt")), expected_report);
    }
    std::vector<std::string> warnings;
    std::istringstream err(err_);
    for (std::string line; std::getline(err, line);) {
      if (line.rfind("aviso: ", 0) == 0) warnings.push_back(line);
    }
    EXPECT_EQ(warnings, c.warnings) << err_;
    const nlohmann::json verdict = nlohmann::json::parse(out_)["veredito"];
    EXPECT_EQ(verdict["resultado"], c.motivos.empty() ? "aceitavel" : "rejeitado");
    EXPECT_EQ(types(verdict["motivos"]), c.motivos) << verdict.dump(1);
    std::vector<std::string> new_avisos;
    for (const std::string& tipo : types(verdict["avisos"])) {
      if (std::find(clean_avisos.begin(), clean_avisos.end(), tipo) == clean_avisos.end()) {
        new_avisos.push_back(tipo);
      }
    }
    EXPECT_EQ(new_avisos, c.new_avisos) << verdict.dump(1);
    if (!c.csv.empty()) {
      EXPECT_NE(ReadBytes(dir_.file("f.csv")).find(c.csv), std::string::npos);
    }
  }
}

TEST_F(RunCliReliabilityTest, AFullStandardOutputIsAnErrorAfterTheRunsOwn) {
  std::ofstream full("/dev/full", std::ios::binary);
  if (!full) GTEST_SKIP() << "no /dev/full";
  EXPECT_EQ(Run({}, &full), cmdline::kExitRunError);
  EXPECT_EQ(err_.rfind("não foi possível escrever na saída padrão: ", 0), 0u) << err_;

  // The run fails (no claims file) and so does its output: both said, the run's first.
  std::ofstream full_again("/dev/full", std::ios::binary);
  EXPECT_EQ(Run({"--sinistros", dir_.file("falta.dbf")}, &full_again), cmdline::kExitRunError);
  const std::size_t own = err_.find("falta.dbf");
  const std::size_t output = err_.find("não foi possível escrever na saída padrão");
  EXPECT_NE(own, std::string::npos) << err_;
  EXPECT_NE(output, std::string::npos) << err_;
  EXPECT_LT(own, output) << err_;
}

// Outputs that fail are told in one order, whatever the order of their options: the failure
// list, the JSON result (which tells the list's total), the extract, the page, the report last.
TEST_F(RunCliReliabilityTest, FailedOutputsAreToldInTheirOrder) {
  if (!std::ofstream("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const std::string full = "/dev/full";                // fails as it is written
  const std::string json = dir_.file("falta/r.json");  // in no folder: fails when created
  const std::string report = dir_.file("falta/r.txt");
  const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> runs = {
      {{"--saida", report, "--json", json, "--detalhes", full}, {full, json, report}},
      {{"--html", full, "--saida", report, "--extrato", dir_.file("e.csv"), "--json", json},
       {json, full, report}},
      {{"--saida", report, "--extrato", full, "--json", json, "--html", dir_.file("p.html")},
       {json, full, report}},
  };
  for (const auto& [options, told] : runs) {
    SCOPED_TRACE(options[0] + " " + options[1]);
    EXPECT_EQ(Run(options), cmdline::kExitRunError);
    std::size_t at = 0;
    for (const std::string& path : told) {
      at = err_.find('"' + path + '"', at);
      EXPECT_NE(at, std::string::npos) << path << " out of order in:\n" << err_;
    }
  }
}

// A run killed before it could remove its temporary output leaves it behind; the next run that
// writes that output removes it, never one a live run still writes (held like the index).
TEST_F(RunCliReliabilityTest, AKilledRunsTemporaryOutputGoesAndALiveRunsStays) {
#ifdef _WIN32
  const std::string hidden = "~";
#else
  const std::string hidden = ".";
#endif
  const std::string stale = dir_.file(hidden + "r.txt-0123456789abcdef.tmp");
  const std::string live = dir_.file(hidden + "r.txt-fedcba9876543210.tmp");
  const std::string other_output = dir_.file(hidden + "outro.txt-0123456789abcdef.tmp");
  tools::WriteFile(stale, "parcial");
  tools::WriteFile(other_output, "parcial");
  const std::optional<platform::ExclusiveFile> held = platform::ExclusiveFile::CreateNew(live);
  ASSERT_TRUE(held);
  EXPECT_EQ(Run({"--saida", dir_.file("r.txt")}), cmdline::kExitSuccess) << err_;
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(live));
  EXPECT_TRUE(fs::exists(other_output));
  EXPECT_EQ(ReadBytes(dir_.file("r.txt")).rfind("In\xED", 0), 0u);
}

#ifndef _WIN32
// Runs the runner in a child process limited to `max_bytes` per file; its status.
int RunLimited(const std::vector<std::string>& args, rlim_t max_bytes) {
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
    const rlimit limit{max_bytes, max_bytes};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::ostringstream out, err;
    _exit(RunCli(args, out, err, &FixedClock));
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(RunCliReliabilityTest, AFullDeviceLeavesNoPartialOutputAndTheEarlierFileIntact) {
  ASSERT_EQ(Run({"--saida", dir_.file("r.txt"), "--detalhes", dir_.file("f.csv")}),
            cmdline::kExitSuccess);
  const auto report_size = static_cast<rlim_t>(fs::file_size(dir_.file("r.txt")));
  tools::WriteFile(dir_.file("r.txt"), "anterior");
  tools::WriteFile(dir_.file("f.csv"), "anterior");
  // Room for the index and the short failure list, not for the whole report.
  EXPECT_EQ(RunLimited(Args({"--saida", dir_.file("r.txt")}), report_size - 1),
            cmdline::kExitRunError);
  EXPECT_EQ(ReadBytes(dir_.file("r.txt")), "anterior");
  // WriteRisks' failure list is longer than the limit of 200 bytes; the report is not written.
  WriteRisks(50);
  EXPECT_EQ(
      RunLimited(Args({"--detalhes", dir_.file("f.csv"), "--saida", dir_.file("r2.txt")}), 200),
      cmdline::kExitRunError);
  EXPECT_EQ(ReadBytes(dir_.file("f.csv")), "anterior");
  EXPECT_FALSE(fs::exists(dir_.file("r2.txt")));
  EXPECT_TRUE(Leftovers().empty());
}

// A legal name stays legal with the temporary name's 22 bytes: those are taken from the name
// where the folder's limit of 255 bytes needs it, and a killed run's file of that shortened name
// is removed all the same. A name over the limit is refused before the run.
TEST_F(RunCliReliabilityTest, TheLongestLegalOutputNamesAreWritten) {
  for (const std::size_t length : {249u, 255u, 256u}) {
    SCOPED_TRACE(length);
    const std::string name = std::string(length - 4, 'r') + ".txt";
    tools::WriteFile(dir_.file(("." + name).substr(0, 234) + "-0123456789abcdef.tmp"), "parcial");
    const int status = Run({"--saida", dir_.file(name)});
    if (length > 255) {
      EXPECT_EQ(status, cmdline::kExitRunError);
      EXPECT_NE(err_.find("File name too long"), std::string::npos) << err_;
      continue;
    }
    EXPECT_EQ(status, cmdline::kExitSuccess) << err_;
    EXPECT_EQ(ReadBytes(dir_.file(name)).rfind("In\xED", 0), 0u);
    EXPECT_TRUE(Leftovers().empty());
  }
}

// How a program is started: every standard descriptor open, standard output into a pipe whose
// reader has gone (`| head -1` once head ended), the same for standard error, standard error
// closed (`2>&-`).
enum class Started { kNormally, kOutputIntoClosedPipe, kErrorIntoClosedPipe, kWithoutError };

struct Ended {
  int status = -1;  // -1: ended by a signal
  std::string err;
};

// Runs an installed program as the shell would, with the system's default for SIGPIPE.
Ended RunProgram(const std::vector<std::string>& args, Started how, const std::string& err_file) {
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) return {};
  close(pipe_ends[0]);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (how == Started::kWithoutError) {
    posix_spawn_file_actions_addclose(&actions, 2);
  } else if (how == Started::kErrorIntoClosedPipe) {
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 2);
  } else {
    posix_spawn_file_actions_addopen(&actions, 2, err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
  }
  if (how == Started::kOutputIntoClosedPipe) {
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int started = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(pipe_ends[1]);
  Ended ended;
  int status = 0;
  if (started != 0 || waitpid(pid, &status, 0) != pid) return ended;
  if (WIFEXITED(status)) ended.status = WEXITSTATUS(status);
  ended.err = ReadBytes(err_file);
  return ended;
}

// A reader that went away and a closed standard error end nothing early: every file output is
// written whole, and nothing meant for the terminal lands in one.
TEST_F(RunCliReliabilityTest, ClosedPipesAndDescriptorsLeaveEveryFileOutputWhole) {
  const std::string bin = TALMERO_BIN_DIR;
  ASSERT_EQ(Run({"--json", dir_.file("entrada.json")}), cmdline::kExitSuccess) << err_;
  // An impossible date, so the run has a notice for standard error.
  tools::DbfBuilder claims(testing_support::ClaimsLayout());
  claims.Add({"01234", "POL1", "000001", "1", "300", "20230230"});
  claims.Write(dir_.file("sinistros.dbf"));
  const std::string pipe_error = "não foi possível escrever na saída padrão: Broken pipe\n";
  const std::string r_txt = dir_.file("r.txt"), r_json = dir_.file("r.json");
  const std::string r_html = dir_.file("r.html"), d_csv = dir_.file("d.csv");
  struct Case {
    std::vector<std::string> args;
    Started how;
    int status;
    std::string err_tail;
    std::vector<std::string> files;
  };
  const std::string criticar = bin + "/talmero-criticar";
  const auto with = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = Args(std::move(extra));
    args.insert(args.begin(), criticar);
    return args;
  };
  const Case cases[] = {
      {with({"--json", r_json}), Started::kOutputIntoClosedPipe, 1, pipe_error, {r_json}},
      {with({"--detalhes", "-", "--saida", r_txt, "--json", r_json, "--html", r_html}),
       Started::kOutputIntoClosedPipe,
       1,
       pipe_error,
       {r_txt, r_json, r_html}},
      {with({"--extrato", "-", "--saida", r_txt}),
       Started::kOutputIntoClosedPipe,
       1,
       pipe_error,
       {r_txt}},
      {{criticar, "--help"}, Started::kOutputIntoClosedPipe, 1, pipe_error, {}},
      {{criticar, "--nada"}, Started::kErrorIntoClosedPipe, 2, "", {}},
      {{bin + "/talmero-resumo", dir_.file("entrada.json")},
       Started::kOutputIntoClosedPipe,
       1,
       pipe_error,
       {}},
      {with({"--detalhes", d_csv, "--saida", r_txt}),
       Started::kWithoutError,
       0,
       "",
       {d_csv, r_txt}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("case " + std::to_string(&c - cases));
    for (const std::string& file : {r_txt, r_json, r_html, d_csv}) fs::remove(file);
    const Ended ended = RunProgram(c.args, c.how, dir_.file("err.txt"));
    EXPECT_EQ(ended.status, c.status) << ended.err;
    if (c.how == Started::kOutputIntoClosedPipe) {
      EXPECT_TRUE(ended.err.size() >= c.err_tail.size() &&
                  ended.err.compare(ended.err.size() - c.err_tail.size(), std::string::npos,
                                    c.err_tail) == 0)
          << ended.err;
    }
    for (const std::string& file : c.files) EXPECT_GT(ReadBytes(file).size(), 0u) << file;
    if (c.how == Started::kWithoutError) {
      EXPECT_EQ(ReadBytes(d_csv).rfind("arquivo;registro;", 0), 0u) << ReadBytes(d_csv);
      EXPECT_EQ(ReadBytes(r_txt).rfind("In\xED", 0), 0u) << ReadBytes(r_txt);
    }
    EXPECT_TRUE(Leftovers().empty());
  }
}

// A device or FIFO named as an output (/dev/null in a script) stays what it is: the bytes go
// into it, never a plain file renamed over it.
TEST_F(RunCliReliabilityTest, AFifoAsOutputIsWrittenInPlace) {
  const std::string fifo = dir_.file("saida.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);  // the pipe holds the report
  ASSERT_GE(reader, 0);
  EXPECT_EQ(Run({"--saida", fifo}), cmdline::kExitSuccess) << err_;
  std::string got(1 << 16, '\0');
  const ssize_t n = read(reader, got.data(), got.size());
  close(reader);
  ASSERT_GT(n, 0);
  EXPECT_EQ(got.substr(0, static_cast<std::size_t>(n))
                .rfind("In\xED"
                       "cio do processamento",
                       0),
            0u);
  struct stat st {};
  ASSERT_EQ(stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(RunCliReliabilityTest, SigtermDuringARunLeavesNoIndexNorTemporaryOutput) {
  WriteRisks(200000);
  const pid_t child = fork();
  if (child == 0) {
    platform::InstallInterruptCleanup();
    std::ostringstream out, err;
    _exit(RunCli(Args({"--saida", dir_.file("r.txt"), "--detalhes", dir_.file("f.csv")}), out, err,
                 &FixedClock));
  }
  // Terminated while the index of the risks is being built.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!fs::exists(dir_.file("apolice.ntx")) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), platform::kInterruptedBySigterm);
  EXPECT_TRUE(Leftovers().empty());
  EXPECT_FALSE(fs::exists(dir_.file("r.txt")));
  EXPECT_FALSE(fs::exists(dir_.file("f.csv")));
}

// The machine's limits met in the middle of a run: a thread the system refuses (a small address
// space for 64 workers) or a write past the file size limit end the run with its message and
// status 1, never std::terminate or SIGXFSZ, and leave no index and no temporary output.
TEST_F(RunCliReliabilityTest, TheMachinesLimitsEndTheRunWithAMessageAndNoLeftovers) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers reserve more address space than the limit leaves";
#else
  WriteRisks(20000);
  enum class Limit { kAddressSpace, kFileSize };
  for (const Limit limit : {Limit::kAddressSpace, Limit::kFileSize}) {
    SCOPED_TRACE(static_cast<int>(limit));
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    const pid_t child = fork();
    if (child == 0) {
      close(pipe_fds[0]);
      platform::InstallInterruptCleanup();
      if (limit == Limit::kAddressSpace) {
        std::ifstream status("/proc/self/status");
        std::string line;
        long kib = 0;
        while (std::getline(status, line)) {
          if (line.rfind("VmSize:", 0) == 0) kib = std::stol(line.substr(7));
        }
        const rlimit small{static_cast<rlim_t>(kib + 96 * 1024) * 1024,
                           static_cast<rlim_t>(kib + 96 * 1024) * 1024};
        setrlimit(RLIMIT_AS, &small);
      } else {
        const rlimit small{2048, 2048};
        setrlimit(RLIMIT_FSIZE, &small);
      }
      std::ostringstream out, err;
      const int code = cmdline::RunToTheEnd("talmero-criticar", err, [&] {
        return RunCli(Args({"--saida", dir_.file("r.txt"), "--detalhes", dir_.file("f.csv"),
                            "--nucleos", "64"}),
                      out, err, &FixedClock);
      });
      const std::string said = err.str();
      if (write(pipe_fds[1], said.data(), said.size()) < 0) _exit(99);
      _exit(code);
    }
    close(pipe_fds[1]);
    std::string said;
    char buffer[4096];
    for (ssize_t n; (n = read(pipe_fds[0], buffer, sizeof buffer)) > 0;) {
      said.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipe_fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), cmdline::kExitRunError) << said;
    if (limit == Limit::kFileSize) {
      EXPECT_NE(said.find("File too large"), std::string::npos) << said;
    } else {
      EXPECT_TRUE(said.find("Não foi possível iniciar uma linha de execução da crítica") !=
                      std::string::npos ||
                  said.find("Memória insuficiente") != std::string::npos)
          << said;
    }
    EXPECT_TRUE(Leftovers().empty());
  }
#endif
}
#endif

}  // namespace
}  // namespace cli
