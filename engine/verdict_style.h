#pragma once
// How every front end and output names and colours a verdict, so that the windows' strip, both
// panels' banners and the HTML page agree with each other and with the JSON result's verdict:
//
//   Aceitável               green  accepted, nothing to look at
//   Aceitável, com avisos   amber  accepted, but with warnings worth a look
//   Rejeitado               red
//   Erro                    grey   the run ended with an error

#include <cstdint>
#include <string>

#include "engine/verdict.h"

namespace engine {

enum class VerdictColour { kGreen, kAmber, kRed, kGrey };

struct VerdictStyle {
  std::string title;  // Windows-1252, as every engine text
  VerdictColour colour = VerdictColour::kGreen;
};

VerdictStyle StyleOf(const Verdict& verdict);
// The same from the outcome and whether an accepted run has warnings (`com_avisos`, as the JSON
// result says it; ignored for any other outcome), for what reads a verdict back.
VerdictStyle StyleOf(VerdictOutcome outcome, bool com_avisos);

// Whether the verdict is the amber state: accepted, with warnings.
bool ComAvisos(const Verdict& verdict);

// The state's name in lower case, UTF-8, for a line of text: "aceitável", "aceitável, com
// avisos", "rejeitado", "erro".
std::string StateWords(const Verdict& verdict);

// One value per colour, 0xRRGGBB, dark enough for white text on it.
std::uint32_t ColourRgb(VerdictColour colour);

// "verde", "ambar", "vermelho", "cinza": for class names and machine-readable outputs.
std::string_view ColourName(VerdictColour colour);

}  // namespace engine
