#include "outputs/findings_xlsx.h"

#include <array>
#include <optional>
#include <vector>

namespace outputs {
namespace {

// The record's key: found by these in the system that made the file, so never cut.
bool IsKeyColumn(std::string_view name) {
  return name == "apolice" || name == "endosso" || name == "item";
}

}  // namespace

// The workbook and the sheet of each input file.
class FindingsXlsx::Sheets : public FindingRowWriter {
 public:
  Sheets(const std::string& path, std::uint32_t rows_per_sheet,
         const std::string& scratch_fallback = {}, bool summary_sheet = false)
      : workbook_(path, XlsxWorkbook::Texts::kWindows1252, rows_per_sheet, scratch_fallback) {
    if (summary_sheet) summary_ = workbook_.AddPlainSheet("Resumo", XlsxWorkbook::Texts::kUtf8);
    std::vector<SheetColumn> columns;
    for (const std::string_view name : FindingColumnNames()) {
      columns.push_back({name, 0, IsKeyColumn(name)});
    }
    for (const engine::FindingFile file :
         {engine::FindingFile::kRiscos, engine::FindingFile::kSinistros}) {
      sheets_[Index(file)] = workbook_.AddSizedSheet(engine::FindingFileName(file), columns);
    }
  }

  bool ok() const { return workbook_.ok(); }
  std::string ErrorText() const override { return workbook_.ErrorText(); }
  void Row(engine::FindingFile file, const FindingRow& row) override {
    workbook_.Row(sheets_[Index(file)], row.data(), row.size());
  }
  bool Finish() override { return workbook_.Finish(); }
  void SummaryRow(const std::vector<SheetCell>& cells, bool heading) {
    if (summary_) workbook_.Row(*summary_, cells.data(), cells.size(), heading);
  }

 private:
  static std::size_t Index(engine::FindingFile file) {
    return file == engine::FindingFile::kRiscos ? 0 : 1;
  }

  XlsxWorkbook workbook_;
  std::array<std::size_t, 2> sheets_{};
  std::optional<std::size_t> summary_;
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
