#include "frontend/verdict_banner.h"

#include "frontend/message_text.h"

namespace frontend {

VerdictBanner BannerOf(const engine::RunResult& result, const std::optional<std::string>& error) {
  const engine::Verdict verdict = engine::ComputeVerdict(result, error, engine::VerdictLimits{});
  VerdictBanner banner;
  banner.outcome = verdict.resultado;
  switch (verdict.resultado) {
    case engine::VerdictOutcome::kAceitavel:
      banner.title = "Aceitável";
      banner.background = 0x2E7D32;
      break;
    case engine::VerdictOutcome::kRejeitado:
      banner.title = "Rejeitado";
      banner.background = 0xB71C1C;
      break;
    case engine::VerdictOutcome::kErro:
      banner.title = "Erro";
      banner.background = 0x545B62;
      break;
  }
  // The engine's sentences are Windows-1252; an error message may hold a UTF-8 path.
  for (const engine::VerdictItem& item : verdict.motivos) {
    banner.motivos.push_back(DecodeMessage(item.texto));
  }
  for (const engine::VerdictItem& item : verdict.avisos) {
    banner.avisos.push_back(DecodeMessage(item.texto));
  }
  return banner;
}

}  // namespace frontend
