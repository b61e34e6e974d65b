#pragma once
// The machine-readable result of one run: one JSON document (UTF-8) with the inputs, the
// company, per table the record count, the records with at least one field failure
// ("registros_com_falha") and the rule counters, the claims without a policy, the
// inverted coverage, the reconciliation rows, the input files whose header disagrees with their
// length ("cabecalho"), the verdict ("veredito"), the error that ended the run with, where there
// is more to say, the sentence that names its file or folder and the cause ("explicacao"), and
// its start and end times (ISO 8601, local time). Figures the run did not reach are null.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/validation_run.h"
#include "engine/verdict.h"
#include "history/run_comparison.h"
#include "platform/clock.h"

namespace outputs {

struct RunJsonInputs {
  std::string riscos;  // the path texts as given
  std::string sinistros;
  std::string catalogo;  // the folder of the catalogue, as used
  std::string regional;
  std::optional<std::string> detalhes;  // the failure list's file, when one was written
  std::optional<std::int64_t> falhas;   // the findings told to it
  // With a history: "comparacao" is the run beside the company's earlier one
  // (outputs/comparison_json.h), null when there was none; without one the key is absent.
  bool historico = false;
  const history::RunComparison* comparacao = nullptr;
};

// The document, indented by two blanks. `error`: the message that ended the run; `ended`: when
// it ended (the closing time stamp when the run reached it).
std::string RunJson(const RunJsonInputs& inputs, const engine::RunState& state,
                    const engine::Verdict& verdict, const std::optional<std::string>& error,
                    const platform::LocalDateTime& ended);

}  // namespace outputs
