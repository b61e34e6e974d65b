#include "outputs/xlsx_workbook.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>
#include <utility>

#include "engine/scratch_file.h"
#include "engine/text.h"
#include "outputs/output_text.h"

#ifdef TALMERO_XLSX
#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "outputs/workbook_parts.h"
#include "platform/stderr_capture.h"
#include "platform/system_path.h"
#endif

namespace outputs {

bool IsXlsxPath(const std::string& path) { return engine::EndsWithIgnoringCase(path, ".xlsx"); }

std::string CutTextsWarning(std::size_t count) {
  const std::string limit = "32.767 caracteres, o máximo de uma célula,";
  if (count == 1) return "1 texto passava de " + limit + " e foi cortado (termina em “…”)";
  return std::to_string(count) + " textos passavam de " + limit +
         " e foram cortados (terminam em “…”)";
}

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

// The first scratch folder that takes a file and that the library can name (it opens files by
// narrow names: platform/system_path.h): the library's temporary files go there.
std::string LibraryTempFolder(const std::string& scratch_fallback) {
  const std::vector<std::string> folders = engine::ScratchFolders(scratch_fallback);
  for (const std::string& folder : folders) {
    const std::optional<std::string> narrow = platform::NarrowApiPath(folder);
    if (narrow && engine::CreateScratchFileIn(folder, "xlsx")) return *narrow;
  }
  // The library then says why it cannot.
  return platform::NarrowApiPath(folders.front()).value_or(std::string());
}

// Why a workbook's path cannot be handed to the library.
constexpr std::string_view kUnnamedForLibrary =
    "o caminho tem caracteres que a biblioteca de planilhas não consegue abrir";

// Characters of room that a header's filter button takes.
constexpr std::size_t kFilterButton = 2;

// Characters of `text`: bytes in Windows-1252, lead bytes in UTF-8.
std::size_t Characters(std::string_view text, XlsxWorkbook::Texts texts) {
  if (texts == XlsxWorkbook::Texts::kWindows1252) return text.size();
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The value of a number cell's text ("12", "-3", "7.125"); false for anything else.
bool Number(std::string_view text, double* value) {
  const char* end = text.data() + text.size();
  std::int64_t whole = 0;
  const auto parsed = std::from_chars(text.data(), end, whole);
  if (parsed.ec == std::errc() && parsed.ptr == end) {
    *value = static_cast<double>(whole);
    return true;
  }
  const auto real = std::from_chars(text.data(), end, *value);
  return real.ec == std::errc() && real.ptr == end;
}

constexpr std::string_view kCutMark = "…";
constexpr std::string_view kEscapedUnderscore = "_x005F_";

// Whether `text` holds at `i` the form "_xHHHH_" that a reader decodes into one character.
bool EscapeFormAt(std::string_view text, std::size_t i) {
  if (i + 7 > text.size() || text[i] != '_' || text[i + 1] != 'x' || text[i + 6] != '_') {
    return false;
  }
  return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(i) + 2,
                     text.begin() + static_cast<std::ptrdiff_t>(i) + 6, [](char c) {
                       return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') ||
                              (c >= 'A' && c <= 'F');
                     });
}

// `utf8` (valid) as the cell's text: each "_xHHHH_" with its underscore escaped, so it reads back
// as written (the library writes a control character in that form and leaves the form itself
// alone), and a NUL as "_x0000_" (the library takes C texts). At most `budget` characters as the
// format counts them (one beyond U+FFFF counts two); `*cut` tells whether the text went past it.
std::string Escaped(std::string_view utf8, std::size_t budget, bool* cut) {
  std::string out;
  std::size_t characters = 0;
  *cut = false;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    std::string_view piece = utf8.substr(i, length);
    std::size_t counted = length == 4 ? 2 : 1;
    if (lead == 0) {
      piece = "_x0000_";
      counted = piece.size();
    } else if (EscapeFormAt(utf8, i)) {
      piece = kEscapedUnderscore;  // for the "_" alone: "xHHHH_" follows as it is
      counted = piece.size();
    }
    if (characters + counted > budget) {
      *cut = true;
      break;
    }
    characters += counted;
    out += piece;
    i += length;
  }
  return out;
}

}  // namespace

bool XlsxAvailable() { return true; }

class XlsxWorkbook::Impl {
 public:
  Impl(const std::string& path, std::uint32_t rows_per_sheet, const std::string& scratch_fallback)
      : rows_per_sheet_(std::max<std::uint32_t>(rows_per_sheet, 2)),
        path_(path),
        temp_folder_(LibraryTempFolder(scratch_fallback)) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;  // a full failure list passes 4 GB of sheet text
    options.tmpdir = temp_folder_.data();
    const std::optional<std::string> narrow = platform::NarrowApiPath(path);
    if (!narrow) {
      messages_ = kUnnamedForLibrary;
      return;
    }
    platform::StderrCapture capture;
    workbook_ = workbook_new_opt(narrow->c_str(), &options);
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

  std::size_t AddSheet(std::string_view name, const std::vector<SheetColumn>& columns, bool plain,
                       Texts texts, bool only_with_rows) {
    Sheet& sheet = sheets_.emplace_back();
    sheet.name = name;
    sheet.plain = plain;
    sheet.texts = texts;
    for (const SheetColumn& c : columns) {
      sheet.columns.push_back({std::string(c.name), c.width, c.whole});
    }
    if (!only_with_rows) NewPart(sheet);
    return sheets_.size() - 1;
  }

  void Row(std::size_t index, const SheetCell* cells, std::size_t count, bool heading) {
    if (workbook_ == nullptr || index >= sheets_.size()) return;
    Sheet& sheet = sheets_[index];
    if (sheet.made.empty() || sheet.next_row >= rows_per_sheet_) NewPart(sheet);
    if (sheet.part == nullptr) return;
    const lxw_row_t r = sheet.next_row++;
    if (sheet.longest.size() < count) sheet.longest.resize(count);
    for (std::size_t c = 0; c < count; ++c) {
      const SheetCell& cell = cells[c];
      if (cell.text.empty()) continue;
      lxw_format* const format = cell.fill ? Filled(*cell.fill) : heading ? bold_ : nullptr;
      sheet.longest[c] = std::max(sheet.longest[c], Characters(cell.text, sheet.texts));
      const auto col = static_cast<lxw_col_t>(c);
      double number = 0;
      lxw_error error = LXW_NO_ERROR;
      if (cell.number && Number(cell.text, &number)) {
        error = worksheet_write_number(sheet.part, r, col, number, format);
      } else {
        error =
            worksheet_write_string(sheet.part, r, col, CellText(cell.text, sheet.texts), format);
      }
      Failed(error);
    }
  }

  // The format of a cell filled with `rgb`: made once per colour.
  lxw_format* Filled(std::uint32_t rgb) {
    for (const auto& [colour, format] : fills_) {
      if (colour == rgb) return format;
    }
    lxw_format* format = workbook_add_format(workbook_);
    format_set_bold(format);
    format_set_font_color(format, LXW_COLOR_WHITE);
    format_set_bg_color(format, static_cast<lxw_color_t>(rgb));
    fills_.emplace_back(rgb, format);
    return format;
  }

  // The library never learns when a write to its temporary files failed: the rows' files are
  // asked before it closes, and the parts it writes while closing are read back after.
  bool Finish() {
    if (workbook_ == nullptr) return false;
    platform::StderrCapture capture;
    for (Sheet& sheet : sheets_) ClosePart(sheet);
    OrderParts();
    const bool scratch_written = ScratchWritten();
    const lxw_error error = workbook_close(workbook_);
    workbook_ = nullptr;
    Failed(error);
    Heard(capture);
    if (error == LXW_NO_ERROR && !failed_ && scratch_written) {
      std::string part_error;
      if (WorkbookPartsWhole(path_, &part_error)) return true;
      Reason(part_error + ": " + ScratchFailure({}));
    }
    return false;
  }

  std::size_t CutTexts() const { return cut_; }

 private:
  struct Column {
    std::string name;
    std::size_t width = 0;
    bool whole = false;
  };
  struct Sheet {
    std::string name;
    std::vector<Column> columns;
    bool plain = false;
    Texts texts = Texts::kWindows1252;
    lxw_worksheet* part = nullptr;     // the sheet now being filled
    std::vector<lxw_worksheet*> made;  // every part, in order
    lxw_row_t next_row = 0;
    std::vector<std::size_t> longest;  // per column, characters of the part's longest text
  };

  // A NUL-terminated UTF-8 copy of `text`, valid until the next call.
  const char* Text(std::string_view text, Texts texts) {
    text_ = texts == Texts::kUtf8 ? ValidUtf8(text) : engine::Win1252ToUtf8(text);
    return text_.c_str();
  }

  // The same, as a cell holds it (Escaped()): cut with "…" when longer than a cell holds.
  const char* CellText(std::string_view text, Texts texts) {
    std::string utf8 = texts == Texts::kUtf8 ? ValidUtf8(text) : engine::Win1252ToUtf8(text);
    // Most cells hold no "_", no NUL and fit: they go as they are, without a pass per character.
    if (utf8.size() <= kMaxCellCharacters &&
        utf8.find_first_of(std::string_view("_\0", 2)) == std::string::npos) {
      text_ = std::move(utf8);
      return text_.c_str();
    }
    bool cut = false;
    text_ = Escaped(utf8, kMaxCellCharacters, &cut);
    if (cut) {
      text_ = Escaped(utf8, kMaxCellCharacters - 1, &cut);
      text_ += kCutMark;
      ++cut_;
    }
    return text_.c_str();
  }

  // A write the library refused fails the workbook; the first refusal is the reason.
  void Failed(lxw_error error) {
    if (error == LXW_NO_ERROR) return;
    failed_ = true;
    if (error_ == LXW_NO_ERROR) error_ = error;
  }

  void Reason(const std::string& reason) {
    failed_ = true;
    messages_ = messages_.empty() ? reason : messages_ + "; " + reason;
  }

  // "os arquivos temporários da planilha em FOLDER não puderam ser gravados: WHY".
  std::string ScratchFailure(const std::string& why) const {
    return "os arquivos temporários da planilha em " + temp_folder_ + " não puderam ser gravados" +
           (why.empty() ? std::string() : ": " + why);
  }

  // Whether every sheet's rows reached their temporary file; else the reason is kept.
  bool ScratchWritten() {
    for (lxw_worksheet* part : parts_) {
      std::FILE* rows = part->optimize_tmpfile;
      if (rows == nullptr) continue;
      errno = 0;
      if (std::fflush(rows) != 0 || std::ferror(rows) != 0) {
        Reason(ScratchFailure(errno != 0 ? std::strerror(errno) : std::string()));
        return false;
      }
    }
    return true;
  }

  // The part's columns as wide as its texts need; the autofilter spans the rows it got.
  void ClosePart(Sheet& sheet) {
    if (sheet.part == nullptr) return;
    const std::size_t columns = std::max(sheet.columns.size(), sheet.longest.size());
    for (std::size_t c = 0; c < columns; ++c) {
      const Column declared = c < sheet.columns.size() ? sheet.columns[c] : Column{};
      std::size_t width = std::max(declared.width, c < sheet.longest.size() ? sheet.longest[c] : 0);
      if (!declared.whole) width = std::min(width, kMaxColumnWidth);
      if (width == 0) continue;  // nothing in it: the default width
      const auto col = static_cast<lxw_col_t>(c);
      worksheet_set_column(sheet.part, col, col, static_cast<double>(width), nullptr);
    }
    if (!sheet.plain) {
      const lxw_row_t last = sheet.next_row > 1 ? sheet.next_row - 1 : 1;
      const auto last_col =
          static_cast<lxw_col_t>(std::max<std::size_t>(sheet.columns.size(), 1) - 1);
      worksheet_autofilter(sheet.part, 0, 0, last, last_col);
    }
    sheet.part = nullptr;
  }

  // The library keeps its sheets in the order they were made, and a sheet that overflows after a
  // later one was begun (the risks' inverted coverages come after the claims) would stand after
  // that one. Its lists are put in the order of the sheets added, each followed by its
  // continuations, and each sheet numbered by its place, before it writes them.
  void OrderParts() {
    std::vector<lxw_worksheet*> order;
    for (const Sheet& sheet : sheets_) {
      for (lxw_worksheet* part : sheet.made) {
        if (part != nullptr) order.push_back(part);
      }
    }
    if (order.size() != workbook_->num_sheets || order.size() != workbook_->num_worksheets) {
      return;  // sheets this class did not make: left as they are
    }
    const auto place = [&order](const lxw_worksheet* part) {
      return static_cast<std::size_t>(std::find(order.begin(), order.end(), part) - order.begin());
    };
    std::vector<lxw_sheet*> entries;
    lxw_sheet* entry = nullptr;
    STAILQ_FOREACH(entry, workbook_->sheets, list_pointers) {
      if (entry->is_chartsheet || place(entry->u.worksheet) == order.size()) return;
      entries.push_back(entry);
    }
    std::sort(entries.begin(), entries.end(), [&](const lxw_sheet* a, const lxw_sheet* b) {
      return place(a->u.worksheet) < place(b->u.worksheet);
    });
    STAILQ_INIT(workbook_->sheets);
    for (lxw_sheet* e : entries) STAILQ_INSERT_TAIL(workbook_->sheets, e, list_pointers);
    STAILQ_INIT(workbook_->worksheets);
    for (std::size_t i = 0; i < order.size(); ++i) {
      STAILQ_INSERT_TAIL(workbook_->worksheets, order[i], list_pointers);
      order[i]->index = static_cast<std::uint16_t>(i);
    }
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
    const std::size_t number = sheet.made.size() + 1;
    std::string name = sheet.name;
    if (number > 1) name += " (" + std::to_string(number) + ")";
    platform::StderrCapture capture;  // a sheet in constant memory starts a temporary file
    sheet.part = workbook_add_worksheet(workbook_, Text(name, sheet.texts));
    Heard(capture);
    sheet.made.push_back(sheet.part);  // a failed part too: a further row does not retry it
    if (sheet.part != nullptr) parts_.push_back(sheet.part);
    sheet.next_row = sheet.plain ? 0 : 1;
    sheet.longest.assign(sheet.columns.size(), 0);
    if (sheet.part == nullptr) {
      failed_ = true;
      return;
    }
    if (sheet.plain) return;
    worksheet_freeze_panes(sheet.part, 1, 0);
    lxw_col_t col = 0;
    for (const Column& header : sheet.columns) {
      // The bold header needs room beside it for its filter button.
      sheet.longest[col] = Characters(header.name, sheet.texts) + kFilterButton;
      Failed(
          worksheet_write_string(sheet.part, 0, col++, CellText(header.name, sheet.texts), bold_));
    }
  }

  std::uint32_t rows_per_sheet_;
  std::string path_;
  std::string temp_folder_;  // the library keeps a pointer to it
  lxw_workbook* workbook_ = nullptr;
  lxw_error error_ = LXW_NO_ERROR;  // the first the library returned
  std::string messages_;            // what the library printed
  lxw_format* bold_ = nullptr;
  std::vector<std::pair<std::uint32_t, lxw_format*>> fills_;  // by colour, made on first use
  std::vector<Sheet> sheets_;
  std::vector<lxw_worksheet*> parts_;  // every sheet's parts, to ask their temporary files
  std::string text_;
  std::size_t cut_ = 0;
  bool failed_ = false;
};

#else  // a build without libxlsxwriter: no workbook can be made

bool XlsxAvailable() { return false; }

class XlsxWorkbook::Impl {
 public:
  Impl(const std::string&, std::uint32_t, const std::string&) {}
  bool ok() const { return false; }
  std::string ErrorText() const { return "this build writes no workbooks"; }
  std::size_t CutTexts() const { return 0; }
  std::size_t AddSheet(std::string_view, const std::vector<SheetColumn>&, bool, Texts, bool) {
    return 0;
  }
  void Row(std::size_t, const SheetCell*, std::size_t, bool) {}
  bool Finish() { return false; }
};

#endif

XlsxWorkbook::XlsxWorkbook(const std::string& path, Texts texts, std::uint32_t rows_per_sheet,
                           const std::string& scratch_fallback)
    : texts_(texts), impl_(std::make_unique<Impl>(path, rows_per_sheet, scratch_fallback)) {}

XlsxWorkbook::~XlsxWorkbook() = default;

bool XlsxWorkbook::ok() const { return impl_->ok(); }

std::size_t XlsxWorkbook::AddSizedSheet(std::string_view name,
                                        const std::vector<SheetColumn>& columns,
                                        bool only_with_rows) {
  return impl_->AddSheet(name, columns, false, texts_, only_with_rows);
}

std::size_t XlsxWorkbook::AddSheet(std::string_view name,
                                   const std::vector<std::string_view>& columns) {
  std::vector<SheetColumn> named;
  for (const std::string_view column : columns) named.push_back({column});
  return AddSizedSheet(name, named);
}

std::size_t XlsxWorkbook::AddPlainSheet(std::string_view name, Texts texts) {
  return impl_->AddSheet(name, {}, true, texts, false);
}

void XlsxWorkbook::Row(std::size_t sheet, const SheetCell* cells, std::size_t count, bool heading) {
  impl_->Row(sheet, cells, count, heading);
}

bool XlsxWorkbook::Finish() { return impl_->Finish(); }

std::string XlsxWorkbook::ErrorText() const { return impl_->ErrorText(); }

std::size_t XlsxWorkbook::CutTexts() const { return impl_->CutTexts(); }

}  // namespace outputs
