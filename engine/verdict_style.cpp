#include "engine/verdict_style.h"

#include "engine/text.h"

namespace engine {

VerdictStyle StyleOf(const Verdict& verdict) {
  switch (verdict.resultado) {
    case VerdictOutcome::kAceitavel:
      if (verdict.avisos.empty()) return {Ansi("Aceitável"), VerdictColour::kGreen};
      return {Ansi("Aceitável, com avisos"), VerdictColour::kAmber};
    case VerdictOutcome::kRejeitado:
      return {"Rejeitado", VerdictColour::kRed};
    case VerdictOutcome::kErro:
      break;
  }
  return {"Erro", VerdictColour::kGrey};
}

std::uint32_t ColourRgb(VerdictColour colour) {
  switch (colour) {
    case VerdictColour::kGreen:
      return 0x2E7D32;
    case VerdictColour::kAmber:
      return 0xA85F00;
    case VerdictColour::kRed:
      return 0xB71C1C;
    case VerdictColour::kGrey:
      break;
  }
  return 0x545B62;
}

std::string_view ColourName(VerdictColour colour) {
  switch (colour) {
    case VerdictColour::kGreen:
      return "verde";
    case VerdictColour::kAmber:
      return "ambar";
    case VerdictColour::kRed:
      return "vermelho";
    case VerdictColour::kGrey:
      break;
  }
  return "cinza";
}

}  // namespace engine
