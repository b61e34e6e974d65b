#pragma once
// The verdict of a run as the panel's banner shows it: a title, a colour by outcome, and the
// reasons and warnings as lines (UTF-8); an error is followed by the sentence that explains it
// (engine/error_explanation.h). The window computes the verdict as the runner does,
// without limits (engine/verdict.h).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/run_result.h"
#include "engine/verdict.h"

namespace frontend {

struct VerdictBanner {
  engine::VerdictOutcome outcome = engine::VerdictOutcome::kAceitavel;
  std::string title;             // engine::StyleOf's title, UTF-8
  std::uint32_t background = 0;  // 0xRRGGBB: engine::ColourRgb of its colour
  std::vector<std::string> motivos;
  std::vector<std::string> avisos;
};

// `error`: the message that ended the run, if one did (Windows-1252 or UTF-8, as it came).
VerdictBanner BannerOf(const engine::RunResult& result, const std::optional<std::string>& error);

// The lists under the banner's title, as both panels show them: kMotivos, then kAvisos, each
// only when it has lines.
struct BannerList {
  std::string heading;
  std::vector<std::string> lines;
};
std::vector<BannerList> BannerLists(const VerdictBanner& banner);

}  // namespace frontend
