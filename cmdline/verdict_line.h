#pragma once
// The verdict in one line for a person: the last line the runner writes on a terminal, and the
// reason codes talmero-resumo puts in its motivos column.

#include <string>
#include <vector>

#include "engine/verdict.h"

namespace cmdline {

// Each code once, in the order it first appears, followed by " ×N" when it appears N > 1
// times: "vigencia_invertida, falhas_campo ×31" (UTF-8).
std::string CountedCodes(const std::vector<std::string>& codes);

// "Veredito: rejeitado (vigencia_invertida, falhas_campo ×31)"; an accepted run with warnings
// counts the warnings' codes ("Veredito: aceitável, com avisos (sem_apolice)"); an error, whose
// message was just written, is "Veredito: erro". UTF-8, without the line's end.
std::string TerminalVerdictLine(const engine::Verdict& verdict);

}  // namespace cmdline
