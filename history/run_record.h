#pragma once
// What the history keeps of one run: when, which program, the inputs as they were on disk, the
// company and its period, the verdict, the figures of the report and the identity of every
// failure. Texts of the engine stay Windows-1252 bytes; paths and messages stay as typed.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/run_result.h"
#include "engine/validation_run.h"
#include "engine/verdict.h"
#include "history/failure_identities.h"

namespace history {

// An input file as the run found it: size and modification time (seconds since 1970 UTC), or
// nullopt when it could not be examined.
struct InputStamp {
  engine::FindingFile arquivo = engine::FindingFile::kRiscos;
  std::string caminho;  // as typed
  std::optional<std::int64_t> tamanho;
  std::optional<std::int64_t> modificado;
  bool operator==(const InputStamp&) const = default;
};

// A reason or a warning of the verdict.
struct VerdictLine {
  std::string tipo;
  std::string texto;
  bool operator==(const VerdictLine&) const = default;
};

struct RunRecord {
  std::string inicio;  // "YYYY-MM-DDThh:mm:ss", local time
  std::string versao;  // "talmero-criticar 1.0.0"
  std::vector<InputStamp> entradas;
  std::string catalogo;  // the catalogue folder, as used
  std::string empresa;   // the company code, trimmed; empty when the run never read one
  std::optional<std::string> empresa_nome;
  std::optional<engine::ReportingPeriod> periodo;
  std::string resultado;  // "aceitavel", "rejeitado", "erro"
  std::vector<VerdictLine> motivos;
  std::vector<VerdictLine> avisos;
  std::vector<engine::TableResult> tabelas;
  std::optional<engine::ClaimsWithoutPolicyResult> sem_apolice;
  std::optional<std::int64_t> vigencia_invertida;
  std::vector<engine::ReconciliationSection> conciliacao;
  std::optional<std::string> erro;  // the message of the error that ended the run
  FailureIdentities falhas;         // sorted
};

// Where the run's inputs came from, beside its state.
struct RunSource {
  std::string riscos;  // the path texts as given
  std::string sinistros;
  std::string catalogo;
  std::string versao;
};

// The record of a finished run. `falhas`: its identities (history/identity_sink.h).
RunRecord MakeRunRecord(const RunSource& source, const engine::RunState& state,
                        const engine::Verdict& verdict, const std::optional<std::string>& error,
                        FailureIdentities falhas);

}  // namespace history
