// The window's verdict strip, the insurer's catalogue folder its tooltip names, and the findings
// panel it opens: the parts of Inicio around the run's outcome.
#include "winui/inicio.h"
// after windows.h
#include <commctrl.h>

#include <utility>

#include "frontend/catalogue_folder.h"
#include "frontend/control_table.h"
#include "frontend/panel_run.h"
#include "platform/path_separator.h"
#include "winui/desktop.h"
#include "winui/findings_panel.h"
#include "winui/verdict_mark.h"
#include "winui/wide_text.h"

namespace winui {

void Inicio::ShowStrip(frontend::VerdictStrip strip) {
  strip_ = std::move(strip);
  if (mark_ != nullptr) DestroyIcon(mark_);
  mark_ = strip_.colour ? MakeMark(*strip_.colour, frontend::Scale(12, dpi_)) : nullptr;
  SendMessageW(sbVeredito, SB_SETICON, 0, reinterpret_cast<LPARAM>(mark_));
  SendMessageW(sbVeredito, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Widen(strip_.text).c_str()));
}

void Inicio::EnsurePanel() {
  if (panel_ == nullptr) panel_ = std::make_unique<FindingsPanel>(hwnd_, dpi_);
}

void Inicio::LoadPanel() {
  EnsurePanel();
  frontend::PanelRun run;
  if (findings_ != nullptr && findings_->ready()) run.list_path = findings_->path();
  run.result = run_.state().result;
  run.files = run_files_;
  run.protected_files = ProtectedFiles();
  run.error = run_error_;
  panel_->Load(std::move(run));
  panel_current_ = true;
}

void Inicio::PainelFalhasClick() {
  EnsurePanel();
  if (have_run_ && !running_ && !panel_current_) LoadPanel();
  panel_->Show();
}

std::string Inicio::CatalogueFolder() const {
  return catalogue_folder_.empty() ? setup_.program_folder : catalogue_folder_;
}

void Inicio::PastaCatalogoClick() {
  std::wstring folder;
  if (running_ || !AskFolder(hwnd_, Widen(frontend::kChooseCatalogue), &folder)) return;
  ChooseCatalogue(folder);
}

void Inicio::PastaProgramaClick() {
  if (!running_) ChooseCatalogue({});
}

bool Inicio::ChooseCatalogue(const std::wstring& folder) {
  std::string chosen =
      folder.empty() ? std::string() : platform::WithTrailingSeparator(ToPath(folder));
  if (!chosen.empty()) {
    const std::string refusal = frontend::CheckCatalogueFolder(chosen);
    if (!refusal.empty()) {
      ShowError(hwnd_, Widen(refusal));
      return false;
    }
  }
  catalogue_folder_ = std::move(chosen);
  SetStripTooltip(frontend::CatalogueTooltip(catalogue_folder_, setup_.program_folder));
  return true;
}

void Inicio::SetStripTooltip(const std::string& utf8) {
  if (tooltips_ == nullptr) return;
  std::wstring tip = Widen(utf8);
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof tool;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(sbVeredito);
  tool.lpszText = tip.data();
  SendMessageW(tooltips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace winui
