#pragma once
// The faults of files that a run reads all the same, as the runner's standard error tells them
// after the run, one "aviso: <file>: <text>" line each: an input file's header that disagrees
// with its bytes (engine/header_check.h), and in "DadosKov.DBF" a company listed on more than one
// row or an amount that is not a number. The verdict lists the same faults (a header's count as
// a reason, the others as warnings). Texts are Windows-1252.

#include <string>
#include <vector>

#include "engine/run_result.h"

namespace engine {

enum class WarningFile { kRiscos, kSinistros, kTotais };

struct RunWarning {
  WarningFile file = WarningFile::kRiscos;
  std::string text;  // after "aviso: <file>: "
};

// The input files' in the order the run read them, then the totals file's.
std::vector<RunWarning> RunWarnings(const RunResult& result);

// "a empresa “01234” está nos registros 2 e 5; são usados os totais do registro 2, o primeiro"
std::string RepeatedCompanyWarning(const RepeatedCompany& repeated);
// "o campo PR_AUTO do registro 2 não é um número (“abc”); lido como 0"
std::string UnreadableAmountWarning(const UnreadableAmount& amount);

}  // namespace engine
