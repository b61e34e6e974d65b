#include "outputs/verdict_sheet.h"

#include <charconv>
#include <string>
#include <vector>

#include "engine/text.h"
#include "engine/verdict_style.h"
#include "outputs/run_json.h"

namespace outputs {
namespace {

// A row being made: its texts own their bytes until the row is written.
class SheetRow {
 public:
  SheetRow& Text(std::string text) {
    texts_.push_back(std::move(text));
    numbers_.push_back(false);
    return *this;
  }
  SheetRow& Number(double value) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    texts_.emplace_back(digits, end);
    numbers_.push_back(true);
    return *this;
  }
  template <typename T>
  SheetRow& Optional(const std::optional<T>& value) {
    if (!value) return Text("");
    if constexpr (std::is_arithmetic_v<T>) {
      return Number(static_cast<double>(*value));
    } else {
      return Text(engine::Win1252ToUtf8(*value));
    }
  }
  void WriteTo(outputs::FindingsXlsx& book, bool heading = false) const {
    std::vector<outputs::SheetCell> cells;
    for (std::size_t i = 0; i < texts_.size(); ++i) cells.push_back({texts_[i], numbers_[i]});
    book.SummaryRow(cells, heading);
  }

 private:
  std::vector<std::string> texts_;
  std::vector<bool> numbers_;
};

// "Motivos" or "Avisos" with their count, the column names, and a row per item.
void WriteItems(outputs::FindingsXlsx& book, const char* title,
                const std::vector<engine::VerdictItem>& items) {
  book.SummaryRow({});
  SheetRow().Text(title).Number(static_cast<double>(items.size())).WriteTo(book, true);
  if (items.empty()) return;
  SheetRow()
      .Text("tipo")
      .Text("texto")
      .Text("tabela")
      .Text("campo")
      .Text("valor")
      .Text("limite")
      .WriteTo(book, true);
  for (const engine::VerdictItem& item : items) {
    SheetRow()
        .Text(item.tipo)
        .Text(engine::TypedToUtf8(item.texto))  // an error message comes as typed
        .Optional(item.tabela)
        .Optional(item.campo)
        .Optional(item.valor)
        .Optional(item.limite)
        .WriteTo(book);
  }
}

}  // namespace

void WriteVerdictSheet(outputs::FindingsXlsx& book, const engine::RunState& state,
                       const engine::Verdict& verdict) {
  SheetRow()
      .Text("Veredito")
      .Text(std::string(engine::VerdictOutcomeName(verdict.resultado)))
      .Text(engine::Win1252ToUtf8(engine::StyleOf(verdict).title))
      .WriteTo(book, true);
  WriteItems(book, "Motivos", verdict.motivos);
  WriteItems(book, "Avisos", verdict.avisos);

  book.SummaryRow({});
  SheetRow().Text("Arquivos").WriteTo(book, true);
  SheetRow()
      .Text("arquivo")
      .Text("tabela")
      .Text("caminho")
      .Text("situacao")
      .Text("registros")
      .Text("erro_nulo")
      .Text("erro_dom")
      .WriteTo(book, true);
  for (const engine::TableResult& t : state.result.tables) {
    std::int64_t nulo = 0;
    std::int64_t dom = 0;
    for (const engine::FieldCounters& c : t.fields) {
      nulo += c.erroNulo;
      dom += c.erroDom;
    }
    SheetRow()
        .Text(std::string(engine::FindingFileName(engine::FindingFileOf(t.numTabela))))
        .Number(t.numTabela)
        .Text(engine::TypedToUtf8(t.path))
        .Text(std::string(engine::TableOutcomeName(t.outcome)))
        .Number(t.records)
        .Number(static_cast<double>(nulo))
        .Number(static_cast<double>(dom))
        .WriteTo(book);
  }
}

}  // namespace outputs
