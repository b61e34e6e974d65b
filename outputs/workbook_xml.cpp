#include "outputs/workbook_xml.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "outputs/sheet_xml.h"

namespace outputs {
namespace {

constexpr std::string_view kDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr std::string_view kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view kOfficeRelations =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view kContentType = "application/vnd.openxmlformats-officedocument.";

std::string Escaped(std::string_view text) {
  std::string out;
  AppendXmlText(out, text);
  return out;
}

// A sheet's name as a formula names it: quoted unless letters, digits and "_" alone.
std::string FormulaSheetName(const std::string& name) {
  bool plain = !name.empty() && !(name[0] >= '0' && name[0] <= '9');
  for (const char c : name) {
    plain = plain && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '_');
  }
  if (plain) return name;
  std::string quoted = "'";
  for (const char c : name) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

// "A1:L20" as a formula's fixed range: "$A$1:$L$20".
std::string FixedRange(const std::string& range) {
  std::string out;
  bool letters = false;
  for (const char c : range) {
    const bool letter = c >= 'A' && c <= 'Z';
    if (letter && !letters) out += '$';
    if (c >= '0' && c <= '9' && letters) out += '$';
    letters = letter;
    out += c;
  }
  return out;
}

// A width in characters as the format stores it: rounded to whole pixels of the default font
// (7 a digit, 5 of padding), in 256ths of a character.
std::string StoredWidth(std::size_t characters) {
  const auto pixels = static_cast<unsigned>(static_cast<double>(characters) * 7.0 + 0.5) + 5;
  const double width = static_cast<double>(static_cast<unsigned>(pixels / 7.0 * 256.0)) / 256.0;
  return NumberDigits(width);
}

}  // namespace

std::string ContentTypesXml(std::size_t sheets) {
  std::string xml(kDeclaration);
  xml += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">";
  xml +=
      "<Default Extension=\"rels\" "
      "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
  xml += "<Override PartName=\"/xl/workbook.xml\" ContentType=\"";
  xml += kContentType;
  xml += "spreadsheetml.sheet.main+xml\"/>";
  xml += "<Override PartName=\"/xl/styles.xml\" ContentType=\"";
  xml += kContentType;
  xml += "spreadsheetml.styles+xml\"/>";
  for (std::size_t i = 1; i <= sheets; ++i) {
    xml +=
        "<Override PartName=\"/xl/worksheets/sheet" + std::to_string(i) + ".xml\" ContentType=\"";
    xml += kContentType;
    xml += "spreadsheetml.worksheet+xml\"/>";
  }
  return xml + "</Types>";
}

std::string PackageRelationsXml() {
  std::string xml(kDeclaration);
  xml += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  xml += "<Relationship Id=\"rId1\" Type=\"";
  xml += kOfficeRelations;
  xml += "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
  return xml;
}

std::string WorkbookRelationsXml(std::size_t sheets) {
  std::string xml(kDeclaration);
  xml += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  for (std::size_t i = 1; i <= sheets + 1; ++i) {
    const bool styles = i > sheets;
    xml += "<Relationship Id=\"rId" + std::to_string(i) + "\" Type=\"";
    xml += kOfficeRelations;
    xml += styles ? "/styles\" Target=\"styles.xml\"/>"
                  : "/worksheet\" Target=\"worksheets/sheet" + std::to_string(i) + ".xml\"/>";
  }
  return xml + "</Relationships>";
}

std::string WorkbookXml(const std::vector<ListedSheet>& sheets) {
  std::string xml(kDeclaration);
  xml += "<workbook xmlns=\"";
  xml += kMain;
  xml += "\" xmlns:r=\"";
  xml += kOfficeRelations;
  xml += "\"><workbookPr/><bookViews><workbookView/></bookViews><sheets>";
  std::string names;
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    xml += "<sheet name=\"" + Escaped(sheets[i].name) + "\" sheetId=\"" + n + "\" r:id=\"rId" + n +
           "\"/>";
    if (sheets[i].filter.empty()) continue;
    // The range a filter covers, by the name the format gives it.
    names += "<definedName name=\"_xlnm._FilterDatabase\" localSheetId=\"" + std::to_string(i) +
             "\" hidden=\"1\">" +
             Escaped(FormulaSheetName(sheets[i].name) + "!" + FixedRange(sheets[i].filter)) +
             "</definedName>";
  }
  xml += "</sheets>";
  if (!names.empty()) xml += "<definedNames>" + names + "</definedNames>";
  return xml + "<calcPr calcId=\"124519\" fullCalcOnLoad=\"1\"/></workbook>";
}

std::string StylesXml(const std::vector<std::uint32_t>& fills) {
  constexpr std::string_view kFont = "<sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/>";
  std::string xml(kDeclaration);
  xml += "<styleSheet xmlns=\"";
  xml += kMain;
  xml += "\">";
  xml += "<fonts count=\"3\"><font>";
  xml += kFont;
  xml += "</font><font><b/>";
  xml += kFont;
  xml += "</font><font><b/><sz val=\"11\"/><color rgb=\"FFFFFFFF\"/><name val=\"Calibri\"/>";
  xml += "<family val=\"2\"/></font></fonts>";
  xml += "<fills count=\"" + std::to_string(fills.size() + 2) + "\">";
  xml += "<fill><patternFill patternType=\"none\"/></fill>";
  xml += "<fill><patternFill patternType=\"gray125\"/></fill>";
  for (const std::uint32_t rgb : fills) {
    std::array<char, 9> hex{};
    std::snprintf(hex.data(), hex.size(), "FF%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
    xml += "<fill><patternFill patternType=\"solid\"><fgColor rgb=\"";
    xml += hex.data();
    xml += "\"/><bgColor indexed=\"64\"/></patternFill></fill>";
  }
  xml += "</fills><borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border>";
  xml += "</borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" ";
  xml += "borderId=\"0\"/></cellStyleXfs>";
  xml += "<cellXfs count=\"" + std::to_string(fills.size() + 2) + "\">";
  xml += "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>";
  xml += "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>";
  for (std::size_t i = 0; i < fills.size(); ++i) {
    xml += "<xf numFmtId=\"0\" fontId=\"2\" fillId=\"" + std::to_string(i + 2) +
           "\" borderId=\"0\" xfId=\"0\" applyFont=\"1\" applyFill=\"1\"/>";
  }
  xml += "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" ";
  xml += "builtinId=\"0\"/></cellStyles><dxfs count=\"0\"/></styleSheet>";
  return xml;
}

std::string SheetHeadXml(const std::string& dimension, bool first, bool frozen,
                         const std::vector<std::size_t>& widths) {
  std::string xml(kDeclaration);
  xml += "<worksheet xmlns=\"";
  xml += kMain;
  xml += "\" xmlns:r=\"";
  xml += kOfficeRelations;
  xml += "\"><dimension ref=\"" + dimension + "\"/><sheetViews><sheetView";
  if (first) xml += " tabSelected=\"1\"";
  xml += " workbookViewId=\"0\"";
  if (frozen) {
    xml +=
        "><pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>"
        "<selection pane=\"bottomLeft\"/></sheetView>";
  } else {
    xml += "/>";
  }
  xml += "</sheetViews><sheetFormatPr defaultRowHeight=\"15\"/>";
  std::string cols;
  for (std::size_t c = 0; c < widths.size(); ++c) {
    if (widths[c] == 0) continue;
    const std::string n = std::to_string(c + 1);
    cols += "<col min=\"" + n + "\" max=\"" + n + "\" width=\"" + StoredWidth(widths[c]) +
            "\" customWidth=\"1\"/>";
  }
  if (!cols.empty()) xml += "<cols>" + cols + "</cols>";
  return xml + "<sheetData>";
}

std::string SheetTailXml(const std::string& filter) {
  std::string xml = "</sheetData>";
  if (!filter.empty()) xml += "<autoFilter ref=\"" + filter + "\"/>";
  return xml +
         "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
         "footer=\"0.3\"/></worksheet>";
}

}  // namespace outputs
