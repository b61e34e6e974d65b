#include "outputs/findings_xlsx.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "engine/text.h"

namespace outputs {
namespace {

// A column of a sheet: the failure list's column it shows, and its header in words.
struct WorkbookColumn {
  std::string_view source;  // FindingColumnNames()
  std::string_view title;   // UTF-8
};

// The sheet of a file's failures: the record's key first, as users search by it; the file last,
// as the sheet already names it.
constexpr WorkbookColumn kRecordColumns[] = {{"apolice", "Apólice"},
                                             {"endosso", "Endosso"},
                                             {"item", "Item"},
                                             {"registro", "Registro"},
                                             {"campo", "Campo"},
                                             {"posicao", "Posição"},
                                             {"verificacao", "Verificação"},
                                             {"valor", "Valor"},
                                             {"valor_relacionado", "Valor relacionado"},
                                             {"mensagem", "Mensagem"},
                                             {"exigido", "Exigido"},
                                             {"arquivo", "Arquivo"}};

// The sheet of the headers that differ from the catalogue: no record, so no key, but the
// expected and the found field side by side.
constexpr WorkbookColumn kStructureColumns[] = {{"arquivo", "Arquivo"},
                                                {"posicao", "Posição"},
                                                {"campo", "Campo"},
                                                {"esperado_nome", "Nome esperado"},
                                                {"esperado_tipo", "Tipo esperado"},
                                                {"esperado_tamanho", "Tamanho esperado"},
                                                {"encontrado_nome", "Nome encontrado"},
                                                {"encontrado_tipo", "Tipo encontrado"},
                                                {"encontrado_tamanho", "Tamanho encontrado"},
                                                {"mensagem", "Mensagem"}};

constexpr std::string_view kStructureSheet = "estrutura";

// The record's key: found by these in the system that made the file, so never cut.
bool IsKeyColumn(std::string_view name) {
  return name == "apolice" || name == "endosso" || name == "item";
}

std::size_t SourceColumn(std::string_view name) {
  const auto& names = FindingColumnNames();
  return static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
}

// A sheet's columns: where each stands in the failure list's row, and its header (Windows-1252,
// as the workbook's texts).
struct SheetLayout {
  template <std::size_t N>
  explicit SheetLayout(const WorkbookColumn (&columns)[N]) {
    for (const WorkbookColumn& c : columns) {
      source.push_back(SourceColumn(c.source));
      titles.push_back(engine::Ansi(c.title));
    }
    for (std::size_t c = 0; c < N; ++c) {
      headers.push_back({titles[c], 0, IsKeyColumn(columns[c].source)});
    }
  }
  // The column Nova last, beside an earlier run: "S" for a new failure.
  void AddNew() {
    titles.push_back("Nova");
    headers.clear();
    for (std::size_t c = 0; c < titles.size(); ++c) {
      headers.push_back(
          {titles[c], 0, c < source.size() && IsKeyColumn(FindingColumnNames()[source[c]])});
    }
  }
  std::vector<std::size_t> source;  // the list's column of each but Nova
  std::vector<std::string> titles;
  std::vector<SheetColumn> headers;  // views of titles
};

const std::size_t kVerificacao = SourceColumn("verificacao");
const std::size_t kValor = SourceColumn("valor");
const std::size_t kMensagem = SourceColumn("mensagem");

}  // namespace

// The workbook: the sheet of each input file, and the structure's sheet made with its first row.
class FindingsXlsx::Sheets : public FindingRowWriter {
 public:
  Sheets(const std::string& path, std::uint32_t rows_per_sheet,
         const std::string& scratch_fallback = {}, bool summary_sheet = false)
      : workbook_(path, XlsxWorkbook::Texts::kWindows1252, rows_per_sheet, scratch_fallback),
        records_(kRecordColumns),
        structure_(kStructureColumns) {
    if (summary_sheet) summary_ = workbook_.AddPlainSheet("Resumo", XlsxWorkbook::Texts::kUtf8);
  }

  bool ok() const { return workbook_.ok(); }
  std::string ErrorText() const override { return workbook_.ErrorText(); }
  void MarkNew() override {
    records_.AddNew();
    structure_.AddNew();
  }
  void Row(engine::FindingFile file, const FindingRow& row) override {
    const bool structure =
        row[kVerificacao].text == engine::FindingCheckName(engine::FindingCheck::kEstrutura);
    const SheetLayout& layout = structure ? structure_ : records_;
    cells_.resize(layout.source.size());
    Fill(layout, row);
    Write(file, structure);
  }
  void RowMarked(engine::FindingFile file, const FindingRow& row, bool nova) override {
    const bool structure =
        row[kVerificacao].text == engine::FindingCheckName(engine::FindingCheck::kEstrutura);
    const SheetLayout& layout = structure ? structure_ : records_;
    cells_.resize(layout.source.size() + 1);
    Fill(layout, row);
    cells_.back() = {nova ? "S" : ""};
    Write(file, structure);
  }
  bool Finish() override {
    AddSheets();
    return workbook_.Finish();
  }
  void SummaryRow(const std::vector<SheetCell>& cells, bool heading) {
    if (summary_) workbook_.Row(*summary_, cells.data(), cells.size(), heading);
  }

 private:
  // The list's cells a sheet shows.
  void Fill(const SheetLayout& layout, const FindingRow& row) {
    for (std::size_t c = 0; c < layout.source.size(); ++c) cells_[c] = row[layout.source[c]];
    // A row without a sentence tells how many rows a cap left out: that is its sentence.
    if (row[kMensagem].text.empty() && !row[kValor].text.empty() && !row[kValor].number) {
      for (std::size_t c = 0; c < layout.source.size(); ++c) {
        if (layout.source[c] == kValor) cells_[c] = {};
        if (layout.source[c] == kMensagem) cells_[c] = row[kValor];
      }
    }
  }
  void Write(engine::FindingFile file, bool structure) {
    AddSheets();
    workbook_.Row(structure ? structure_sheet_ : sheets_[Index(file)], cells_.data(),
                  cells_.size());
  }
  // The sheets with their headers, at the first row or the end: only then is it known whether the
  // column Nova is there.
  void AddSheets() {
    if (sheets_added_) return;
    sheets_added_ = true;
    structure_sheet_ =
        workbook_.AddSizedSheet(kStructureSheet, structure_.headers, /*only_with_rows=*/true);
    for (const engine::FindingFile file :
         {engine::FindingFile::kRiscos, engine::FindingFile::kSinistros}) {
      sheets_[Index(file)] =
          workbook_.AddSizedSheet(engine::FindingFileName(file), records_.headers);
    }
  }
  static std::size_t Index(engine::FindingFile file) {
    return file == engine::FindingFile::kRiscos ? 0 : 1;
  }

  XlsxWorkbook workbook_;
  SheetLayout records_;
  SheetLayout structure_;
  std::array<std::size_t, 2> sheets_{};
  std::size_t structure_sheet_ = 0;
  std::optional<std::size_t> summary_;
  std::vector<SheetCell> cells_;
  bool sheets_added_ = false;
};

FindingsXlsx::FindingsXlsx(const std::string& path, std::int64_t max_per_group,
                           std::uint32_t rows_per_sheet, const std::string& scratch_fallback,
                           bool summary_sheet)
    : sheets_(std::make_unique<Sheets>(path, rows_per_sheet, scratch_fallback, summary_sheet)),
      list_(*sheets_, max_per_group) {}

FindingsXlsx::~FindingsXlsx() = default;

std::unique_ptr<FindingRowWriter> FindingsXlsx::RowWriter(const std::string& path,
                                                          std::uint32_t rows_per_sheet) {
  auto sheets = std::make_unique<Sheets>(path, rows_per_sheet);
  if (!sheets->ok()) return nullptr;
  return sheets;
}

bool FindingsXlsx::ok() const { return sheets_->ok(); }

void FindingsXlsx::SummaryRow(const std::vector<SheetCell>& cells, bool heading) {
  sheets_->SummaryRow(cells, heading);
}

std::string FindingsXlsx::ErrorText() const { return sheets_->ErrorText(); }

}  // namespace outputs
