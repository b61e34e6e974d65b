#pragma once
// The fixed texts of the window, in UTF-8; each window converts them to its own text type.

namespace frontend {

// The application title: the task-bar text and the caption of every message box.
inline constexpr const char* kApplicationTitle = "Talmero PRX";
inline constexpr const char* kWindowCaption = "VORAN - Sistema de Críticas de Dados do TALMERO";
// The help file, in the program's folder.
inline constexpr const char* kHelpFile = "PRXAuto.chm";
// The check box of the invalid-date box.
inline constexpr const char* kSilenceNotices = "Não mostrar novamente nesta execução";
// The log's context menu entry that saves the last run's failure list.
inline constexpr const char* kSaveFailureList = "Salvar lista de falhas (CSV)...";
// The log's context menu entry (and Ctrl+Shift+F) that opens the findings panel.
inline constexpr const char* kFindingsPanel = "Painel de falhas...";
// The log's context menu entry that lists the history's runs, and its dialog's button that
// deletes them.
inline constexpr const char* kRunHistoryAction = "Histórico de críticas...";
inline constexpr const char* kDeleteHistory = "Apagar o histórico";
// The progress box of a save, and its button.
inline constexpr const char* kSaving = "Gravando a lista de falhas...";
inline constexpr const char* kCancelSave = "Cancelar";
// Asked when the window closes over a report that was never exported.
inline constexpr const char* kCloseUnexported =
    "O resultado da crítica não foi exportado e será perdido. Fechar mesmo assim?";

}  // namespace frontend
