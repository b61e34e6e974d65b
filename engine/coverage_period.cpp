#include "engine/coverage_period.h"

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
