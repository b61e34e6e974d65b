#include "engine/findings_xlsx.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

#include "engine/text.h"

#ifdef TALMERO_XLSX
#include <xlsxwriter.h>
#endif

namespace engine {

bool IsXlsxPath(const std::string& path) {
  static constexpr std::string_view kSuffix = ".xlsx";
  if (path.size() < kSuffix.size()) return false;
  return std::equal(
      kSuffix.begin(), kSuffix.end(), path.end() - kSuffix.size(),
      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

#ifdef TALMERO_XLSX

bool XlsxAvailable() { return true; }

// The workbook and the current sheet of each input file.
class FindingsXlsx::Sheets : public FindingRowWriter {
 public:
  Sheets(const std::string& path, std::uint32_t rows_per_sheet)
      : rows_per_sheet_(std::max<std::uint32_t>(rows_per_sheet, 2)) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;  // a full list passes 4 GB of sheet text
    workbook_ = workbook_new_opt(path.c_str(), &options);
    if (workbook_ == nullptr) return;
    bold_ = workbook_add_format(workbook_);
    format_set_bold(bold_);
    for (const FindingFile file : {FindingFile::kRiscos, FindingFile::kSinistros}) {
      NewSheet(file);
    }
  }
  ~Sheets() override {
    // A workbook not finished is still closed, so its temporary files go.
    if (workbook_ != nullptr) workbook_close(workbook_);
  }
  Sheets(const Sheets&) = delete;
  Sheets& operator=(const Sheets&) = delete;

  bool ok() const { return workbook_ != nullptr && !failed_; }

  void Row(FindingFile file, const FindingRow& row) override {
    if (workbook_ == nullptr) return;
    Sheet& sheet = sheets_[Index(file)];
    if (sheet.next_row >= rows_per_sheet_) NewSheet(file);
    const lxw_row_t r = sheet.next_row++;
    for (std::size_t c = 0; c < row.size(); ++c) {
      const FindingCell& cell = row[c];
      if (cell.text.empty()) continue;
      const auto col = static_cast<lxw_col_t>(c);
      lxw_error error = LXW_NO_ERROR;
      std::int64_t number = 0;
      if (cell.number &&
          std::from_chars(cell.text.data(), cell.text.data() + cell.text.size(), number).ec ==
              std::errc()) {
        error = worksheet_write_number(sheet.sheet, r, col, static_cast<double>(number), nullptr);
      } else {
        utf8_ = Win1252ToUtf8(cell.text);
        error = worksheet_write_string(sheet.sheet, r, col, utf8_.c_str(), nullptr);
      }
      if (error != LXW_NO_ERROR) failed_ = true;
    }
  }

  bool Finish() override {
    if (workbook_ == nullptr) return false;
    for (Sheet& sheet : sheets_) Close(sheet);
    const lxw_error error = workbook_close(workbook_);
    workbook_ = nullptr;
    return error == LXW_NO_ERROR && !failed_;
  }

 private:
  struct Sheet {
    lxw_worksheet* sheet = nullptr;
    lxw_row_t next_row = 0;
  };

  static std::size_t Index(FindingFile file) { return file == FindingFile::kRiscos ? 0 : 1; }

  // The autofilter spans the rows the sheet got.
  void Close(Sheet& sheet) {
    if (sheet.sheet == nullptr) return;
    const lxw_row_t last = sheet.next_row > 1 ? sheet.next_row - 1 : 1;
    worksheet_autofilter(sheet.sheet, 0, 0, last, kFindingColumns - 1);
    sheet.sheet = nullptr;
  }

  void NewSheet(FindingFile file) {
    Sheet& sheet = sheets_[Index(file)];
    Close(sheet);
    const int number = ++sheet_count_[Index(file)];
    std::string name(FindingFileName(file));
    if (number > 1) name += " (" + std::to_string(number) + ")";
    sheet.sheet = workbook_add_worksheet(workbook_, name.c_str());
    sheet.next_row = 1;
    if (sheet.sheet == nullptr) {
      failed_ = true;
      return;
    }
    worksheet_freeze_panes(sheet.sheet, 1, 0);
    lxw_col_t col = 0;
    for (const std::string_view header : FindingColumnNames()) {
      const std::string text(header);
      if (worksheet_write_string(sheet.sheet, 0, col++, text.c_str(), bold_) != LXW_NO_ERROR) {
        failed_ = true;
      }
    }
  }

  std::uint32_t rows_per_sheet_;
  lxw_workbook* workbook_ = nullptr;
  lxw_format* bold_ = nullptr;
  std::array<Sheet, 2> sheets_;
  std::array<int, 2> sheet_count_{};
  std::string utf8_;
  bool failed_ = false;
};

#else  // a build without libxlsxwriter: no workbook can be made

bool XlsxAvailable() { return false; }

class FindingsXlsx::Sheets : public FindingRowWriter {
 public:
  Sheets(const std::string&, std::uint32_t) {}
  bool ok() const { return false; }
  void Row(FindingFile, const FindingRow&) override {}
  bool Finish() override { return false; }
};

#endif

FindingsXlsx::FindingsXlsx(const std::string& path, std::int64_t max_per_group,
                           std::uint32_t rows_per_sheet)
    : sheets_(std::make_unique<Sheets>(path, rows_per_sheet)), list_(*sheets_, max_per_group) {}

FindingsXlsx::~FindingsXlsx() = default;

std::unique_ptr<FindingRowWriter> FindingsXlsx::RowWriter(const std::string& path,
                                                          std::uint32_t rows_per_sheet) {
  auto sheets = std::make_unique<Sheets>(path, rows_per_sheet);
  if (!sheets->ok()) return nullptr;
  return sheets;
}

bool FindingsXlsx::ok() const { return sheets_->ok(); }

}  // namespace engine
