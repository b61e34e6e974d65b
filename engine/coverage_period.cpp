#include "engine/coverage_period.h"

#include "engine/field_checks_date.h"
#include "engine/text.h"
#include "tables/dbf_values.h"
#include "tables/table_error.h"

namespace engine {

namespace {

constexpr std::string_view kFirstDay = "01";
// Day 31 whatever the month: as text it is not below any real day of that month.
constexpr std::string_view kLastDay = "31";
constexpr std::string_view kBannerStars = "***********";

}  // namespace

CoveragePeriod PeriodBounds(std::string_view inivig, std::string_view fimvig) {
  CoveragePeriod period;
  period.start = std::string(TrimmedRight(inivig)) + std::string(kFirstDay);
  period.end = std::string(TrimmedRight(fimvig)) + std::string(kLastDay);
  return period;
}

InvertedKind InvertedKindOf(DateText fim_vig) {
  if (!fim_vig) return InvertedKind::kWithoutEnd;
  const std::string_view text = *fim_vig;
  std::size_t end = text.size();
  while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  if (end == 0) return InvertedKind::kWithoutEnd;
  if (end != 8) return InvertedKind::kInvalidEnd;
  int parts[3] = {0, 0, 0};
  constexpr std::size_t kStarts[3] = {0, 4, 6};
  constexpr std::size_t kEnds[3] = {4, 6, 8};
  for (std::size_t p = 0; p < 3; ++p) {
    for (std::size_t i = kStarts[p]; i < kEnds[p]; ++i) {
      if (text[i] < '0' || text[i] > '9') return InvertedKind::kInvalidEnd;
      parts[p] = parts[p] * 10 + (text[i] - '0');
    }
  }
  return IsCalendarDate(parts[0], parts[1], parts[2]) ? InvertedKind::kEndsBeforeStart
                                                      : InvertedKind::kInvalidEnd;
}

void WriteInvertedCoverageBlock(RunHost& host, std::int64_t inverted) {
  if (inverted <= 0) return;
  // The two banners differ by one blank before the closing stars; both are kept as they are.
  std::string banner_open = std::string(kBannerStars);
  banner_open += " ESTE ERRO INVIABILIZA O ACEITE DOS DADOS  ";
  banner_open += kBannerStars;
  std::string banner_close = std::string(kBannerStars);
  banner_close += " ESTE ERRO INVIABILIZA O ACEITE DOS DADOS ";
  banner_close += kBannerStars;

  host.AppendLine(banner_open);
  host.AppendLine("Existem " + std::to_string(inverted) +
                  Ansi(" Riscos com data de fim de vigência anterior ao início"));
  host.AppendLine(banner_close);
  host.AppendLine("");
}

int RequireField(const tables::DbfTable& table, std::string_view name) {
  return RequireField(table, name, table.owner());
}

int RequireField(const tables::DbfTable& table, std::string_view name, std::string_view owner) {
  const int index = table.FieldIndex(name);
  if (index < 0) tables::ThrowFieldNotFound(owner, name);
  return index;
}

TextColumn::TextColumn(const tables::DbfTable& table, std::string_view name)
    : TextColumn(table, RequireField(table, name)) {}

TextColumn::TextColumn(const tables::DbfTable& table, int index)
    : field_(table.Fields(index)),
      path_(table.FileName()),
      is_text_(field_.type == tables::FieldType::kString) {}

DateText TextColumn::Converted(std::string_view bytes) {
  const tables::FieldValue value = tables::DecodeField(field_, bytes);
  if (value.IsNull()) return std::nullopt;
  buffer_ = value.AsString();
  return std::string_view(buffer_);
}

}  // namespace engine
