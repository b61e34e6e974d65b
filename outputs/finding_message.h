#pragma once
// One Portuguese sentence per finding, from one template per check kind, naming the field, the
// value and the rule, and what the rule requires; for the failure list's "mensagem" and
// "exigido" columns. Texts are Windows-1252 bytes; data bytes pass unchanged.

#include <string>
#include <string_view>

#include "engine/findings.h"

namespace outputs {

// "AAAAMMDD, data existente": what a date field requires.
std::string_view DateRequirement();

// Each appends to `out` (which it does not clear).
void AppendFieldMessage(std::string& out, const engine::FieldFinding& finding);
void AppendFieldRequirement(std::string& out, const engine::FieldFinding& finding);
void AppendStructureMessage(std::string& out, const engine::StructureFinding& finding);
void AppendCompanyMessage(std::string& out, std::string_view field, std::string_view text,
                          std::string_view expected);
void AppendClaimWithoutPolicyMessage(std::string& out, std::string_view apolice,
                                     std::string_view item);
void AppendCoverageInvertedMessage(std::string& out, std::string_view inicio_vig,
                                   std::string_view fim_vig);
void AppendHeaderMessage(std::string& out, const engine::HeaderFinding& finding);
void AppendTrailingBytesMessage(std::string& out, const engine::HeaderFinding& finding);
void AppendShortHeaderMessage(std::string& out, const engine::HeaderFinding& finding);

}  // namespace outputs
