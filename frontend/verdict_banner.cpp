#include "frontend/verdict_banner.h"

#include "engine/verdict_style.h"
#include "frontend/message_text.h"
#include "frontend/panel_texts.h"

namespace frontend {

VerdictBanner BannerOf(const engine::RunResult& result, const std::optional<std::string>& error) {
  const engine::Verdict verdict = engine::ComputeVerdict(result, error, engine::VerdictLimits{});
  VerdictBanner banner;
  banner.outcome = verdict.resultado;
  const engine::VerdictStyle style = engine::StyleOf(verdict);
  banner.title = DecodeMessage(style.title);
  banner.background = engine::ColourRgb(style.colour);
  // The engine's sentences are Windows-1252; an error message may hold a UTF-8 path.
  for (const engine::VerdictItem& item : verdict.motivos) {
    banner.motivos.push_back(DecodeMessage(item.texto));
  }
  // Under the error, the sentence that names its file or folder and the cause (UTF-8 already).
  if (error && !result.error_explanation.empty()) {
    banner.motivos.push_back(result.error_explanation);
  }
  for (const engine::VerdictItem& item : verdict.avisos) {
    banner.avisos.push_back(DecodeMessage(item.texto));
  }
  return banner;
}

std::vector<BannerList> BannerLists(const VerdictBanner& banner) {
  std::vector<BannerList> lists;
  if (!banner.motivos.empty()) lists.push_back({kMotivos, banner.motivos});
  if (!banner.avisos.empty()) lists.push_back({kAvisos, banner.avisos});
  return lists;
}

}  // namespace frontend
