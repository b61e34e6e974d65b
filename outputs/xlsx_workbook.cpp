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
#include <thread>

#include "outputs/deflate_pieces.h"
#include "outputs/sheet_xml.h"
#include "outputs/workbook_xml.h"
#include "outputs/zip_package.h"
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

// Characters of room that a header's filter button takes.
constexpr std::size_t kFilterButton = 2;
// The XML of a part handed to the compressing workers at a time.
constexpr std::size_t kPieceBytes = 1 << 20;
// Styles (workbook_xml.h): the plain cell, bold, then the fills.
constexpr unsigned kPlainStyle = 0;
constexpr unsigned kBoldStyle = 1;
constexpr unsigned kFirstFillStyle = 2;

// Characters of `text`: bytes in Windows-1252, lead bytes in UTF-8.
std::size_t Characters(std::string_view text, XlsxWorkbook::Texts texts) {
  if (texts == XlsxWorkbook::Texts::kWindows1252) return text.size();
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The digits of a number cell's text ("12", "-3", "7.125") as the cell holds them; false for
// anything else.
bool NumberText(std::string_view text, std::string* digits) {
  const char* end = text.data() + text.size();
  std::int64_t whole = 0;
  const auto parsed = std::from_chars(text.data(), end, whole);
  if (parsed.ec == std::errc() && parsed.ptr == end) {
    digits->resize(24);
    digits->resize(static_cast<std::size_t>(
        std::to_chars(digits->data(), digits->data() + digits->size(), whole).ptr -
        digits->data()));
    return true;
  }
  double value = 0;
  const auto real = std::from_chars(text.data(), end, value);
  if (real.ec != std::errc() || real.ptr != end) return false;
  *digits = NumberDigits(value);
  return true;
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
// as written (a control character is written in that form, the form itself left alone), and a
// NUL as "_x0000_". At most `budget` characters as the format counts them (one beyond U+FFFF
// counts two); `*cut` tells whether the text went past it.
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

// The range "A1:C20" from the first cell to the last; "A1" alone when they are one.
std::string Range(std::uint32_t first_row, std::uint32_t first_col, std::uint32_t last_row,
                  std::uint32_t last_col) {
  std::string range;
  AppendCellReference(range, first_row, first_col);
  if (first_row == last_row && first_col == last_col) return range;
  range += ':';
  AppendCellReference(range, last_row, last_col);
  return range;
}

// The compressing workers: as many as the cores, a few at most.
unsigned Workers() { return std::clamp(std::thread::hardware_concurrency(), 1U, 4U); }

}  // namespace

bool XlsxAvailable() { return true; }

class XlsxWorkbook::Impl {
 public:
  Impl(const std::string& path, std::uint32_t rows_per_sheet, const std::string& scratch_fallback)
      : rows_per_sheet_(std::max<std::uint32_t>(rows_per_sheet, 2)),
        narrow_path_(platform::NarrowApiPath(path)) {
    if (!narrow_path_) {
      Reason(std::string(kUnnamed));
      return;
    }
    std::string reason;
    for (const std::string& folder : engine::ScratchFolders(scratch_fallback)) {
      if (scratch_) break;
      scratch_folder_ = folder;
      scratch_ = engine::CreateScratchFileIn(folder, "xlsx", &reason);
    }
    if (!scratch_) {
      Reason(ScratchFailure(reason));
      return;
    }
    deflater_.emplace(*scratch_, Workers());
  }

  bool ok() const { return !failed_; }
  std::string ErrorText() const { return messages_; }
  std::size_t CutTexts() const { return cut_; }

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
    if (failed_ || index >= sheets_.size()) return;
    Sheet& sheet = sheets_[index];
    if (sheet.parts.empty() || sheet.next_row >= rows_per_sheet_) NewPart(sheet);
    const std::uint32_t r = sheet.next_row++;
    if (sheet.longest.size() < count) sheet.longest.resize(count);
    Part& part = parts_[sheet.parts.back()];
    bool started = false;
    for (std::size_t c = 0; c < count; ++c) {
      const SheetCell& cell = cells[c];
      if (cell.text.empty()) continue;
      if (!started) {
        RowNumber(r, &row_);
        AppendRowStart(part.xml, row_);
      }
      started = true;
      const unsigned style = cell.fill ? Filled(*cell.fill) : heading ? kBoldStyle : kPlainStyle;
      sheet.longest[c] = std::max(sheet.longest[c], Characters(cell.text, sheet.texts));
      const auto col = static_cast<std::uint32_t>(c);
      if (cell.number && NumberText(cell.text, &digits_)) {
        AppendNumberCell(part.xml, row_, col, digits_, style);
      } else {
        AppendTextCell(part.xml, row_, col, CellText(cell.text, sheet.texts), style);
      }
      part.Holds(r, col);
    }
    if (!started) return;
    AppendRowEnd(part.xml);
    if (part.xml.size() >= kPieceBytes) HandOver(sheet.parts.back());
  }

  // The parts are compressed already but for their last pieces; the archive is put together from
  // them in the order of the sheets, each followed by its continuations.
  bool Finish() {
    if (failed_) return false;
    for (Sheet& sheet : sheets_) ClosePart(sheet);
    if (!deflater_->Drain()) {
      Reason(ScratchFailure(deflater_->ErrorText()));
      return false;
    }
    std::vector<std::size_t> order;
    std::vector<ListedSheet> listed;
    for (const Sheet& sheet : sheets_) {
      for (const std::size_t p : sheet.parts) {
        order.push_back(p);
        listed.push_back({parts_[p].name, parts_[p].filter});
      }
    }
    ZipPackage zip(*narrow_path_);
    zip.Add("[Content_Types].xml", ContentTypesXml(order.size()));
    zip.Add("_rels/.rels", PackageRelationsXml());
    zip.Add("xl/workbook.xml", WorkbookXml(listed));
    zip.Add("xl/_rels/workbook.xml.rels", WorkbookRelationsXml(order.size()));
    zip.Add("xl/styles.xml", StylesXml(fills_));
    for (std::size_t i = 0; i < order.size() && zip.ok(); ++i) {
      const Part& part = parts_[order[i]];
      const std::string dimension =
          part.has_cells ? Range(part.first_row, part.first_col, part.last_row, part.last_col)
                         : std::string("A1");
      zip.AddDeflated("xl/worksheets/sheet" + std::to_string(i + 1) + ".xml",
                      SheetHeadXml(dimension, i == 0, part.frozen, part.widths),
                      deflater_->Pieces(order[i]), *scratch_, SheetTailXml(part.filter));
    }
    if (zip.Close()) return true;
    Reason(zip.ErrorText());
    return false;
  }

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
    std::vector<std::size_t> parts;  // in parts_, in order; the last is being filled
    bool open = false;               // its last part still takes rows
    std::uint32_t next_row = 0;
    std::vector<std::size_t> longest;  // per column, characters of the part's longest text
  };
  // One sheet of the archive: a sheet or one of its continuations.
  struct Part {
    std::string name;  // UTF-8
    bool frozen = false;
    std::string xml;  // rows not yet handed to the workers
    std::vector<std::size_t> widths;
    std::string filter;
    bool has_cells = false;
    std::uint32_t first_row = 0, first_col = 0, last_row = 0, last_col = 0;
    void Holds(std::uint32_t row, std::uint32_t col) {
      if (!has_cells) {
        first_row = last_row = row;
        first_col = last_col = col;
        has_cells = true;
        return;
      }
      first_row = std::min(first_row, row);
      last_row = std::max(last_row, row);
      first_col = std::min(first_col, col);
      last_col = std::max(last_col, col);
    }
  };

  // A UTF-8 copy of `text`.
  static std::string Text(std::string_view text, Texts texts) {
    return texts == Texts::kUtf8 ? ValidUtf8(text) : engine::Win1252ToUtf8(text);
  }

  // The same, as a cell holds it (Escaped()): cut with "…" when longer than a cell holds; valid
  // until the next call and while `text` lives.
  std::string_view CellText(std::string_view text, Texts texts) {
    // Most cells are ASCII, hold no NUL nor "_x" and fit: they go as they are, uncopied.
    if (text.size() <= kMaxCellCharacters && PlainAscii(text)) return text;
    text_ = Text(text, texts);
    if (text_.size() <= kMaxCellCharacters &&
        text_.find(std::string_view("\0", 1)) == std::string::npos &&
        text_.find("_x") == std::string::npos) {
      return text_;
    }
    const std::string utf8 = std::move(text_);
    bool cut = false;
    text_ = Escaped(utf8, kMaxCellCharacters, &cut);
    if (cut) {
      text_ = Escaped(utf8, kMaxCellCharacters - 1, &cut);
      text_ += kCutMark;
      ++cut_;
    }
    return text_;
  }

  // Whether `text` is ASCII without a NUL or an "_x" that a reader could take for an escape.
  static bool PlainAscii(std::string_view text) {
    unsigned char seen = 0;
    bool escape = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const auto c = static_cast<unsigned char>(text[i]);
      seen |= c;
      escape = escape || c == 0 || (c == '_' && i + 1 < text.size() && text[i + 1] == 'x');
    }
    return seen < 0x80 && !escape;
  }

  // The style of a cell filled with `rgb`: one per colour.
  unsigned Filled(std::uint32_t rgb) {
    auto it = std::find(fills_.begin(), fills_.end(), rgb);
    if (it == fills_.end()) it = fills_.insert(fills_.end(), rgb);
    return kFirstFillStyle + static_cast<unsigned>(it - fills_.begin());
  }

  void Reason(const std::string& reason) {
    failed_ = true;
    messages_ = messages_.empty() ? reason : messages_ + "; " + reason;
  }

  // "os arquivos temporários da planilha em FOLDER não puderam ser gravados: WHY".
  std::string ScratchFailure(const std::string& why) const {
    return "os arquivos temporários da planilha em " + scratch_folder_ +
           " não puderam ser gravados" + (why.empty() ? std::string() : ": " + why);
  }

  void HandOver(std::size_t part) {
    deflater_->Add(part, std::move(parts_[part].xml));
    parts_[part].xml = deflater_->Buffer();
    parts_[part].xml.reserve(kPieceBytes + kPieceBytes / 8);
  }

  // The part's columns as wide as its texts need; the filter spans the rows it got.
  void ClosePart(Sheet& sheet) {
    if (!sheet.open) return;
    sheet.open = false;
    Part& part = parts_[sheet.parts.back()];
    const std::size_t columns = std::max(sheet.columns.size(), sheet.longest.size());
    part.widths.assign(columns, 0);
    for (std::size_t c = 0; c < columns; ++c) {
      const Column declared = c < sheet.columns.size() ? sheet.columns[c] : Column{};
      std::size_t width = std::max(declared.width, c < sheet.longest.size() ? sheet.longest[c] : 0);
      if (!declared.whole) width = std::min(width, kMaxColumnWidth);
      part.widths[c] = width;  // 0: nothing in it, the default width
    }
    if (!sheet.plain) {
      const std::uint32_t last = sheet.next_row > 1 ? sheet.next_row - 1 : 1;
      const auto last_col =
          static_cast<std::uint32_t>(std::max<std::size_t>(sheet.columns.size(), 1) - 1);
      part.filter = Range(0, 0, last, last_col);
    }
    HandOver(sheet.parts.back());
  }

  void NewPart(Sheet& sheet) {
    ClosePart(sheet);
    const std::size_t number = sheet.parts.size() + 1;
    std::string name = sheet.name;
    if (number > 1) name += " (" + std::to_string(number) + ")";
    Part& part = parts_.emplace_back();
    part.name = Text(name, sheet.texts);
    part.frozen = !sheet.plain;
    part.xml.reserve(kPieceBytes + kPieceBytes / 8);
    sheet.parts.push_back(parts_.size() - 1);
    sheet.open = true;
    sheet.next_row = sheet.plain ? 0 : 1;
    sheet.longest.assign(sheet.columns.size(), 0);
    if (sheet.plain || sheet.columns.empty()) return;
    RowNumber(0, &row_);
    AppendRowStart(part.xml, row_);
    for (std::size_t c = 0; c < sheet.columns.size(); ++c) {
      // The bold header needs room beside it for its filter button.
      const std::string& header = sheet.columns[c].name;
      sheet.longest[c] = Characters(header, sheet.texts) + kFilterButton;
      if (header.empty()) continue;
      AppendTextCell(part.xml, row_, static_cast<std::uint32_t>(c), CellText(header, sheet.texts),
                     kBoldStyle);
      part.Holds(0, static_cast<std::uint32_t>(c));
    }
    AppendRowEnd(part.xml);
  }

  // Why a workbook's path cannot be handed to the archive writer.
  static constexpr std::string_view kUnnamed =
      "o caminho tem caracteres que a biblioteca de planilhas não consegue abrir";

  std::uint32_t rows_per_sheet_;
  std::optional<std::string> narrow_path_;
  std::string scratch_folder_;
  std::optional<platform::ExclusiveFile> scratch_;  // the parts' compressed pieces
  std::optional<PieceDeflater> deflater_;
  std::string messages_;
  std::vector<std::uint32_t> fills_;  // by colour, in the order first used
  std::vector<Sheet> sheets_;
  std::vector<Part> parts_;  // in the order made
  std::string text_;
  std::string digits_;
  std::string row_;  // the digits of the row being written
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
