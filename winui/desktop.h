#pragma once
// The Windows desktop around the window: the common file dialogs, the shell and the boxes.
// Every box has the application title as caption.

#include <windows.h>

#include <string>

#include "frontend/save_dialogs.h"

namespace winui {

// The open dialog: no title, no filter, the last folder used. True and the full path on confirm;
// a typed name is returned whether or not the file exists.
bool AskOpenFileName(HWND owner, std::wstring* path);
// A save dialog with `settings`; asks before replacing a file. True, the full path (the default
// extension added to a name typed without one) and the chosen filter's index (-1: none) on
// confirm.
bool AskSaveFileName(HWND owner, const frontend::SaveDialogSettings& settings, std::wstring* path,
                     int* filter);
// A question with Yes and No (No the default); true for Yes.
bool AskYesNo(HWND owner, const std::wstring& text);
// The folder dialog titled `title`. True and the chosen folder's full path on confirm.
bool AskFolder(HWND owner, const std::wstring& title, std::wstring* path);
// ShellExecuteW with the default action: above 32 when opened, else the error code.
int OpenWithShell(HWND owner, const std::wstring& path);

void ShowError(HWND owner, const std::wstring& text);    // error icon, one OK button
void ShowMessage(HWND owner, const std::wstring& text);  // no icon, one OK button
// The invalid-date box with its check box, and where the date stands ("Arquivo: X, registro N,
// campo C") below the notice when `place` is not empty; true when the user ticked the box.
bool ShowInvalidDate(HWND owner, const std::wstring& text, const std::wstring& place);

}  // namespace winui
