#include "engine/verdict_style.h"

#include "engine/text.h"

namespace engine {

VerdictStyle StyleOf(const Verdict& verdict) {
  return StyleOf(verdict.resultado, !verdict.avisos.empty());
}

bool ComAvisos(const Verdict& verdict) {
  return verdict.resultado == VerdictOutcome::kAceitavel && !verdict.avisos.empty();
}

std::string StateWords(const Verdict& verdict) {
  std::string words = Win1252ToUtf8(StyleOf(verdict).title);
  // Every title begins with an ASCII capital.
  if (!words.empty() && words[0] >= 'A' && words[0] <= 'Z')
    words[0] = static_cast<char>(words[0] - 'A' + 'a');
  return words;
}

VerdictStyle StyleOf(VerdictOutcome outcome, bool com_avisos) {
  switch (outcome) {
    case VerdictOutcome::kAceitavel:
      if (!com_avisos) return {Ansi("Aceitável"), VerdictColour::kGreen};
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
