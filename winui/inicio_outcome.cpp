// The window's verdict strip, its tooltip naming the catalogue folder, and the findings panel it
// opens: the parts of Inicio around the run's outcome.
#include "winui/inicio.h"
// after windows.h
#include <commctrl.h>

#include <utility>

#include "frontend/control_table.h"
#include "frontend/panel_run.h"
#include "winui/findings_panel.h"
#include "winui/tooltips.h"
#include "winui/verdict_mark.h"
#include "winui/wide_text.h"

namespace winui {

void Inicio::ShowStrip(const frontend::VerdictStrip& strip) {
  if (mark_ != nullptr) DestroyIcon(mark_);
  mark_ = strip.colour ? MakeMark(*strip.colour, frontend::Scale(12, dpi_)) : nullptr;
  SendMessageW(sbVeredito, SB_SETICON, 0, reinterpret_cast<LPARAM>(mark_));
  SendMessageW(sbVeredito, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Widen(strip.text).c_str()));
}

void Inicio::SetStripTooltip(const std::string& text) {
  UpdateTooltip(tooltips_, hwnd_, sbVeredito, Widen(text));
}

void Inicio::EnsurePanel() {
  if (panel_ == nullptr) panel_ = std::make_unique<FindingsPanel>(hwnd_, dpi_);
}

void Inicio::UnloadPanel() {
  if (panel_ != nullptr) panel_->Unload();
}

void Inicio::LoadPanel(frontend::PanelRun run) {
  EnsurePanel();
  panel_->Load(std::move(run));
}

void Inicio::ShowPanel() {
  EnsurePanel();
  panel_->Show();
}

void Inicio::AfterRun() {
  // --painel: the panel opens when the first run ends, at a record once its list is in.
  if (!std::exchange(painel_, false)) return;
  controller_.OpenPanel();
  if (painel_registro_) panel_->ShowRecordWhenLoaded(*painel_registro_ - 1);
}

bool Inicio::ChooseCatalogue(const std::wstring& folder) {
  return controller_.ChooseCatalogue(ToPath(folder));
}

}  // namespace winui
