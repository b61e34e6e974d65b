#include "winui/inicio.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "frontend/catalogue_folder.h"
#include "frontend/control_table.h"
#include "frontend/message_text.h"
#include "frontend/window_texts.h"
#include "platform/interrupt_cleanup.h"
#include "winui/desktop.h"
#include "winui/dialog_keys.h"
#include "winui/edit_text.h"
#include "winui/findings_panel.h"
#include "winui/resource_ids.h"
#include "winui/run_history_dialog.h"
#include "winui/save_progress.h"
#include "winui/tooltips.h"
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
constexpr UINT kMenuHistory = 2007;
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

Inicio::Inicio(InicioSetup setup)
    : quit_on_close_(setup.quit_on_close),
      painel_(setup.painel),
      painel_registro_(setup.painel_registro),
      controller_(static_cast<frontend::WindowView&>(*this),
                  {std::move(setup.program_folder), std::move(setup.regional),
                   std::move(setup.clock), setup.invalid_date_notices, std::move(setup.history)}) {
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
  controller_.Opened();
}

Inicio::~Inicio() {
  controller_.WaitForRun([] {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  });
  panel_.reset();  // lets go of the list before the list's file goes
  if (hwnd_ != nullptr && IsWindow(hwnd_)) {
    quit_on_close_ = false;
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
    if (!spec.tooltip.empty()) AddTooltip(tooltips_, hwnd_, control, Widen(spec.tooltip));
  }
  edArqRisco = Control("edArqRisco");
  edArqSinistro = Control("edArqSinistro");
  edLog = Control("edLog");
  ProgressBar = Control("ProgressBar");
  sbVeredito = Control("sbVeredito");
  AddTooltip(tooltips_, hwnd_, sbVeredito, L"");
  if (tooltips_ != nullptr) {
    // Long enough for a folder's path and the lines under it.
    SendMessageW(tooltips_, TTM_SETMAXTIPWIDTH, 0, frontend::Scale(480, dpi_));
  }
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
  if (controller_.running() && IsInput(msg.message)) return true;
  if (msg.message == WM_KEYDOWN && msg.wParam == 'F' && (GetKeyState(VK_CONTROL) & 0x8000) != 0 &&
      (GetKeyState(VK_SHIFT) & 0x8000) != 0) {
    controller_.OpenPanel();  // Ctrl+Shift+F
    return true;
  }
  if (IsStrayCharacter(msg)) return true;
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
      if (header->hwndFrom == sbVeredito && header->code == NM_CLICK && !controller_.running()) {
        controller_.OpenPanel();
      }
      return 0;
    }
    case DM_GETDEFID:
      return MAKELRESULT(IDOK, DC_HASDEFID);
    case kWakeMessage:
      controller_.FlushRun();
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
      if (controller_.running()) {
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_APPSTARTING)));
        return TRUE;
      }
      break;
    case WM_CLOSE:
      // The window takes no input during a run, closing included.
      if (controller_.running() || !controller_.MayClose()) return 0;
      DestroyWindow(hwnd_);
      return 0;
    case WM_ENDSESSION:
      // The system ends the process once this returns: the temporary files go first, as they
      // do on a console break.
      if (wparam != FALSE) platform::RemoveRegisteredFiles();
      return 0;
    case WM_DESTROY:
      if (quit_on_close_) PostQuitMessage(0);
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
  const auto control = [](std::string_view name) { return frontend::FindControl(name)->id; };
  frontend::WindowController& c = controller_;
  // The buttons, by their name in the table of controls, and the log's menu.
  const std::pair<int, std::function<void()>> commands[] = {
      {control("btnOk"), [&c] { c.Run(); }},
      {control("btnFechar"), [this] { PostMessageW(hwnd_, WM_CLOSE, 0, 0); }},
      {control("btnExporta"), [&c] { c.ExportReport(); }},
      {control("btnAjuda"), [&c] { c.ShowHelp(); }},
      {control("SpeedButton4"), [this] { Browse(edArqRisco); }},
      {control("SpeedButton3"), [this] { Browse(edArqSinistro); }},
      {kMenuCopy, [this] { SendMessageW(edLog, WM_COPY, 0, 0); }},
      {kMenuSelectAll, [this] { SendMessageW(edLog, EM_SETSEL, 0, -1); }},
      {kMenuSaveFailures, [&c] { c.SaveFailures(); }},
      {kMenuPanel, [&c] { c.OpenPanel(); }},
      {kMenuCatalogue, [&c] { c.AskCatalogue(); }},
      {kMenuProgramFolder, [&c] { c.ProgramCatalogue(); }},
      {kMenuHistory, [&c] { c.ShowRunHistory(); }},
  };
  for (const auto& [command, action] : commands) {
    if (command == id) return action();
  }
}

void Inicio::ShowLogMenu(POINT at) {
  DWORD from = 0;
  DWORD to = 0;
  SendMessageW(edLog, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  const auto state = [this](frontend::WindowAction action) {
    return enabled_[static_cast<int>(action)] ? kEnabled : kGrayed;
  };
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, from == to ? kGrayed : kEnabled, kMenuCopy, L"&Copiar");
  AppendMenuW(menu, MF_STRING, kMenuSelectAll, L"Selecionar &tudo");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, state(frontend::WindowAction::kSaveFailures), kMenuSaveFailures,
              Widen(frontend::kSaveFailureList).c_str());
  AppendMenuW(menu, MF_STRING, kMenuPanel,
              (Widen(frontend::kFindingsPanel) + L"\tCtrl+Shift+F").c_str());
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, state(frontend::WindowAction::kChooseCatalogue), kMenuCatalogue,
              Widen(frontend::kChooseCatalogue).c_str());
  AppendMenuW(menu, state(frontend::WindowAction::kProgramCatalogue), kMenuProgramFolder,
              Widen(frontend::kProgramCatalogue).c_str());
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, state(frontend::WindowAction::kRunHistory), kMenuHistory,
              Widen(frontend::kRunHistoryAction).c_str());
  const auto chosen = static_cast<UINT>(TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, hwnd_, nullptr));
  DestroyMenu(menu);
  if (chosen != 0) OnCommand(static_cast<int>(chosen));
}

void Inicio::EnableAction(frontend::WindowAction action, bool enabled) {
  enabled_[static_cast<int>(action)] = enabled;
}

void Inicio::Browse(HWND box) {
  std::wstring path;
  if (AskOpenFileName(hwnd_, &path)) SetWindowTextW(box, path.c_str());
}

frontend::PathBoxes Inicio::ReadPathBoxes() const {
  return {ToPath(WindowText(edArqRisco)), ToPath(WindowText(edArqSinistro))};
}

void Inicio::WakeForRun() { PostMessageW(hwnd_, kWakeMessage, 0, 0); }

void Inicio::LogCleared() { SetWindowTextW(edLog, L""); }

void Inicio::LinesAppended(std::size_t first) {
  // One insertion per batch: the lines joined by CR LF (a displayed line has no line break).
  const std::vector<std::string>& lines = controller_.report();
  std::string text;
  for (std::size_t i = first; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += frontend::DisplayLine(lines[i]);
  }
  AppendText(edLog, Widen(text));
}

void Inicio::LineReplaced(std::size_t index) {
  ReplaceLine(edLog, index, Widen(frontend::DisplayLine(controller_.report()[index])));
}

void Inicio::ProgressChanged(int position) {
  SendMessageW(ProgressBar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

bool Inicio::AskInvalidDate(const std::string& message) { return AskInvalidDateAt(message, {}); }

bool Inicio::AskInvalidDateAt(const std::string& message, const std::string& place) {
  return winui::ShowInvalidDate(hwnd_, Widen(frontend::DecodeMessage(message)),
                                Widen(frontend::DecodeMessage(place)));
}

void Inicio::ShowError(const std::string& text) { winui::ShowError(hwnd_, Widen(text)); }
void Inicio::ShowMessage(const std::string& text) { winui::ShowMessage(hwnd_, Widen(text)); }
bool Inicio::ShowRunHistory(const frontend::RunHistoryTable& table) {
  return ShowRunHistoryDialog(hwnd_, table, font_);
}

bool Inicio::AskYesNo(const std::string& text) { return winui::AskYesNo(hwnd_, Widen(text)); }
void Inicio::ShowSaveProgress(frontend::SaveJob& job) { winui::ShowSaveProgress(hwnd_, job); }

bool Inicio::AskFolder(const std::string& title, std::string* folder) {
  std::wstring chosen;
  if (!winui::AskFolder(hwnd_, Widen(title), &chosen)) return false;
  *folder = ToPath(chosen);
  return true;
}

bool Inicio::AskSaveFile(const frontend::SaveDialogSettings& settings, std::string* path,
                         int* filter) {
  std::wstring chosen;
  if (!AskSaveFileName(hwnd_, settings, &chosen, filter)) return false;
  *path = ToPath(chosen);
  return true;
}

int Inicio::OpenFile(const std::string& path) { return OpenWithShell(hwnd_, FromPath(path)); }

}  // namespace winui
