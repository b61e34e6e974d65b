#pragma once
// The findings panel's texts, the same in both windows (UTF-8).

#include <cstddef>
#include <string>
#include <string_view>

namespace frontend {

inline constexpr const char* kPanelTitle = "Painel de falhas";
inline constexpr const char* kPanelNoRun = "Nenhuma crítica executada.";
inline constexpr const char* kPanelRunning = "Crítica em andamento...";
inline constexpr const char* kPanelNoList = "Esta crítica não tem lista de falhas.";
inline constexpr const char* kPanelReading = "Lendo a lista de falhas...";
inline constexpr const char* kPanelFiltering = "Filtrando...";
// The check box that keeps the failures the company's earlier run did not have.
inline constexpr const char* kPanelOnlyNew = "Só as &novas";
inline constexpr const char* kPanelSave = "&Salvar falhas mostradas...";
inline constexpr const char* kPanelRowHint =
    "Clique duas vezes numa linha, ou tecle Enter, para ver o registro";
inline constexpr const char* kPanelSearchHint = "parte do número";
inline constexpr const char* kMotivos = "Motivos";
inline constexpr const char* kAvisos = "Avisos";

// "N de M falhas mostradas".
std::string ShownCountText(std::size_t shown, std::size_t total);
// A filter box's entry: "(todos) (N)" for an empty value, else "VALUE (N)" with the value's
// blanks trimmed (`value`: the list's Windows-1252 bytes).
std::string ChoiceText(std::string_view value, std::size_t rows);
// A share as the chart writes it: "12,34 %".
std::string PercentText(double share);

}  // namespace frontend
