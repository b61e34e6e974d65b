#pragma once
// What the program sets on its QApplication before the window opens, shared with the window's
// tests so they see what users see.
//
// - The C library's numeric locale back to "C" (QApplication takes it from the environment).
// - No application display name: Qt would append it to every title (the caption is fixed, and
//   the message boxes carry the application title themselves). The desktop file name ties the
//   windows to the menu entry, which names the program "Talmero PRX".
// - Qt's own texts (file dialogs, context menus, standard buttons) in Brazilian Portuguese, like
//   every text of the window, whatever the locale: qtbase_pt_BR from Qt's translations folder.

class QTranslator;

#include <string>

namespace ui {

// Empty when the window has a display to open on: one is named (DISPLAY, WAYLAND_DISPLAY), or Qt
// is told to use a platform that needs none (QT_QPA_PLATFORM, -platform). Else the message for
// standard error, in Portuguese: without it Qt ends the program with its own English text.
std::string NoDisplayMessage(int argc, char** argv);

// Returns the translator installed (owned by the application), or null when Qt's Brazilian
// Portuguese translation is not installed (Debian package qt6-translations-l10n): Qt's texts
// then stay in English.
QTranslator* SetUpApplication();

}  // namespace ui
