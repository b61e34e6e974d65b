#include "engine/xlsx_workbook.h"

#include <algorithm>
#include <charconv>

#include "engine/text.h"

#ifdef TALMERO_XLSX
#include <xlsxwriter.h>
#endif

namespace engine {

bool IsXlsxPath(const std::string& path) { return EndsWithIgnoringCase(path, ".xlsx"); }

#ifdef TALMERO_XLSX

bool XlsxAvailable() { return true; }

class XlsxWorkbook::Impl {
 public:
  Impl(const std::string& path, Texts texts, std::uint32_t rows_per_sheet)
      : texts_(texts), rows_per_sheet_(std::max<std::uint32_t>(rows_per_sheet, 2)) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;  // a full failure list passes 4 GB of sheet text
    workbook_ = workbook_new_opt(path.c_str(), &options);
    if (workbook_ == nullptr) return;
    bold_ = workbook_add_format(workbook_);
    format_set_bold(bold_);
  }
  ~Impl() {
    if (workbook_ != nullptr) workbook_close(workbook_);
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  bool ok() const { return workbook_ != nullptr && !failed_; }

  std::size_t AddSheet(std::string_view name, const std::vector<std::string_view>& columns) {
    Sheet& sheet = sheets_.emplace_back();
    sheet.name = name;
    sheet.columns.assign(columns.begin(), columns.end());
    NewPart(sheet);
    return sheets_.size() - 1;
  }

  void Row(std::size_t index, const SheetCell* cells, std::size_t count) {
    if (workbook_ == nullptr || index >= sheets_.size()) return;
    Sheet& sheet = sheets_[index];
    if (sheet.next_row >= rows_per_sheet_) NewPart(sheet);
    if (sheet.part == nullptr) return;
    const lxw_row_t r = sheet.next_row++;
    for (std::size_t c = 0; c < count; ++c) {
      const SheetCell& cell = cells[c];
      if (cell.text.empty()) continue;
      const auto col = static_cast<lxw_col_t>(c);
      std::int64_t number = 0;
      const char* end = cell.text.data() + cell.text.size();
      const auto parsed = std::from_chars(cell.text.data(), end, number);
      lxw_error error = LXW_NO_ERROR;
      if (cell.number && parsed.ec == std::errc() && parsed.ptr == end) {
        error = worksheet_write_number(sheet.part, r, col, static_cast<double>(number), nullptr);
      } else {
        error = worksheet_write_string(sheet.part, r, col, Text(cell.text), nullptr);
      }
      if (error != LXW_NO_ERROR) failed_ = true;
    }
  }

  bool Finish() {
    if (workbook_ == nullptr) return false;
    for (Sheet& sheet : sheets_) ClosePart(sheet);
    const lxw_error error = workbook_close(workbook_);
    workbook_ = nullptr;
    return error == LXW_NO_ERROR && !failed_;
  }

 private:
  struct Sheet {
    std::string name;
    std::vector<std::string> columns;
    lxw_worksheet* part = nullptr;  // the sheet now being filled
    lxw_row_t next_row = 0;
    int parts = 0;
  };

  // A NUL-terminated UTF-8 copy of `text`, valid until the next call.
  const char* Text(std::string_view text) {
    text_ = texts_ == Texts::kUtf8 ? std::string(text) : Win1252ToUtf8(text);
    return text_.c_str();
  }

  // The autofilter spans the rows the part got.
  void ClosePart(Sheet& sheet) {
    if (sheet.part == nullptr) return;
    const lxw_row_t last = sheet.next_row > 1 ? sheet.next_row - 1 : 1;
    const auto last_col =
        static_cast<lxw_col_t>(std::max<std::size_t>(sheet.columns.size(), 1) - 1);
    worksheet_autofilter(sheet.part, 0, 0, last, last_col);
    sheet.part = nullptr;
  }

  void NewPart(Sheet& sheet) {
    ClosePart(sheet);
    if (workbook_ == nullptr) return;
    const int number = ++sheet.parts;
    std::string name = sheet.name;
    if (number > 1) name += " (" + std::to_string(number) + ")";
    sheet.part = workbook_add_worksheet(workbook_, Text(name));
    sheet.next_row = 1;
    if (sheet.part == nullptr) {
      failed_ = true;
      return;
    }
    worksheet_freeze_panes(sheet.part, 1, 0);
    lxw_col_t col = 0;
    for (const std::string& header : sheet.columns) {
      if (worksheet_write_string(sheet.part, 0, col++, Text(header), bold_) != LXW_NO_ERROR) {
        failed_ = true;
      }
    }
  }

  Texts texts_;
  std::uint32_t rows_per_sheet_;
  lxw_workbook* workbook_ = nullptr;
  lxw_format* bold_ = nullptr;
  std::vector<Sheet> sheets_;
  std::string text_;
  bool failed_ = false;
};

#else  // a build without libxlsxwriter: no workbook can be made

bool XlsxAvailable() { return false; }

class XlsxWorkbook::Impl {
 public:
  Impl(const std::string&, Texts, std::uint32_t) {}
  bool ok() const { return false; }
  std::size_t AddSheet(std::string_view, const std::vector<std::string_view>&) { return 0; }
  void Row(std::size_t, const SheetCell*, std::size_t) {}
  bool Finish() { return false; }
};

#endif

XlsxWorkbook::XlsxWorkbook(const std::string& path, Texts texts, std::uint32_t rows_per_sheet)
    : impl_(std::make_unique<Impl>(path, texts, rows_per_sheet)) {}

XlsxWorkbook::~XlsxWorkbook() = default;

bool XlsxWorkbook::ok() const { return impl_->ok(); }

std::size_t XlsxWorkbook::AddSheet(std::string_view name,
                                   const std::vector<std::string_view>& columns) {
  return impl_->AddSheet(name, columns);
}

void XlsxWorkbook::Row(std::size_t sheet, const SheetCell* cells, std::size_t count) {
  impl_->Row(sheet, cells, count);
}

bool XlsxWorkbook::Finish() { return impl_->Finish(); }

}  // namespace engine
