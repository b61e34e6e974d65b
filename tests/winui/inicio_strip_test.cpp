// The Win32 window's strip under the log: ready before a run, then the verdict the runner's JSON
// gives for the same inputs (without limits), with its counts.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "winui/box_watcher.h"
#include "winui/window_fixture.h"

namespace {

using testing_support::BoxWatcher;
using testing_support::SeenBox;

std::wstring StripText(HWND strip) {
  const auto length = LOWORD(SendMessageW(strip, SB_GETTEXTLENGTHW, 0, 0));
  std::wstring text(length + 1u, L'\0');
  SendMessageW(strip, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
  text.resize(length);
  return text;
}

using WinuiStripTest = testing_support::Win32WindowTest;

TEST_F(WinuiStripTest, ReadyThenTheRunnersVerdictWithItsCounts) {
  HWND strip = Control("sbVeredito");
  EXPECT_EQ(StripText(strip), L"Pronto");
  EXPECT_EQ(SendMessageW(strip, SB_GETICON, 0, 0), 0);
  const std::string riscos = testing_support::BuildFile("amostras/riscos.dbf");
  const std::string sinistros = testing_support::BuildFile("amostras/sinistros.dbf");
  SetText("edArqRisco", riscos);
  SetText("edArqSinistro", sinistros);
  {
    BoxWatcher watcher(GetCurrentThreadId(), [](HWND box, const SeenBox&) {
      SendMessageW(box, TDM_CLICK_VERIFICATION, TRUE, FALSE);
      SendMessageW(box, TDM_CLICK_BUTTON, IDOK, 0);
    });
    ASSERT_TRUE(RunAndWait());
  }
  const std::filesystem::path json = dir_.path() / "v.json";
  Runner(riscos, sinistros, (dir_.path() / "r.txt").string(), {"--json", json.string()});
  std::ifstream in(json);
  const nlohmann::json verdict = nlohmann::json::parse(in)["veredito"];
  std::string title = verdict["resultado"] == "rejeitado" ? "Rejeitado"
                      : verdict["resultado"] == "erro"    ? "Erro"
                      : verdict["avisos"].empty()         ? "Aceitável"
                                                          : "Aceitável, com avisos";
  const std::size_t motivos = verdict["motivos"].size();
  const std::size_t avisos = verdict["avisos"].size();
  std::string counts;
  if (motivos > 0) counts = std::to_string(motivos) + (motivos > 1 ? " motivos" : " motivo");
  if (avisos > 0) {
    counts +=
        (counts.empty() ? "" : ", ") + std::to_string(avisos) + (avisos > 1 ? " avisos" : " aviso");
  }
  // The main reason follows, cut to keep the panel's key in sight.
  const nlohmann::json& first = motivos > 0 ? verdict["motivos"] : verdict["avisos"];
  const std::string reason = first.empty() ? "" : first[0]["texto"].get<std::string>();
  const std::string line = winui::Narrow(StripText(strip));
  EXPECT_EQ(line.substr(0, line.find(". ") + 2),
            title + (counts.empty() ? "" : ": " + counts) + ". ");
  EXPECT_NE(line.find(reason.substr(0, 40)), std::string::npos) << line;
  EXPECT_TRUE(line.ends_with(" Painel de falhas: Ctrl+Shift+F")) << line;
  EXPECT_NE(SendMessageW(strip, SB_GETICON, 0, 0), 0);
}

}  // namespace
