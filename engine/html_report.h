#pragma once
// The HTML report: one self-contained page in Portuguese (inline CSS and SVG, no script, nothing
// fetched) for a reader who wants the picture rather than the lines: the verdict in a coloured
// banner, the inputs, per table every field's counters with a bar, sorted by failures, the most
// frequent failing values of each failed field, the claims without a policy, the inverted
// coverage, the reconciliation with both values as bars, and the error that ended the run. Every
// text from a file or the user is escaped.

#include <optional>
#include <string>

#include "engine/failing_values.h"
#include "engine/validation_run.h"
#include "engine/verdict.h"
#include "platform/clock.h"

namespace engine {

struct HtmlReportInputs {
  std::string riscos;  // the path texts as typed
  std::string sinistros;
  std::string catalogo;
  const FailingValues* failing_values = nullptr;  // null: no failing values shown
};

inline constexpr std::size_t kTopFailingValues = 10;

// The page as UTF-8. `error`: the message that ended the run; `ended`: when it ended.
// `limits`: those the verdict was computed with (the rows outside the tolerance are marked).
std::string HtmlReport(const HtmlReportInputs& inputs, const RunState& state,
                       const Verdict& verdict, const VerdictLimits& limits,
                       const std::optional<std::string>& error,
                       const platform::LocalDateTime& ended);

}  // namespace engine
