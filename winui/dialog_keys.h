#pragma once
// Tab in windows that work as dialogs (IsDialogMessageW): a multi-line edit box asks for every
// key, Tab included, so Tab would never leave it. These keep the box's other keys and let Tab
// and Shift+Tab move on.

#include <windows.h>

namespace winui {

// The answer to WM_GETDLGCODE for a multi-line edit box `hwnd`, from its own answer `code`,
// without Tab. `lparam`: the message's (the key being asked about, or null).
LRESULT DialogCodeWithoutTab(LRESULT code, LPARAM lparam);

// Subclasses the multi-line edit box `edit` so that Tab leaves it.
void LetTabLeave(HWND edit);

}  // namespace winui
