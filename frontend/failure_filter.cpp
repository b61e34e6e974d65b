#include "frontend/failure_filter.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "engine/text.h"

namespace frontend {
namespace {

constexpr std::size_t kCancelCheckRows = 1 << 16;

char Folded(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool Contains(std::string_view text, std::string_view part) {
  return std::search(text.begin(), text.end(), part.begin(), part.end(),
                     [](char a, char b) { return Folded(a) == b; }) != text.end();
}

bool Keeps(const std::string& wanted, const std::string& value) {
  return wanted.empty() || wanted == value;
}

const std::string& ValueOf(const FailureGroup& group, FilterColumn column) {
  switch (column) {
    case FilterColumn::kArquivo:
      return group.arquivo;
    case FilterColumn::kCampo:
      return group.campo;
    case FilterColumn::kVerificacao:
      break;
  }
  return group.verificacao;
}

}  // namespace

std::optional<FilterAnswer> MatchRows(const FailureKeys& keys, const FailureFilter& filter,
                                      const std::function<bool()>& cancelled) {
  // Decide once per group and once per policy text; the row pass is then two table look-ups.
  std::vector<char> group_kept(keys.groups().size());
  bool any_group = false;
  for (std::size_t g = 0; g < group_kept.size(); ++g) {
    const FailureGroup& group = keys.groups()[g];
    group_kept[g] = Keeps(filter.arquivo, group.arquivo) && Keeps(filter.campo, group.campo) &&
                    Keeps(filter.verificacao, group.verificacao);
    any_group = any_group || group_kept[g];
  }
  FilterAnswer answer;
  std::string part(engine::Trimmed(filter.apolice));
  const bool narrowed = !part.empty() || filter.so_novas;
  // Without a search, a filter that keeps no group keeps no row; with one, the boxes' counts
  // still need every row.
  if (!any_group && !narrowed) return answer;

  std::transform(part.begin(), part.end(), part.begin(), Folded);
  std::vector<char> entry_kept;
  if (!part.empty()) {
    entry_kept.resize(keys.entry_count());
    for (std::size_t e = 0; e < entry_kept.size(); ++e) {
      if (e % kCancelCheckRows == 0 && cancelled && cancelled()) return std::nullopt;
      entry_kept[e] = Contains(keys.entry_text(e), part);
    }
  }
  std::vector<std::uint32_t>& rows = answer.rows;
  if (!narrowed) {
    for (std::size_t row = 0; row < keys.size(); ++row) {
      if (row % kCancelCheckRows == 0 && cancelled && cancelled()) return std::nullopt;
      if (group_kept[keys.group(row)]) rows.push_back(static_cast<std::uint32_t>(row));
    }
    return answer;
  }
  answer.searched_group_rows.assign(keys.groups().size(), 0);
  for (std::size_t row = 0; row < keys.size(); ++row) {
    if (row % kCancelCheckRows == 0 && cancelled && cancelled()) return std::nullopt;
    if (!part.empty() && !entry_kept[keys.entry(row)]) continue;
    if (filter.so_novas && !keys.nova(row)) continue;
    const std::uint32_t group = keys.group(row);
    ++answer.searched_group_rows[group];
    if (group_kept[group]) rows.push_back(static_cast<std::uint32_t>(row));
  }
  return answer;
}

std::vector<FilterChoice> Choices(const FailureKeys& keys, const FailureFilter& filter,
                                  FilterColumn column, const std::vector<std::size_t>* group_rows) {
  std::map<std::string_view, std::size_t> counts;
  for (std::size_t g = 0; g < keys.groups().size(); ++g) {
    const FailureGroup& group = keys.groups()[g];
    const std::size_t rows = group_rows != nullptr ? (*group_rows)[g] : group.rows;
    if (rows == 0) continue;
    const bool kept =
        (column == FilterColumn::kArquivo || Keeps(filter.arquivo, group.arquivo)) &&
        (column == FilterColumn::kCampo || Keeps(filter.campo, group.campo)) &&
        (column == FilterColumn::kVerificacao || Keeps(filter.verificacao, group.verificacao));
    if (kept) counts[ValueOf(group, column)] += rows;
  }
  std::vector<FilterChoice> choices;
  choices.reserve(counts.size());
  for (const auto& [value, rows] : counts) choices.push_back({std::string(value), rows});
  return choices;
}

}  // namespace frontend
