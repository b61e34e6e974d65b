#include "winui/desktop.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "frontend/shell_messages.h"
#include "frontend/window_texts.h"
#include "winui/wide_text.h"

namespace winui {
namespace {

constexpr DWORD kPathChars = 32768;

std::wstring Title() { return Widen(frontend::kApplicationTitle); }

std::wstring InitialFolder(frontend::InitialFolder folder) {
  if (folder == frontend::InitialFolder::kDocuments) {
    PWSTR documents = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &documents))) {
      path = documents;
    }
    CoTaskMemFree(documents);
    if (!path.empty()) return path;
  }
  return L"c:\\";
}

// "label\0pattern\0...\0\0", or empty for no filter.
std::wstring FilterText(const std::vector<frontend::FileFilter>& filters) {
  std::wstring text;
  for (const frontend::FileFilter& filter : filters) {
    text += Widen(filter.label);
    text += L'\0';
    text += Widen(filter.pattern);
    text += L'\0';
  }
  if (!text.empty()) text += L'\0';
  return text;
}

}  // namespace

bool AskOpenFileName(HWND owner, std::wstring* path) {
  std::vector<wchar_t> buffer(kPathChars, L'\0');
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = kPathChars;
  // The working folder stays: a relative path typed in a box keeps its meaning.
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&dialog)) return false;
  *path = buffer.data();
  return true;
}

bool AskSaveFileName(HWND owner, const frontend::SaveDialogSettings& settings, std::wstring* path,
                     int* filter) {
  std::vector<wchar_t> buffer(kPathChars, L'\0');
  const std::wstring name = Widen(settings.initial_name);
  name.copy(buffer.data(), std::min<std::size_t>(name.size(), kPathChars - 1));
  const std::wstring title = Widen(settings.title);
  const std::wstring suffix = Widen(settings.default_suffix);
  const std::wstring folder = InitialFolder(settings.initial_folder);
  const std::wstring filter_text = FilterText(settings.filters);
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter_text.empty() ? nullptr : filter_text.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = kPathChars;
  dialog.lpstrInitialDir = folder.c_str();
  dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
  dialog.lpstrDefExt = suffix.empty() ? nullptr : suffix.c_str();
  dialog.Flags =
      OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR | OFN_OVERWRITEPROMPT;
  if (!GetSaveFileNameW(&dialog)) return false;
  *path = buffer.data();
  // nFilterIndex counts from 1; 0 means no filter was chosen.
  *filter = filter_text.empty() ? -1 : static_cast<int>(dialog.nFilterIndex) - 1;
  return true;
}

bool AskFolder(HWND owner, const std::wstring& title, std::wstring* path) {
  wchar_t name[MAX_PATH] = {};
  BROWSEINFOW browse = {};
  browse.hwndOwner = owner;
  browse.pszDisplayName = name;
  browse.lpszTitle = title.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
  if (chosen == nullptr) return false;
  std::vector<wchar_t> buffer(kPathChars, L'\0');
  const bool found = SHGetPathFromIDListEx(chosen, buffer.data(), kPathChars, 0) != FALSE;
  CoTaskMemFree(chosen);
  if (found) *path = buffer.data();
  return found;
}

int OpenWithShell(HWND owner, const std::wstring& path) {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(owner, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32 ? frontend::kShellOpened : static_cast<int>(result);
}

void ShowError(HWND owner, const std::wstring& text) {
  MessageBoxW(owner, text.c_str(), Title().c_str(), MB_OK | MB_ICONERROR);
}

bool AskYesNo(HWND owner, const std::wstring& text) {
  return MessageBoxW(owner, text.c_str(), Title().c_str(),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void ShowMessage(HWND owner, const std::wstring& text) {
  MessageBoxW(owner, text.c_str(), Title().c_str(), MB_OK);
}

bool ShowInvalidDate(HWND owner, const std::wstring& text, const std::wstring& place) {
  const std::wstring title = Title();
  const std::wstring check = Widen(frontend::kSilenceNotices);
  TASKDIALOGCONFIG config = {};
  config.cbSize = sizeof config;
  config.hwndParent = owner;
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
  config.dwCommonButtons = TDCBF_OK_BUTTON;
  config.pszWindowTitle = title.c_str();
  // The notice as the main line and its place as the secondary text, as the Qt box shows them.
  if (place.empty()) {
    config.pszContent = text.c_str();
  } else {
    config.pszMainInstruction = text.c_str();
    config.pszContent = place.c_str();
  }
  config.pszVerificationText = check.c_str();
  BOOL silence = FALSE;
  if (FAILED(TaskDialogIndirect(&config, nullptr, nullptr, &silence))) {
    // Without the task dialog (no common controls 6), a plain box and no check box.
    ShowMessage(owner, place.empty() ? text : text + L"\n\n" + place);
    return false;
  }
  return silence != FALSE;
}

}  // namespace winui
