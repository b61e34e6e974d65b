#pragma once
// A window's export and save actions never write over a file a run reads: the two input files,
// the rule catalogue or the totals table. Compared by identity (engine/run_inputs.h), so a second
// name, a hard link or a symbolic link to one of them is caught too.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace frontend {

// The files a window's save must leave alone: those the last run read (`run_riscos`,
// `run_sinistros`, blank before the first run) and those a run started now would read (the path
// boxes), with the catalogue and totals table of `program_folder` and of `catalogue_folder` (the
// insurer's folder the runs use instead; empty: none).
std::vector<std::string> WindowInputFiles(const std::string& program_folder,
                                          const std::string& catalogue_folder,
                                          const std::string& box_riscos,
                                          const std::string& box_sinistros,
                                          const std::string& run_riscos,
                                          const std::string& run_sinistros);

// Calls `save(output)` and returns its message (empty: saved), unless writing `output` would
// replace one of `inputs`: then nothing is written and the message is "Não é possível gravar
// sobre um arquivo de entrada: X." (UTF-8, X the full path of `output`).
using SaveAction = std::function<std::string(const std::filesystem::path& output)>;
std::string SaveUnlessInput(const std::filesystem::path& output,
                            const std::vector<std::string>& inputs, const SaveAction& save);

}  // namespace frontend
