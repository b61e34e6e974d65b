#pragma once
// The folder a window's runs take the rule catalogue and the totals table from: the program's
// own by default, or the insurer's (`--catalogo DIR`, or chosen from the log's menu) until the
// window closes. The program keeps no settings: nothing of the choice outlives the window.
// Folder texts are in the engine's encoding (ANSI on Windows) and end with a separator.

#include <string>

namespace frontend {

// The log's menu entries.
inline constexpr const char* kChooseCatalogue = "Pasta do catálogo e do DadosKov...";
inline constexpr const char* kProgramCatalogue = "Pasta do programa";
// The folder dialog's title: which files the chosen folder must hold.
inline constexpr const char* kChooseCatalogueTitle =
    "Escolha a pasta com tabelas.dbf, anexos.dbf e DadosKov.DBF";

// Empty when `folder` holds tabelas.dbf, anexos.dbf and DadosKov.DBF; else the refusal naming
// the first file it lacks: "A pasta X não tem o arquivo DadosKov.DBF." (UTF-8).
std::string CheckCatalogueFolder(const std::string& folder);

// The strip's tooltip: which folder the runs read their catalogue and DadosKov.DBF from, and
// whether that folder's tabelas.dbf or anexos.dbf differ from the program's own (UTF-8).
// `chosen`: the insurer's folder, empty for the program's.
std::string CatalogueTooltip(const std::string& chosen, const std::string& program_folder);

}  // namespace frontend
