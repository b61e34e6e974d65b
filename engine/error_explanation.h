#pragma once
// One sentence in Portuguese (UTF-8) that says which file or folder an error is about and why,
// shown beside the error's own text, which stays as it is: "arquivo de riscos não encontrado:
// PATH", the record length of a file whose records do not fit the read buffer, each folder the
// temporary index was tried in and why it failed there. The facts come with the error
// (tables::ErrorFacts); the run tells which part each file plays.

#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "tables/table_error.h"

namespace engine {

// The paths of a run as typed, and the catalogue folder (ends with the path separator).
struct RunPaths {
  std::string risk_path;
  std::string claims_path;
  std::string catalogue_folder;
};

// A run ended by the machine's limits rather than by a file: memory, or a thread the system
// would not start. The message, then the sentence beside it.
inline constexpr std::string_view kMemoryError = "Memória insuficiente para a crítica";
inline constexpr std::string_view kMemoryExplanation =
    "o sistema não deu ao programa a memória de que a crítica precisava (limite de memória do "
    "processo ou da máquina)";
inline constexpr std::string_view kThreadError =
    "Não foi possível iniciar uma linha de execução da crítica";
inline constexpr std::string_view kThreadExplanation =
    "o sistema recusou ao programa uma nova linha de execução (limite de processos ou de memória)";

// "causa: <explanation>": how every text-only output sets the explanation beside the message.
std::string CauseText(std::string_view explanation);

// Empty when the error has nothing to add (no facts, or an error of another kind).
std::string ExplainError(const std::exception& error, const RunPaths& paths);

// "na pasta temporária "A" (reason) nem na pasta do catálogo "B" (reason)": where a temporary
// file was tried, in order, and why each failed.
std::string FoldersTried(const std::vector<tables::FolderFailure>& folders,
                         const std::string& catalogue_folder);

}  // namespace engine
