#pragma once
// The files one run reads: the two input files and, in the catalogue folder, the rule catalogue
// and the totals table. An output must never be one of them (a report saved over the risks
// file would destroy it); every front end asks this before it writes anything.

#include <optional>
#include <string>
#include <vector>

namespace engine {

// The input paths as given (blank ones left out), then tabelas.dbf, anexos.dbf and
// DadosKov.DBF in `catalogue_folder` (ending in a separator, as RunHost::CatalogueFolder()).
std::vector<std::string> RunInputFiles(const std::string& catalogue_folder,
                                       const std::string& riscos, const std::string& sinistros);

// The input that writing `output` would overwrite (by identity: a second name, a hard link or a
// symbolic link counts), or nullopt.
std::optional<std::string> InputWrittenBy(const std::string& output,
                                          const std::vector<std::string>& inputs);

}  // namespace engine
