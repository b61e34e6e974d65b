#pragma once
// The Win32 window with a fixed clock, Brazilian Portuguese settings and a fresh program folder
// holding the shipped catalogue and totals table, with helpers to reach its controls by name,
// to pump its messages and to wait for a run.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run_cli.h"
#include "engine/regional.h"
#include "support/temp_dir.h"
#include "winui/inicio.h"
#include "winui/wide_text.h"

namespace testing_support {

inline platform::LocalDateTime FixedNow() { return {2024, 3, 15, 10, 20, 30}; }

// The shipped files of the build, beside the programs.
inline std::string BuildFile(const std::string& name) {
  return (std::filesystem::path(TALMERO_BIN_DIR) / name).string();
}

struct RunnerOutcome {
  std::vector<std::string> lines;
  std::string error;
  std::string cause;  // the "causa:" line beside the error, if the run explained it
};

class Win32WindowTest : public ::testing::Test {
 protected:
  Win32WindowTest() {
    for (const char* name : {"tabelas.dbf", "anexos.dbf", "DadosKov.DBF"}) {
      std::filesystem::copy_file(BuildFile(name), dir_.path() / name);
    }
    winui::InicioSetup setup;
    setup.program_folder = dir_.folder();
    setup.regional = engine::Regional::PtBr();
    setup.clock = FixedNow;
    setup.quit_on_close = false;
    window_ = std::make_unique<winui::Inicio>(std::move(setup));
    ShowWindow(window_->hwnd(), SW_SHOWNORMAL);
    Pump([] { return true; });
  }

  HWND Control(const char* name) {
    HWND control = window_->Control(name);
    if (control == nullptr) ADD_FAILURE() << "no control " << name;
    return control;
  }

  // Serves the window's messages as the program's loop does until `done` or the timeout.
  bool Pump(const std::function<bool()>& done, int timeout_ms = 60000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (window_->FilterMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      if (done()) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  }

  // Presses "&Criticar" and serves the window until the run has ended.
  bool RunAndWait() {
    SendMessageW(Control("btnOk"), BM_CLICK, 0, 0);
    return Pump([this] { return !window_->IsRunning(); });
  }

  void SetText(const char* name, const std::string& utf8) {
    SetWindowTextW(Control(name), winui::Widen(utf8).c_str());
  }

  // The log as shown, split at CR LF.
  std::vector<std::string> LogLines() {
    HWND log = Control("edLog");
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(log)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        SendMessageW(log, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = text.find(L"\r\n", start);
      lines.push_back(winui::Narrow(text.substr(start, end - start)));
      if (end == std::wstring::npos) break;
      start = end + 2;
    }
    return lines;
  }

  // The runner over the same inputs, catalogue and clock: its output lines (UTF-8) and the
  // message of the error that ended it, if any.
  RunnerOutcome Runner(const std::string& riscos, const std::string& sinistros,
                       const std::string& saida = {}, std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"--riscos",   riscos,        "--sinistros", sinistros,
                                     "--catalogo", dir_.folder(), "--regional",  "pt_BR"};
    if (!saida.empty()) args.insert(args.end(), {"--saida", saida});
    args.insert(args.end(), more.begin(), more.end());
    std::ostringstream out;
    std::ostringstream err;
    cli::RunCli(args, out, err, FixedNow);
    RunnerOutcome outcome;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) outcome.lines.push_back(line);
    std::istringstream errors(err.str());
    for (std::string line; std::getline(errors, line);) {
      // The error box shows the error's own text: the runner's notices, warnings and the
      // "causa:" line that explains an error are its own.
      const bool own = line.rfind("Data Inv", 0) == 0 || line.rfind("aviso: ", 0) == 0 ||
                       line.rfind("causa: ", 0) == 0;
      if (!own) outcome.error = line;
      if (line.rfind("causa: ", 0) == 0) outcome.cause = line;
    }
    return outcome;
  }

  TempDir dir_;
  std::unique_ptr<winui::Inicio> window_;
};

}  // namespace testing_support
