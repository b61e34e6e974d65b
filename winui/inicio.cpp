#include "winui/inicio.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "frontend/catalogue_folder.h"
#include "frontend/control_table.h"
#include "frontend/file_snapshot.h"
#include "frontend/input_overwrite.h"
#include "frontend/message_text.h"
#include "frontend/panel_run.h"
#include "frontend/report_export.h"
#include "frontend/save_dialogs.h"
#include "frontend/shell_messages.h"
#include "frontend/window_texts.h"
#include "platform/interrupt_cleanup.h"
#include "platform/path_separator.h"
#include "platform/program_folder.h"
#include "winui/desktop.h"
#include "winui/dialog_keys.h"
#include "winui/findings_panel.h"
#include "winui/resource_ids.h"
#include "winui/verdict_mark.h"
#include "winui/wide_text.h"

namespace winui {
namespace {

constexpr wchar_t kClassName[] = L"TfrmInicio";
constexpr UINT kWakeMessage = WM_APP + 1;  // the run has output waiting
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
// The log's context menu.
constexpr UINT kMenuCopy = 2001;
constexpr UINT kMenuSelectAll = 2002;
constexpr UINT kMenuSaveFailures = 2003;
constexpr UINT kMenuCatalogue = 2004;
constexpr UINT kMenuProgramFolder = 2005;
constexpr UINT kMenuPanel = 2006;
constexpr UINT kEnabled = MF_STRING;
constexpr UINT kGrayed = MF_STRING | MF_GRAYED;

int IconFor(std::string_view name) {
  if (name == "btnOk") return IDI_RUN;
  if (name == "btnExporta") return IDI_EXPORT;
  if (name == "btnFechar") return IDI_CLOSE;
  if (name == "btnAjuda") return IDI_HELP;
  return IDI_FOLDER;
}

bool IsInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  const int n = GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(n, 0)));
  return text;
}

HFONT MakeFont(const wchar_t* face, int points, int dpi, DWORD pitch_and_family) {
  return CreateFontW(-MulDiv(points, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     pitch_and_family, face);
}

SIZE OuterSize(int client_width, int client_height) {
  RECT r{0, 0, client_width, client_height};
  AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
  return {r.right - r.left, r.bottom - r.top};
}

}  // namespace

Inicio::Inicio(InicioSetup setup) : setup_(std::move(setup)) {
  if (setup_.program_folder.empty()) setup_.program_folder = platform::ExecutableFolder();
  if (!setup_.clock) setup_.clock = platform::LocalNow;

  WindowClass<Inicio>::Register(
      kClassName, COLOR_BTNFACE, "Cannot register the window", [](WNDCLASSEXW& window_class) {
        window_class.hIcon =
            static_cast<HICON>(LoadImageW(window_class.hInstance, MAKEINTRESOURCEW(IDI_TALMERO),
                                          IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
        window_class.hIconSm = static_cast<HICON>(
            LoadImageW(window_class.hInstance, MAKEINTRESOURCEW(IDI_TALMERO), IMAGE_ICON,
                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
      });

  // System-aware DPI (the manifest says so): one scale for the window's whole life.
  HDC screen = GetDC(nullptr);
  dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (dpi_ <= 0) dpi_ = frontend::kDesignDpi;

  const SIZE size = OuterSize(frontend::Scale(frontend::kDesignClientWidth, dpi_),
                              frontend::Scale(frontend::kDesignClientHeight, dpi_));
  hwnd_ = CreateWindowExW(kExStyle, kClassName, Widen(frontend::kWindowCaption).c_str(), kStyle,
                          CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy, nullptr, nullptr,
                          GetModuleHandleW(nullptr), this);
  if (hwnd_ == nullptr) throw std::runtime_error("Cannot create the window");
  CreateControls();
  ArrangeControls();
}

Inicio::~Inicio() {
  if (host_ && !host_->Finished()) {
    // A run cannot be cancelled: let it end, serving its requests (a notice) meanwhile.
    closing_ = true;
    while (!host_->WorkerEnded()) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      Sleep(5);
    }
    host_->Flush();
  }
  host_.reset();
  panel_.reset();  // lets go of the list before the list's file goes
  if (hwnd_ != nullptr && IsWindow(hwnd_)) {
    setup_.quit_on_close = false;
    DestroyWindow(hwnd_);
  }
  if (tooltips_ != nullptr && IsWindow(tooltips_)) DestroyWindow(tooltips_);
  for (HICON icon : icons_) DestroyIcon(icon);
  if (mark_ != nullptr) DestroyIcon(mark_);
  if (font_ != nullptr) DeleteObject(font_);
  if (log_font_ != nullptr) DeleteObject(log_font_);
}

HWND Inicio::Control(std::string_view name) const {
  const frontend::ControlSpec* spec = frontend::FindControl(name);
  return spec == nullptr ? nullptr : GetDlgItem(hwnd_, spec->id);
}

void Inicio::CreateControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  font_ = MakeFont(L"MS Sans Serif", 8, dpi_, DEFAULT_PITCH | FF_SWISS);
  log_font_ = MakeFont(L"Courier New", 8, dpi_, FIXED_PITCH | FF_MODERN);
  tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                              WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance, nullptr);
  const int icon_size = frontend::Scale(16, dpi_);

  for (const frontend::ControlSpec& spec : frontend::Controls()) {
    const wchar_t* window_class = WC_BUTTONW;
    DWORD style = WS_CHILD | WS_VISIBLE | (spec.tab_stop ? WS_TABSTOP : 0);
    DWORD ex_style = 0;
    switch (spec.kind) {
      case frontend::ControlKind::kLabel:
        window_class = WC_STATICW;
        style |= SS_LEFT | SS_NOPREFIX;
        break;
      case frontend::ControlKind::kPathBox:
        window_class = WC_EDITW;
        style |= ES_AUTOHSCROLL;
        ex_style = WS_EX_CLIENTEDGE;
        break;
      case frontend::ControlKind::kBrowseButton:
        style |= BS_PUSHBUTTON | BS_ICON | BS_FLAT;
        break;
      case frontend::ControlKind::kButton:
        style |= spec.id == IDOK ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        if (spec.caption.empty()) style |= BS_ICON;
        break;
      case frontend::ControlKind::kLog:
        window_class = WC_EDITW;
        // ES_WANTRETURN: Enter in the log does not press the default button.
        style |= ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_WANTRETURN |
                 WS_HSCROLL | WS_VSCROLL;
        ex_style = WS_EX_CLIENTEDGE;
        break;
      case frontend::ControlKind::kProgressBar:
        window_class = PROGRESS_CLASSW;
        style |= PBS_VERTICAL;
        break;
      case frontend::ControlKind::kStatusBar:
        // Placed from the table like the rest, not by the status bar itself.
        window_class = STATUSCLASSNAMEW;
        style |= CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER | CCS_NOMOVEY;
        break;
    }
    HWND control = CreateWindowExW(
        ex_style, window_class, Widen(spec.caption).c_str(), style, 0, 0, 0, 0, hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
    if (control == nullptr) throw std::runtime_error("Cannot create the window's controls");
    controls_.push_back(control);
    SendMessageW(
        control, WM_SETFONT,
        reinterpret_cast<WPARAM>(spec.kind == frontend::ControlKind::kLog ? log_font_ : font_),
        FALSE);
    if (spec.kind == frontend::ControlKind::kButton ||
        spec.kind == frontend::ControlKind::kBrowseButton) {
      auto icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IconFor(spec.name)),
                                                IMAGE_ICON, icon_size, icon_size, 0));
      if (icon != nullptr) {
        icons_.push_back(icon);
        SendMessageW(control, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
      }
    }
    if (!spec.tooltip.empty() && tooltips_ != nullptr) {
      std::wstring tip = Widen(spec.tooltip);
      TTTOOLINFOW tool = {};
      tool.cbSize = sizeof tool;
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = hwnd_;
      tool.uId = reinterpret_cast<UINT_PTR>(control);
      tool.lpszText = tip.data();
      SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }
  edArqRisco = Control("edArqRisco");
  edArqSinistro = Control("edArqSinistro");
  edLog = Control("edLog");
  ProgressBar = Control("ProgressBar");
  sbVeredito = Control("sbVeredito");
  ShowStrip(frontend::StripReady());
  if (tooltips_ != nullptr) {
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(sbVeredito);
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    // Long enough for a folder's path and the lines under it.
    SendMessageW(tooltips_, TTM_SETMAXTIPWIDTH, 0, frontend::Scale(480, dpi_));
  }
  SetStripTooltip(frontend::CatalogueTooltip({}, setup_.program_folder));
  SendMessageW(edLog, EM_SETLIMITTEXT, 0, 0);  // no 32 KB limit: a report can be long
  SetWindowSubclass(edLog, &Inicio::LogProc, 1, reinterpret_cast<DWORD_PTR>(this));
  SendMessageW(ProgressBar, PBM_SETRANGE32, 0, 100);
  SendMessageW(ProgressBar, PBM_SETPOS, 0, 0);
  SetFocus(edArqRisco);
}

void Inicio::ArrangeControls() {
  if (controls_.empty()) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  const auto specs = frontend::Controls();
  HDWP batch = BeginDeferWindowPos(static_cast<int>(controls_.size()));
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const frontend::Rect r = frontend::Place(specs[i], client.right, client.bottom, dpi_);
    if (batch != nullptr) {
      batch = DeferWindowPos(batch, controls_[i], nullptr, r.left, r.top, r.width, r.height,
                             SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      MoveWindow(controls_[i], r.left, r.top, r.width, r.height, TRUE);
    }
  }
  if (batch != nullptr) EndDeferWindowPos(batch);
}

bool Inicio::FilterMessage(MSG& msg) {
  if (panel_ != nullptr && panel_->FilterMessage(msg)) return true;
  if (hwnd_ == nullptr || msg.hwnd == nullptr) return false;
  if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
  // Dropped rather than disabled: under Wine a message box re-enables its owner when it closes.
  if (running_ && IsInput(msg.message)) return true;
  if (msg.message == WM_KEYDOWN && msg.wParam == 'F' && (GetKeyState(VK_CONTROL) & 0x8000) != 0 &&
      (GetKeyState(VK_SHIFT) & 0x8000) != 0) {
    PainelFalhasClick();  // Ctrl+Shift+F
    return true;
  }
  return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

LRESULT Inicio::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED) OnCommand(LOWORD(wparam));
      return 0;
    case WM_NOTIFY: {
      // A click on the strip opens the panel.
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->hwndFrom == sbVeredito && header->code == NM_CLICK && !running_) {
        PainelFalhasClick();
      }
      return 0;
    }
    case DM_GETDEFID:
      return MAKELRESULT(IDOK, DC_HASDEFID);
    case kWakeMessage:
      if (host_) {
        host_->Flush();
        if (host_ && host_->Finished() && !closing_) host_.reset();
      }
      return 0;
    case WM_SIZE:
      ArrangeControls();
      return 0;
    case WM_GETMINMAXINFO: {
      const SIZE least = OuterSize(frontend::Scale(frontend::kMinimumClientWidth, dpi_),
                                   frontend::Scale(frontend::kMinimumClientHeight, dpi_));
      auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
      info->ptMinTrackSize = {least.cx, least.cy};
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      // The read-only log keeps the window colours of an edit box, not the button face.
      if (reinterpret_cast<HWND>(lparam) == edLog) {
        auto dc = reinterpret_cast<HDC>(wparam);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_SETCURSOR:
      if (running_) {
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_APPSTARTING)));
        return TRUE;
      }
      break;
    case WM_CLOSE:
      if (running_) return 0;  // the window takes no input during a run, closing included
      DestroyWindow(hwnd_);
      return 0;
    case WM_ENDSESSION:
      // The system ends the process once this returns: the temporary files go first, as they
      // do on a console break.
      if (wparam != FALSE) platform::RemoveRegisteredFiles();
      return 0;
    case WM_DESTROY:
      if (setup_.quit_on_close) PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK Inicio::LogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                 UINT_PTR /*id*/, DWORD_PTR self) {
  if (message == WM_CONTEXTMENU) {
    POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
    if (lparam == -1) {  // from the keyboard: at the log's corner
      at = {0, 0};
      ClientToScreen(hwnd, &at);
    }
    reinterpret_cast<Inicio*>(self)->ShowLogMenu(at);
    return 0;
  }
  if (message == WM_GETDLGCODE) {
    // Tab leaves the log like any other control; the log keeps the arrows and Enter.
    return DialogCodeWithoutTab(DefSubclassProc(hwnd, message, wparam, lparam), lparam);
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &Inicio::LogProc, 1);
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

void Inicio::OnCommand(int id) {
  const frontend::ControlSpec* spec = nullptr;
  for (const frontend::ControlSpec& candidate : frontend::Controls()) {
    if (candidate.id == id) spec = &candidate;
  }
  if (spec == nullptr) return;
  if (spec->name == "btnOk") btnOkClick();
  if (spec->name == "btnFechar") PostMessageW(hwnd_, WM_CLOSE, 0, 0);
  if (spec->name == "btnExporta") btnExportaClick();
  if (spec->name == "btnAjuda") btnAjudaClick();
  if (spec->name == "SpeedButton4") SpeedButton4Click();
  if (spec->name == "SpeedButton3") SpeedButton3Click();
}

void Inicio::ShowLogMenu(POINT at) {
  DWORD from = 0;
  DWORD to = 0;
  SendMessageW(edLog, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, from == to ? kGrayed : kEnabled, kMenuCopy, L"&Copiar");
  AppendMenuW(menu, MF_STRING, kMenuSelectAll, L"Selecionar &tudo");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  const bool list_ready = !running_ && findings_ != nullptr && findings_->ready();
  AppendMenuW(menu, list_ready ? kEnabled : kGrayed, kMenuSaveFailures,
              Widen(frontend::kSaveFailureList).c_str());
  AppendMenuW(menu, MF_STRING, kMenuPanel,
              (Widen(frontend::kFindingsPanel) + L"\tCtrl+Shift+F").c_str());
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, running_ ? kGrayed : kEnabled, kMenuCatalogue,
              Widen(frontend::kChooseCatalogue).c_str());
  AppendMenuW(menu, running_ || catalogue_folder_.empty() ? kGrayed : kEnabled, kMenuProgramFolder,
              Widen(frontend::kProgramCatalogue).c_str());
  const auto chosen = static_cast<UINT>(TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, hwnd_, nullptr));
  DestroyMenu(menu);
  if (chosen == kMenuCopy) SendMessageW(edLog, WM_COPY, 0, 0);
  if (chosen == kMenuSelectAll) SendMessageW(edLog, EM_SETSEL, 0, -1);
  if (chosen == kMenuSaveFailures) SalvarFalhasClick();
  if (chosen == kMenuPanel) PainelFalhasClick();
  if (chosen == kMenuCatalogue) PastaCatalogoClick();
  if (chosen == kMenuProgramFolder) PastaProgramaClick();
}

void Inicio::Browse(HWND box) {
  std::wstring path;
  if (AskOpenFileName(hwnd_, &path)) SetWindowTextW(box, path.c_str());
}

void Inicio::SpeedButton4Click() { Browse(edArqRisco); }
void Inicio::SpeedButton3Click() { Browse(edArqSinistro); }

void Inicio::btnOkClick() {
  if (running_) return;
  // The path texts are read once, here; the run takes them from its host.
  frontend::RunInputs inputs{ToPath(WindowText(edArqRisco)),
                             ToPath(WindowText(edArqSinistro)),
                             CatalogueFolder(),
                             setup_.regional ? *setup_.regional : engine::Regional::System(),
                             setup_.clock,
                             setup_.invalid_date_notices};
  // The previous list goes (the panel lets go of it first).
  if (panel_ != nullptr) panel_->Unload();
  panel_current_ = false;
  run_files_ = {{inputs.risk_path, std::nullopt}, {inputs.claims_path, std::nullopt}};
  HWND window = hwnd_;
  host_ = std::make_unique<frontend::WindowRunHost>(
      static_cast<frontend::RunView&>(*this), lines_, std::move(inputs),
      [window] { PostMessageW(window, kWakeMessage, 0, 0); });
  // The previous list goes; a new one streams to a temporary file while the run goes.
  findings_.reset();
  findings_ = std::make_unique<frontend::RunFindings>();
  run_.SetFindingSink(findings_->sink());
  running_ = true;
  ShowStrip(frontend::StripRunning());
  host_->Start(run_);
}

void Inicio::RunFinished(const std::optional<std::string>& error) {
  run_.SetFindingSink(nullptr);
  if (closing_) return;
  if (findings_ != nullptr) findings_->Finish();
  // The run has let go of its inputs: what they look like now is what the list describes.
  run_files_.riscos.snapshot = frontend::TakeSnapshot(run_files_.riscos.path);
  run_files_.sinistros.snapshot = frontend::TakeSnapshot(run_files_.sinistros.path);
  have_run_ = true;
  run_error_ = error;
  running_ = false;
  ShowStrip(frontend::StripOf(run_.state().result, error));
  // The panel reads the new list at once, shown or not, while the file is in the system's cache.
  LoadPanel();
  if (std::exchange(setup_.painel, false)) {
    PainelFalhasClick();
    if (setup_.painel_registro) panel_->ShowRecordWhenLoaded(*setup_.painel_registro - 1);
  }
  if (error) ShowError(hwnd_, Widen(frontend::ErrorBoxMessage(*error)));
}

void Inicio::LogCleared() { SetWindowTextW(edLog, L""); }

void Inicio::AppendLogText(const std::wstring& text) {
  const int end = GetWindowTextLengthW(edLog);
  SendMessageW(edLog, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageW(edLog, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(edLog, EM_SCROLLCARET, 0, 0);
}

void Inicio::LinesAppended(std::size_t first) {
  // One insertion per batch: the lines joined by CR LF (a displayed line has no line break).
  std::string text;
  for (std::size_t i = first; i < lines_.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += frontend::DisplayLine(lines_[i]);
  }
  AppendLogText(Widen(text));
}

void Inicio::LineReplaced(std::size_t index) {
  const LRESULT start = SendMessageW(edLog, EM_LINEINDEX, index, 0);
  if (start < 0) return;
  const LRESULT length = SendMessageW(edLog, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  SendMessageW(edLog, EM_SETSEL, static_cast<WPARAM>(start), start + length);
  const std::wstring text = Widen(frontend::DisplayLine(lines_[index]));
  SendMessageW(edLog, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  const int end = GetWindowTextLengthW(edLog);
  SendMessageW(edLog, EM_SETSEL, static_cast<WPARAM>(end), end);
}

void Inicio::ProgressChanged(int position) {
  SendMessageW(ProgressBar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

bool Inicio::AskInvalidDate(const std::string& message) { return AskInvalidDateAt(message, {}); }

bool Inicio::AskInvalidDateAt(const std::string& message, const std::string& place) {
  return ShowInvalidDate(hwnd_, Widen(frontend::DecodeMessage(message)),
                         Widen(frontend::DecodeMessage(place)));
}

std::vector<std::string> Inicio::ProtectedFiles() {
  return frontend::WindowInputFiles(
      setup_.program_folder, catalogue_folder_, ToPath(WindowText(edArqRisco)),
      ToPath(WindowText(edArqSinistro)), run_files_.riscos.path, run_files_.sinistros.path);
}

bool Inicio::SaveChecked(const std::wstring& path, const frontend::SaveAction& save) {
  const std::string error =
      frontend::SaveUnlessInput(std::filesystem::path(path), ProtectedFiles(), save);
  if (error.empty()) return true;
  ShowError(hwnd_, Widen(frontend::ErrorBoxMessage(error)));
  return false;
}

void Inicio::btnExportaClick() {
  std::wstring path;
  if (!AskSaveFileName(hwnd_, frontend::ExportDialog(), &path)) return;
  const bool saved = SaveChecked(
      path, [this](const std::filesystem::path& to) { return frontend::WriteReport(to, lines_); });
  if (saved) OpenWithShell(path);
}

void Inicio::SalvarFalhasClick() {
  if (running_ || findings_ == nullptr || !findings_->ready()) return;
  std::wstring path;
  if (!AskSaveFileName(hwnd_, frontend::FailureListDialog(), &path)) return;
  SaveChecked(path, [this](const std::filesystem::path& to) { return findings_->SaveAs(to); });
}

void Inicio::btnAjudaClick() {
  OpenWithShell(FromPath(setup_.program_folder + frontend::kHelpFile));
}

void Inicio::OpenWithShell(const std::wstring& path) {
  const std::string_view message = frontend::ShellMessage(winui::OpenWithShell(hwnd_, path));
  if (!message.empty()) ShowMessage(hwnd_, Widen(message));
}

}  // namespace winui
