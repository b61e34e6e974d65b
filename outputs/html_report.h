#pragma once
// The HTML report: one self-contained page in Portuguese (inline CSS and SVG, no script, nothing
// fetched) that answers an analyst's questions in order: the verdict in a banner of its colour
// (engine/verdict_style.h), a contents block, a summary (per table the records and those with a
// field failure, the claims without a policy, the inverted coverages, the largest reconciliation
// difference), the warnings grouped per table and sorted by share, the inputs, per table every
// field's counters with a bar on a scale, and for each failed field its most frequent failing
// values and its first failing records per check (keys, value, the failure list's sentence); the
// first claims without a policy and inverted coverages; the reconciliation; the error that ended
// the run; beside the company's earlier run, what changed since. Long lists fold in <details>;
// tables repeat their headers in print and each input table starts a page. Every text from a file
// or the user is escaped.

#include <optional>
#include <string>

#include "engine/validation_run.h"
#include "engine/verdict.h"
#include "history/run_comparison.h"
#include "outputs/failing_values.h"
#include "platform/clock.h"

namespace outputs {

struct HtmlReportInputs {
  std::string riscos;  // the path texts as typed
  std::string sinistros;
  std::string catalogo;
  // Null: no failing values and no sample records shown.
  const FailingValues* failing_values = nullptr;
  // The run beside the company's earlier run in the history: the section "Desde a crítica
  // anterior"; null: no such section.
  const history::RunComparison* comparacao = nullptr;
};

inline constexpr std::size_t kTopFailingValues = 10;

// The page as UTF-8. `error`: the message that ended the run; `ended`: when it ended.
// `limits`: those the verdict was computed with (the rows outside the tolerance are marked).
std::string HtmlReport(const HtmlReportInputs& inputs, const engine::RunState& state,
                       const engine::Verdict& verdict, const engine::VerdictLimits& limits,
                       const std::optional<std::string>& error,
                       const platform::LocalDateTime& ended);

}  // namespace outputs
