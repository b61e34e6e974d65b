#pragma once
// One line of the summary of many runs: what talmero-resumo takes from the JSON result of one
// run of talmero-criticar (outputs/run_json.h). A file that cannot be read, is no JSON or is not
// such a result gives a row whose resultado is "ilegivel" and whose motivos says why.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/verdict_style.h"

namespace resumo {

inline constexpr std::size_t kSummaryColumns = 16;

// The columns, in order. A summary of JSON results has the first kJsonColumns; one of histories
// has them all, the run's place in its history after the columns scripts already read.
enum SummaryColumn : std::size_t {
  kResultadoJson,
  kCodSeg,
  kEmpresa,
  kRiscos,
  kSinistros,
  kResultado,
  kMotivos,
  kRegistrosRiscos,
  kRegistrosSinistros,
  kSemApolice,
  kVigenciaInvertida,
  kCamposMaisFalhos,
  kAvisos,     // the warnings' count; after the others, so that they stay where scripts read them
  kId,         // the run's number in its history
  kInicio,     // when it began, "YYYY-MM-DDThh:mm:ss"
  kHistorico,  // the history file, as named: numbers repeat from one history to another
};
inline constexpr std::size_t kJsonColumns = kAvisos + 1;

// Where a summary's rows come from: JSON results or histories (rows of recorded runs).
enum class SummarySource { kJson, kHistory };
// How many of the columns a summary of that source has.
std::size_t ColumnCount(SummarySource source);

// The header row, in column order: the CSV's names, for scripts.
const std::array<std::string_view, kSummaryColumns>& SummaryColumnNames();
// The same columns as a person reads them, for the page and the workbook (UTF-8).
const std::array<std::string_view, kSummaryColumns>& SummaryColumnTitles();
// Whether column `c` holds a count (written as a number in a workbook); the run's number is none.
bool IsCountColumn(std::size_t c);

inline constexpr std::string_view kIlegivel = "ilegivel";
// The largest result read: a run's result is far smaller, and a file past it (a file given by
// mistake) is refused without being read whole.
inline constexpr std::uintmax_t kMaxResultBytes = std::uintmax_t{64} << 20;
// Fields in campos_mais_falhos.
inline constexpr std::size_t kMostFailedFields = 5;

// One of the fields that fail most.
struct FieldFailureCount {
  std::string name;  // TABELA.CAMPO
  std::int64_t failures = 0;
};

struct SummaryRow {
  // UTF-8 texts; empty where the run has no such figure. Counts as decimal digits. motivos
  // holds each reason's code once, counted ("falhas_campo ×31"); for a run ended by an error,
  // the error's message (and what explains it, when the result has that).
  std::array<std::string, kSummaryColumns> cells;
  bool legivel = true;
  // An accepted run with warnings, the amber state: veredito.com_avisos, or for a result written
  // before that key, whether veredito.avisos has any.
  bool com_avisos = false;
  // The fields of campos_mais_falhos, as figures.
  std::vector<FieldFailureCount> most_failed;
  // A recorded run's every field with failures, in table and field order (for the page's
  // charts); empty for a JSON result.
  std::vector<FieldFailureCount> field_failures;

  const std::string& resultado() const { return cells[kResultado]; }
  const std::string& motivos() const { return cells[kMotivos]; }
};

// How a row's verdict is named and coloured, as in every other output (engine/verdict_style.h);
// an unreadable result in the grey of an error, as neither says anything of the data.
struct RowState {
  std::string key;    // "aceitavel", "aceitavel_com_avisos", "rejeitado", "erro", "ilegivel"
  std::string title;  // "Aceitável, com avisos", ... (UTF-8)
  engine::VerdictColour colour = engine::VerdictColour::kGrey;
};
RowState StateOf(const SummaryRow& row);

// A field's ErroNulo + ErroDom, where the field is in its table.
struct FieldTally {
  std::int64_t failures = 0;
  std::int64_t tabela = 0;
  std::int64_t ordem = 0;
  std::string name;  // TABELA.CAMPO
};
// Sets `row`'s campos_mais_falhos from the fields with failures: the kMostFailedFields with the
// most, ties in table and field order.
void SetMostFailed(std::vector<FieldTally> fields, SummaryRow* row);

// The row of the result in `json_path` (named so in resultado_json). A folder, a device, a FIFO or
// a file of more than kMaxResultBytes gives an unreadable row and is never read.
SummaryRow ReadSummaryRow(const std::string& json_path);

// The row of the document `text`; `json_path` only names it.
SummaryRow SummaryRowOf(const std::string& json_path, std::string_view text);

}  // namespace resumo
