#include "outputs/findings_csv.h"

#include <array>

namespace engine {

FindingsCsv::Rows::Rows(std::ostream& out) : csv_(out) {
  for (const std::string_view name : FindingColumnNames()) csv_.Field(name);
  csv_.EndRow();
}

void FindingsCsv::Rows::Row(FindingFile, const FindingRow& row) {
  csv_.Row(row.data(), row.size());
}

FindingsCsv::FindingsCsv(std::ostream& out, std::int64_t max_per_group)
    : rows_(out), list_(rows_, max_per_group) {}

FindingsCsv::~FindingsCsv() = default;

}  // namespace engine
