#pragma once
// The failure list's columns as both panels show them: Portuguese titles from one table, the
// file, record and field first, the check, then the policy keys and the message, and the columns
// of the structure check last (a panel shows those only while structure rows are listed). The
// CSV and the workbook keep the list's own columns and order; this is the panels' view only.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/failure_keys.h"
#include "frontend/record_view.h"

namespace frontend {

enum class ColumnRole {
  kKey,        // apolice, endosso, item: as wide as the input's declared field
  kStructure,  // esperado_*, encontrado_*: empty for every field check
  kMessage,    // mensagem: the cut text shows whole in a tooltip
  kOther,
};

struct PanelColumn {
  int list_column = 0;  // position in the list's header
  std::string title;    // UTF-8
  ColumnRole role = ColumnRole::kOther;
  std::string key_field;  // kKey: the input's field, "APOLICE", "ENDOSSO" or "ITEM"
};

// The title of a list column ("valor_relacionado" -> "Valor relacionado"); a column the table
// does not know keeps its name.
std::string ColumnTitle(std::string_view name);

// The columns to show for a list with `header`, in the order shown. Columns the table does not
// know come after the known ones, before the structure columns.
std::vector<PanelColumn> PanelColumns(const std::vector<std::string>& header);

// Every value the list holds in `column` when it is the file, field or check (the keys in memory
// know them all, however many rows): a panel sizes those columns to their widest value, not only
// to the rows on screen. Empty for any other column. UTF-8.
std::vector<std::string> EveryValueOf(const FailureKeys& keys,
                                      const std::vector<std::string>& header,
                                      const PanelColumn& column);

// Whether any of `rows` is a row of the structure check, found in the keys held in memory.
bool ListsStructureRows(const FailureKeys& keys, std::span<const std::uint32_t> rows);

// The declared widths (characters) of the key fields in the run's inputs, the wider of the two
// files; 0 for a field neither declares or a file that cannot be read. Reads the headers only.
struct KeyWidths {
  std::size_t apolice = 0;
  std::size_t endosso = 0;
  std::size_t item = 0;
  std::size_t Of(std::string_view field) const;
};
KeyWidths DeclaredKeyWidths(const RunFiles& files);

}  // namespace frontend
