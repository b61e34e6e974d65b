#include "frontend/filter_boxes.h"

#include "engine/text.h"
#include "frontend/panel_texts.h"

namespace frontend {
namespace {

constexpr FilterColumn kColumns[FilterBoxes::kBoxes] = {
    FilterColumn::kArquivo, FilterColumn::kCampo, FilterColumn::kVerificacao};

std::string& ValueOf(FailureFilter& filter, FilterColumn column) {
  switch (column) {
    case FilterColumn::kArquivo:
      return filter.arquivo;
    case FilterColumn::kCampo:
      return filter.campo;
    case FilterColumn::kVerificacao:
      break;
  }
  return filter.verificacao;
}

}  // namespace

void FilterBoxes::Reset() {
  filter_ = {};
  boxes_ = {};
}

void FilterBoxes::Choose(const std::array<int, kBoxes>& chosen, std::string_view apolice_utf8) {
  for (std::size_t b = 0; b < kBoxes; ++b) {
    const std::vector<Entry>& entries = boxes_[b].entries;
    const auto at = static_cast<std::size_t>(chosen[b]);
    ValueOf(filter_, kColumns[b]) = chosen[b] >= 0 && at < entries.size() ? entries[at].value : "";
  }
  filter_.apolice = engine::Utf8ToWin1252(apolice_utf8);
}

const std::array<FilterBoxes::Box, FilterBoxes::kBoxes>& FilterBoxes::Refill(
    const FailureKeys& keys) {
  for (std::size_t b = 0; b < kBoxes; ++b) {
    const std::vector<FilterChoice> choices = Choices(keys, filter_, kColumns[b]);
    const std::string& chosen = ValueOf(filter_, kColumns[b]);
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
