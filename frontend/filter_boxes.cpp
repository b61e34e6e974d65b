#include "frontend/filter_boxes.h"

#include <utility>

#include "engine/text.h"
#include "frontend/panel_texts.h"

namespace frontend {
namespace {

// Each box's column and the filter's value it chooses.
struct BoxColumn {
  FilterColumn column;
  std::string FailureFilter::*value;
};
constexpr BoxColumn kColumns[FilterBoxes::kBoxes] = {
    {FilterColumn::kArquivo, &FailureFilter::arquivo},
    {FilterColumn::kCampo, &FailureFilter::campo},
    {FilterColumn::kVerificacao, &FailureFilter::verificacao}};

}  // namespace

void FilterBoxes::Reset() {
  filter_ = {};
  boxes_ = {};
  searched_for_.clear();
  searched_novas_ = false;
  searched_rows_.clear();
}

void FilterBoxes::Searched(const FailureFilter& filter, const FilterAnswer& answer) {
  searched_for_ = filter.apolice;
  searched_novas_ = filter.so_novas;
  searched_rows_ = answer.searched_group_rows;
}

void FilterBoxes::Choose(const std::array<int, kBoxes>& chosen, std::string_view apolice_utf8,
                         bool so_novas) {
  for (std::size_t b = 0; b < kBoxes; ++b) {
    const std::vector<Entry>& entries = boxes_[b].entries;
    const auto at = static_cast<std::size_t>(chosen[b]);
    filter_.*kColumns[b].value = chosen[b] >= 0 && at < entries.size() ? entries[at].value : "";
  }
  filter_.apolice = engine::Utf8ToWin1252(apolice_utf8);
  filter_.so_novas = so_novas;
}

const std::array<FilterBoxes::Box, FilterBoxes::kBoxes>& FilterBoxes::Refill(
    const FailureKeys& keys) {
  for (std::size_t b = 0; b < kBoxes; ++b) {
    // Counts of another search, or of one whose pass has not answered yet, would mislead: all
    // rows are counted until the pass of this one answers.
    const bool searched = !searched_rows_.empty() && searched_for_ == filter_.apolice &&
                          searched_novas_ == filter_.so_novas &&
                          searched_rows_.size() == keys.groups().size();
    const std::vector<FilterChoice> choices =
        Choices(keys, filter_, kColumns[b].column, searched ? &searched_rows_ : nullptr);
    const std::string& chosen = filter_.*kColumns[b].value;
    Box box;
    std::size_t all = 0;
    for (const FilterChoice& choice : choices) all += choice.rows;
    box.entries.push_back({ChoiceText({}, all), std::string()});
    for (const FilterChoice& choice : choices) {
      box.entries.push_back({ChoiceText(choice.value, choice.rows), choice.value});
      if (choice.value == chosen) box.selected = static_cast<int>(box.entries.size()) - 1;
    }
    boxes_[b] = std::move(box);
  }
  return boxes_;
}

}  // namespace frontend
