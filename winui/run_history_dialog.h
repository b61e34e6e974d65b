#pragma once
// The log menu's "Histórico de críticas..." on Windows: a modal dialog with the runs the history
// keeps of a company, newest first, "Apagar o histórico" (which ends it asking for the deletion)
// and Fechar (Esc).

#include <windows.h>

#include "frontend/run_history_table.h"

namespace winui {

// True when the user chose "Apagar o histórico".
bool ShowRunHistoryDialog(HWND owner, const frontend::RunHistoryTable& table, HFONT font);

}  // namespace winui
