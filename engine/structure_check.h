#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "engine/validation_run.h"
#include "tables/dbf_table.h"

namespace engine {

// Sets codEmpresa from the first visible record's COD_SEG when it is still empty; any failure
// (no such field, no record) leaves it empty.
void CaptureCompany(RunContext& ctx);

// Compares the header of the open tbDados with the rule rows of ctx.state.numTabela. On fail it
// has appended "Erro: estrutura incorreta na tabela " + nomeTabela.
bool CheckStructure(RunContext& ctx);

// After a failed structure check: tells `sink` every rule row of numTabela whose field is not at
// its position (name, type code or size differ, or the file has no such position) and every
// field of the file that no rule row describes. Never throws for the catalogue's content: a rule
// row that cannot be read ends the description of the rows.
void DescribeStructure(RunContext& ctx, FindingSink& sink);

// The company check of every record of tbDados. The COD_SEG field is resolved at the first
// record checked ("tbDados: Field 'cod_seg' not found" when the file lacks it).
class CompanyCheck {
 public:
  explicit CompanyCheck(RunContext& ctx);
  // The current record of tbDados. On a mismatch appends
  // "Erro: mais de uma empresa encontrada no arquivo da tabela " + nomeTabela and returns false.
  bool Check();
  // The two halves of Check(), for a walk that must first tell what came before the record:
  // the comparison alone, and the error of a mismatch.
  bool Matches();
  void ReportMismatch();
  // The comparison on the bytes of a record of tbDados, deletion flag first, whose fields all lie
  // within it; on any thread, with a CompanyCheck of its own.
  bool MatchesRecord(std::string_view record);

 private:
  // The COD_SEG field's index, resolved at the first record.
  int Field();
  // The stored bytes of the COD_SEG field against the company's code.
  bool Same(const tables::DbfField& field, std::string_view bytes) const;
  // Once the field is known: whether the code can be compared as one word, and how.
  void PlanWord(const tables::DbfField& field);
  // The comparison as one word, for a record of at least word_at_ + 8 bytes.
  bool SameWord(const char* record) const {
    std::uint64_t v = 0;
    std::memcpy(&v, record + word_at_, 8);
    return (v & word_mask_) == word_;
  }

  RunContext& ctx_;
  int field_ = -1;
  // A character field exactly as long as the code, eight bytes at most: the code as it lies in
  // the word read at word_at_, under word_mask_. No word comparison while word_mask_ is 0.
  std::size_t word_at_ = 0;
  std::uint64_t word_ = 0;
  std::uint64_t word_mask_ = 0;
};

}  // namespace engine
