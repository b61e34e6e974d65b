#include "engine/xlsx_workbook.h"

#include <algorithm>
#include <charconv>

#include "engine/scratch_file.h"
#include "engine/text.h"

#ifdef TALMERO_XLSX
#include <xlsxwriter.h>

#include "platform/stderr_capture.h"
#endif

namespace engine {

bool IsXlsxPath(const std::string& path) { return EndsWithIgnoringCase(path, ".xlsx"); }

#ifdef TALMERO_XLSX

namespace {

// The library's lines without their tags ("[ERROR][src/packager.c:1532]: ", "[ERROR] ",
// "workbook_close(): "), joined by "; ".
std::string LibraryReason(std::string_view printed) {
  std::string reason;
  while (!printed.empty()) {
    const std::size_t end = std::min(printed.find('\n'), printed.size());
    std::string_view line = printed.substr(0, end);
    printed.remove_prefix(std::min(end + 1, printed.size()));
    while (!line.empty() && line.front() == '[') {
      const std::size_t close = line.find(']');
      if (close == std::string_view::npos) break;
      line.remove_prefix(close + 1);
    }
    while (!line.empty() && (line.front() == ':' || line.front() == ' ')) line.remove_prefix(1);
    const std::size_t call = line.find("(): ");
    if (call != std::string_view::npos && line.substr(0, call).find(' ') == line.npos) {
      line.remove_prefix(call + 4);
    }
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (line.empty()) continue;
    if (!reason.empty()) reason += "; ";
    reason += line;
  }
  return reason;
}

// The first scratch folder that takes a file: the library's temporary files go there.
std::string LibraryTempFolder(const std::string& scratch_fallback) {
  const std::vector<std::string> folders = ScratchFolders(scratch_fallback);
  for (const std::string& folder : folders) {
    if (CreateScratchFileIn(folder, "xlsx")) return folder;
  }
  return folders.front();  // the library then says why it cannot
}

}  // namespace

bool XlsxAvailable() { return true; }

class XlsxWorkbook::Impl {
 public:
  Impl(const std::string& path, Texts texts, std::uint32_t rows_per_sheet,
       const std::string& scratch_fallback)
      : texts_(texts),
        rows_per_sheet_(std::max<std::uint32_t>(rows_per_sheet, 2)),
        temp_folder_(LibraryTempFolder(scratch_fallback)) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;  // a full failure list passes 4 GB of sheet text
    options.tmpdir = temp_folder_.data();
    platform::StderrCapture capture;
    workbook_ = workbook_new_opt(path.c_str(), &options);
    if (workbook_ != nullptr) {
      bold_ = workbook_add_format(workbook_);
      format_set_bold(bold_);
    }
    Heard(capture);
  }
  ~Impl() {
    if (workbook_ == nullptr) return;
    const platform::StderrCapture quiet;  // an unfinished workbook is dropped without a word
    workbook_close(workbook_);
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  bool ok() const { return workbook_ != nullptr && !failed_; }
  std::string ErrorText() const {
    return messages_.empty() && error_ != LXW_NO_ERROR ? lxw_strerror(error_) : messages_;
  }

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
    platform::StderrCapture capture;
    for (Sheet& sheet : sheets_) ClosePart(sheet);
    const lxw_error error = workbook_close(workbook_);
    workbook_ = nullptr;
    if (error != LXW_NO_ERROR) error_ = error;
    Heard(capture);
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

  // What the library printed while `capture` lived becomes part of the reason.
  void Heard(platform::StderrCapture& capture) {
    const std::string reason = LibraryReason(capture.Finish());
    if (reason.empty()) return;
    if (!messages_.empty()) messages_ += "; ";
    messages_ += reason;
  }

  void NewPart(Sheet& sheet) {
    ClosePart(sheet);
    if (workbook_ == nullptr) return;
    const int number = ++sheet.parts;
    std::string name = sheet.name;
    if (number > 1) name += " (" + std::to_string(number) + ")";
    platform::StderrCapture capture;  // a sheet in constant memory starts a temporary file
    sheet.part = workbook_add_worksheet(workbook_, Text(name));
    Heard(capture);
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
  std::string temp_folder_;  // the library keeps a pointer to it
  lxw_workbook* workbook_ = nullptr;
  lxw_error error_ = LXW_NO_ERROR;  // of the close
  std::string messages_;            // what the library printed
  lxw_format* bold_ = nullptr;
  std::vector<Sheet> sheets_;
  std::string text_;
  bool failed_ = false;
};

#else  // a build without libxlsxwriter: no workbook can be made

bool XlsxAvailable() { return false; }

class XlsxWorkbook::Impl {
 public:
  Impl(const std::string&, Texts, std::uint32_t, const std::string&) {}
  bool ok() const { return false; }
  std::string ErrorText() const { return "this build writes no workbooks"; }
  std::size_t AddSheet(std::string_view, const std::vector<std::string_view>&) { return 0; }
  void Row(std::size_t, const SheetCell*, std::size_t) {}
  bool Finish() { return false; }
};

#endif

XlsxWorkbook::XlsxWorkbook(const std::string& path, Texts texts, std::uint32_t rows_per_sheet,
                           const std::string& scratch_fallback)
    : impl_(std::make_unique<Impl>(path, texts, rows_per_sheet, scratch_fallback)) {}

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

std::string XlsxWorkbook::ErrorText() const { return impl_->ErrorText(); }

}  // namespace engine
