#pragma once
// The failure list as CSV for spreadsheets set up for Brazil: ";" between fields, Windows-1252
// bytes (the engine's own; data bytes pass unchanged), CR LF after every row, a header row, and
// a field quoted (its quotes doubled) when it holds ";", a quote, CR or LF.
//
// Columns: arquivo (riscos, sinistros); registro (physical record number, deleted records
// counted); posicao (field position); campo; verificacao; valor (the field's stored text);
// valor_relacionado (domain: the qualifying value; empresa: the run's company code;
// sem_apolice: ITEM beside APOLICE in valor; vigencia_invertida: FIM_VIG beside INICIO_VIG);
// then, for estrutura, the expected and the found name, type code and size.
//
// Rows stream out through a fixed buffer: memory does not grow with the number of findings,
// only with the number of distinct (file, field, check) groups, which the cap counts per group.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>

#include "engine/findings.h"

namespace engine {

class FindingsCsv : public FindingSink {
 public:
  static constexpr std::int64_t kUnlimited = -1;

  // Writes the header row at once. `max_per_group`: rows per (file, field, check), kUnlimited
  // for all. `out` must outlive the writer and be opened in binary mode.
  explicit FindingsCsv(std::ostream& out, std::int64_t max_per_group = kUnlimited);
  ~FindingsCsv() override;
  FindingsCsv(const FindingsCsv&) = delete;
  FindingsCsv& operator=(const FindingsCsv&) = delete;

  void FieldFailed(const FieldFinding& finding) override;
  void StructureFailed(const StructureFinding& finding) override;
  void CompanyFailed(FindingFile file, std::uint32_t record, std::string_view field,
                     std::string_view text, std::string_view expected) override;
  void ClaimWithoutPolicy(std::uint32_t record, std::string_view apolice,
                          std::string_view item) override;
  void CoverageInverted(std::uint32_t record, std::string_view inicio_vig,
                        std::string_view fim_vig) override;

  // Ends the list: one last row per capped group telling how many of its rows were left out
  // (in the order the groups first failed), then flushes. False when a write failed at any
  // point, so a failed save is never reported as done. Further findings are ignored.
  bool Finish();

  // Findings told so far (listed or not).
  std::int64_t total() const { return total_; }

 private:
  struct Group {
    FindingFile file;
    std::string field;
    FindingCheck check;
    std::int64_t count = 0;
    std::int64_t order = 0;
  };

  // Counts the finding in its group; false when the group is past the cap.
  bool Admit(FindingFile file, std::string_view field, FindingCheck check);
  void BeginRow(FindingFile file, std::int64_t record, std::int64_t position,
                std::string_view field, FindingCheck check);
  void Field(std::string_view text);
  void Number(std::int64_t value);
  void Optional(const std::optional<std::int64_t>& value);
  void EndRow();
  void Flush();

  std::ostream& out_;
  std::int64_t max_per_group_;
  std::string buffer_;
  std::string key_;  // reused for the group lookups
  std::unordered_map<std::string, Group> groups_;
  int columns_ = 0;  // of the row being written
  std::int64_t total_ = 0;
  bool finished_ = false;
  bool failed_ = false;
};

}  // namespace engine
