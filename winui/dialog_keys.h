#pragma once
// Tab in windows that work as dialogs (IsDialogMessageW): a multi-line edit box asks for every
// key, Tab included, so Tab would never leave it. These keep the box's other keys and let Tab
// and Shift+Tab move on.

#include <windows.h>

#include <cstddef>

namespace winui {

// The answer to WM_GETDLGCODE for a multi-line edit box `hwnd`, from its own answer `code`,
// without Tab. `lparam`: the message's (the key being asked about, or null).
LRESULT DialogCodeWithoutTab(LRESULT code, LPARAM lparam);

// Subclasses the multi-line edit box `edit` so that Tab leaves it.
void LetTabLeave(HWND edit);

// Whether `msg` is a plain character typed at a control that takes no characters (a button).
// The dialog manager would take it as the accelerator of the control whose caption holds that
// letter, as though Alt were held ("f" would close the window): such a character is dropped.
// With Alt the character comes as WM_SYSCHAR and the accelerator works.
bool IsStrayCharacter(const MSG& msg);

// A caption (a static control whose text marks a letter with "&") and the box it names.
struct CaptionOf {
  HWND caption;
  HWND box;
};

// For Alt with a letter (`msg` a WM_SYSCHAR), the box whose caption marks that letter, when it is
// enabled; else null. The dialog manager is not relied on for captions: under some systems it
// passes them by.
HWND BoxOfCaptionLetter(const MSG& msg, const CaptionOf* captions, std::size_t count);

}  // namespace winui
