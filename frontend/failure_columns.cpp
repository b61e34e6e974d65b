#include "frontend/failure_columns.h"

#include <algorithm>
#include <array>
#include <exception>
#include <set>

#include "frontend/message_text.h"
#include "tables/dbf_table.h"

namespace frontend {
namespace {

struct Known {
  std::string_view name;
  std::string_view title;
  ColumnRole role;
  std::string_view key_field;
};

// In the order shown.
constexpr std::array<Known, 18> kKnown = {{
    {"arquivo", "Arquivo", ColumnRole::kOther, ""},
    {"registro", "Registro", ColumnRole::kOther, ""},
    {"campo", "Campo", ColumnRole::kOther, ""},
    {"verificacao", "Verificação", ColumnRole::kOther, ""},
    {"apolice", "Apólice", ColumnRole::kKey, "APOLICE"},
    {"endosso", "Endosso", ColumnRole::kKey, "ENDOSSO"},
    {"item", "Item", ColumnRole::kKey, "ITEM"},
    {"mensagem", "Mensagem", ColumnRole::kMessage, ""},
    {"valor", "Valor", ColumnRole::kOther, ""},
    {"exigido", "Exigido", ColumnRole::kOther, ""},
    {"valor_relacionado", "Valor relacionado", ColumnRole::kOther, ""},
    {"posicao", "Posição", ColumnRole::kOther, ""},
    {"esperado_nome", "Nome esperado", ColumnRole::kStructure, ""},
    {"esperado_tipo", "Tipo esperado", ColumnRole::kStructure, ""},
    {"esperado_tamanho", "Tamanho esperado", ColumnRole::kStructure, ""},
    {"encontrado_nome", "Nome encontrado", ColumnRole::kStructure, ""},
    {"encontrado_tipo", "Tipo encontrado", ColumnRole::kStructure, ""},
    {"encontrado_tamanho", "Tamanho encontrado", ColumnRole::kStructure, ""},
}};

constexpr std::string_view kStructureCheck = "estrutura";

const Known* Find(std::string_view name) {
  for (const Known& known : kKnown) {
    if (known.name == name) return &known;
  }
  return nullptr;
}

}  // namespace

std::string ColumnTitle(std::string_view name) {
  const Known* known = Find(name);
  return std::string(known != nullptr ? known->title : name);
}

std::vector<PanelColumn> PanelColumns(const std::vector<std::string>& header) {
  std::vector<PanelColumn> columns;
  const auto add = [&](int at, const Known* known) {
    columns.push_back({at, ColumnTitle(header[static_cast<std::size_t>(at)]),
                       known != nullptr ? known->role : ColumnRole::kOther,
                       std::string(known != nullptr ? known->key_field : "")});
  };
  const auto position = [&](std::string_view name) {
    const auto found = std::find(header.begin(), header.end(), name);
    return found == header.end() ? -1 : static_cast<int>(found - header.begin());
  };
  for (const Known& known : kKnown) {
    if (known.role == ColumnRole::kStructure) continue;
    if (const int at = position(known.name); at >= 0) add(at, &known);
  }
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (Find(header[i]) == nullptr) add(static_cast<int>(i), nullptr);
  }
  for (const Known& known : kKnown) {
    if (known.role != ColumnRole::kStructure) continue;
    if (const int at = position(known.name); at >= 0) add(at, &known);
  }
  return columns;
}

std::vector<std::string> EveryValueOf(const FailureKeys& keys,
                                      const std::vector<std::string>& header,
                                      const PanelColumn& column) {
  const auto at = static_cast<std::size_t>(column.list_column);
  if (at >= header.size()) return {};
  std::string FailureGroup::*value = nullptr;
  if (header[at] == "arquivo") value = &FailureGroup::arquivo;
  if (header[at] == "campo") value = &FailureGroup::campo;
  if (header[at] == "verificacao") value = &FailureGroup::verificacao;
  if (value == nullptr) return {};
  std::set<std::string> values;
  for (const FailureGroup& group : keys.groups()) values.insert(DisplayLine(group.*value));
  return {values.begin(), values.end()};
}

bool ListsStructureRows(const FailureKeys& keys, std::span<const std::uint32_t> rows) {
  std::vector<char> structure(keys.groups().size());
  bool any = false;
  for (std::size_t g = 0; g < structure.size(); ++g) {
    structure[g] = keys.groups()[g].verificacao == kStructureCheck;
    any = any || structure[g];
  }
  if (!any) return false;
  return std::any_of(rows.begin(), rows.end(),
                     [&](std::uint32_t row) { return structure[keys.group(row)] != 0; });
}

std::size_t KeyWidths::Of(std::string_view field) const {
  if (field == "APOLICE") return apolice;
  if (field == "ENDOSSO") return endosso;
  if (field == "ITEM") return item;
  return 0;
}

KeyWidths DeclaredKeyWidths(const RunFiles& files) {
  KeyWidths widths;
  for (const RunFiles::Input* input : {&files.riscos, &files.sinistros}) {
    if (input->path.empty()) continue;
    try {
      tables::DbfTable table("tbDados", false);
      table.SetFileName(input->path);
      table.Open();
      for (const tables::DbfField& field : table.FieldList()) {
        std::size_t* width = field.name == "APOLICE"   ? &widths.apolice
                             : field.name == "ENDOSSO" ? &widths.endosso
                             : field.name == "ITEM"    ? &widths.item
                                                       : nullptr;
        if (width != nullptr) *width = std::max(*width, field.length);
      }
    } catch (const std::exception&) {
      // A file that cannot be read now keeps the widths the other gives.
    }
  }
  return widths;
}

}  // namespace frontend
