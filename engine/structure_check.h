#pragma once
#include "engine/validation_run.h"

namespace engine {

// Sets codEmpresa from the first visible record's COD_SEG when it is still empty; any failure
// (no such field, no record) leaves it empty.
void CaptureCompany(RunContext& ctx);

// Compares the header of the open tbDados with the rule rows of ctx.state.numTabela. On fail it
// has appended "Erro: estrutura incorreta na tabela " + nomeTabela.
bool CheckStructure(RunContext& ctx);

// The company check of every record of tbDados. The COD_SEG field is resolved at the first
// record checked ("tbDados: Field 'cod_seg' not found" when the file lacks it).
class CompanyCheck {
 public:
  explicit CompanyCheck(RunContext& ctx);
  // The current record of tbDados. On a mismatch appends
  // "Erro: mais de uma empresa encontrada no arquivo da tabela " + nomeTabela and returns false.
  bool Check();

 private:
  RunContext& ctx_;
  int field_ = -1;
};

}  // namespace engine
