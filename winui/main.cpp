// The desktop program on Windows: the window Inicio. Options fill the path boxes and can start a
// run at once (for demonstrations and the screenshot script).

#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <exception>
#include <string>
#include <vector>

#include "frontend/window_history.h"
#include "frontend/window_options.h"
#include "frontend/window_texts.h"
#include "platform/interrupt_cleanup.h"
#include "platform/standard_descriptors.h"
#include "winui/inicio.h"
#include "winui/wide_text.h"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int show) {
  platform::OpenClosedStandardDescriptors();
  // A console break or the end of the session leaves no temporary file behind.
  platform::InstallInterruptCleanup();
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::string> args;
  for (int i = 1; argv != nullptr && i < argc; ++i) args.push_back(winui::Narrow(argv[i]));
  LocalFree(argv);

  const std::wstring title = winui::Widen(frontend::kApplicationTitle);
  const frontend::ParsedWindowOptions parsed = frontend::ParseWindowOptions("talmero-prx", args);
  if (parsed.exit_status) {
    // A program without a console shows its usage in a box.
    const UINT icon = *parsed.exit_status == 0 ? UINT{MB_ICONINFORMATION} : UINT{MB_ICONERROR};
    MessageBoxW(nullptr, winui::Widen(parsed.text).c_str(), title.c_str(), MB_OK | icon);
    return *parsed.exit_status;
  }
  const frontend::WindowOptions& options = parsed.options;

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                                        ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  // The shell's file associations may use COM.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

  int status = 0;
  try {
    winui::InicioSetup setup;
    setup.invalid_date_notices = options.invalid_date_notices;
    setup.history = frontend::ChosenHistoryPlace(options.historico, options.sem_historico);
    setup.painel = options.painel;
    setup.painel_registro = options.painel_registro;
    winui::Inicio window(std::move(setup));
    if (options.riscos) {
      SetWindowTextW(window.Control("edArqRisco"), winui::Widen(*options.riscos).c_str());
    }
    if (options.sinistros) {
      SetWindowTextW(window.Control("edArqSinistro"), winui::Widen(*options.sinistros).c_str());
    }
    ShowWindow(window.hwnd(), show);
    UpdateWindow(window.hwnd());
    // A folder that lacks a file is refused in a box; the program's folder stays.
    if (options.catalogo) window.ChooseCatalogue(winui::Widen(*options.catalogo));
    if (options.criticar) window.controller().Run();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (window.FilterMessage(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    status = static_cast<int>(msg.wParam);
  } catch (const std::exception& error) {
    MessageBoxW(nullptr, winui::Widen(error.what()).c_str(), title.c_str(), MB_OK | MB_ICONERROR);
    status = 1;
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return status;
}
