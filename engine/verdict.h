#pragma once
// The acceptance verdict of one run, computed once from the run's figures and the user's limits,
// so that every front end and every output says the same:
//
//   erro       the run ended with an error (its message is the only reason);
//   rejeitado  one or more reasons hold: a table failed its structure check (estrutura), a file
//              held more than one company (mais_de_uma_empresa), the company is not in the totals
//              file (empresa_sem_kov), one or more risks end before they start
//              (vigencia_invertida), a path is blank (arquivo_faltando), a file read has no
//              records (arquivo_sem_registros), an input file's header announces another
//              number of records than the file holds (cabecalho), the rule catalogue has no
//              rule for the line of business, so nothing was checked (catalogo_vazio); and,
//              only when the user sets the
//              limit, a field whose ErroNulo or ErroDom share is above it (falhas_campo), a
//              claims-without-policy share above it (sem_apolice), a reconciliation difference
//              outside plus or minus the tolerance (conciliacao; a "div por zero" row is outside
//              when its KOV value is not 0);
//   aceitavel  otherwise.
//
// Every non-zero field counter, claims-without-policy count and reconciliation difference that
// is not a reason is a warning; so are stray bytes after an input file's last record
// (bytes_finais), a header length inside its field descriptors (cabecalho_curto), a company on
// more than one row of the totals file (empresa_repetida_kov) and a totals amount that is not a
// number (valor_kov_invalido). Shares are the exact figure, count x 100 / records, unrounded; a
// share equal to its limit passes. Texts are Windows-1252, except an error message, kept as given.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/run_result.h"

namespace engine {

// A percentage as typed by the user, exactly: `scaled` is the percentage x kScale.
struct Percent {
  static constexpr std::int64_t kScale = 1'000'000'000;
  std::int64_t scaled = 0;
  double value() const { return static_cast<double>(scaled) / static_cast<double>(kScale); }
};

// Digits with at most one "." or "," and at most nine decimals, no sign, below 10^9. False for
// anything else.
bool ParsePercent(std::string_view text, Percent* out);

struct VerdictLimits {
  std::optional<Percent> falhas;       // per field and counter
  std::optional<Percent> sem_apolice;  // claims without a policy
  std::optional<Percent> tolerancia;   // reconciliation difference, either way
};

enum class VerdictOutcome { kAceitavel, kRejeitado, kErro };

// "aceitavel", "rejeitado", "erro".
std::string_view VerdictOutcomeName(VerdictOutcome outcome);

struct VerdictItem {
  std::string tipo;   // estrutura, mais_de_uma_empresa, ..., erro
  std::string texto;  // one Portuguese sentence
  std::optional<int> tabela;
  std::optional<std::string> campo;
  std::optional<double> valor;   // the share, difference or count the item is about
  std::optional<double> limite;  // the user's limit it was held against
  // vigencia_invertida: the risks it counts by what their FIM_VIG holds.
  std::optional<InvertedCoverageKinds> vigencia_invertida;
};

struct Verdict {
  VerdictOutcome resultado = VerdictOutcome::kAceitavel;
  std::vector<VerdictItem> motivos;
  std::vector<VerdictItem> avisos;
};

// Whether a reconciliation row is outside plus or minus `tolerance` ("div por zero": when its KOV
// value is not 0); without a tolerance, whether it differs at all.
bool ReconciliationOutside(const ReconciliationRow& row, const std::optional<Percent>& tolerance);

// `error`: the message that ended the run, if one did.
Verdict ComputeVerdict(const RunResult& result, const std::optional<std::string>& error,
                       const VerdictLimits& limits);

}  // namespace engine
