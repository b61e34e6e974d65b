#include "engine/findings_xlsx.h"

#include <array>
#include <vector>

namespace engine {

// The workbook and the sheet of each input file.
class FindingsXlsx::Sheets : public FindingRowWriter {
 public:
  Sheets(const std::string& path, std::uint32_t rows_per_sheet,
         const std::string& scratch_fallback = {})
      : workbook_(path, XlsxWorkbook::Texts::kWindows1252, rows_per_sheet, scratch_fallback) {
    const auto& names = FindingColumnNames();
    const std::vector<std::string_view> columns(names.begin(), names.end());
    for (const FindingFile file : {FindingFile::kRiscos, FindingFile::kSinistros}) {
      sheets_[Index(file)] = workbook_.AddSheet(FindingFileName(file), columns);
    }
  }

  bool ok() const { return workbook_.ok(); }
  std::string ErrorText() const override { return workbook_.ErrorText(); }
  void Row(FindingFile file, const FindingRow& row) override {
    workbook_.Row(sheets_[Index(file)], row.data(), row.size());
  }
  bool Finish() override { return workbook_.Finish(); }

 private:
  static std::size_t Index(FindingFile file) { return file == FindingFile::kRiscos ? 0 : 1; }

  XlsxWorkbook workbook_;
  std::array<std::size_t, 2> sheets_{};
};

FindingsXlsx::FindingsXlsx(const std::string& path, std::int64_t max_per_group,
                           std::uint32_t rows_per_sheet, const std::string& scratch_fallback)
    : sheets_(std::make_unique<Sheets>(path, rows_per_sheet, scratch_fallback)),
      list_(*sheets_, max_per_group) {}

FindingsXlsx::~FindingsXlsx() = default;

std::unique_ptr<FindingRowWriter> FindingsXlsx::RowWriter(const std::string& path,
                                                          std::uint32_t rows_per_sheet) {
  auto sheets = std::make_unique<Sheets>(path, rows_per_sheet);
  if (!sheets->ok()) return nullptr;
  return sheets;
}

bool FindingsXlsx::ok() const { return sheets_->ok(); }

std::string FindingsXlsx::ErrorText() const { return sheets_->ErrorText(); }

}  // namespace engine
