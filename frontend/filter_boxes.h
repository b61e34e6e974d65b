#pragma once
// The findings panel's filter as its controls make it, the same in both windows: three boxes
// (file, field, check) whose entries narrow as the others are chosen, each entry with its number
// of rows, and the policy search. The window shows the entries Refill() gives and hands back the
// positions chosen and the search text.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/failure_filter.h"
#include "frontend/failure_keys.h"

namespace frontend {

class FilterBoxes {
 public:
  // The boxes in this order: arquivo, campo, verificacao.
  static constexpr std::size_t kBoxes = 3;

  struct Entry {
    std::string text;   // ChoiceText: "VALUE (N)", the first entry "(todos) (N)"; UTF-8
    std::string value;  // the list's bytes; empty for the first entry
  };
  struct Box {
    std::vector<Entry> entries;
    int selected = 0;  // the entry of the value chosen; 0 when that value is not listed
  };

  // Nothing chosen, nothing searched, no entries: a list being read, or just read.
  void Reset();
  // The filter becomes the entries chosen (positions in each box's entries as the last Refill()
  // gave them; a position out of range, such as -1 for a box without a choice, keeps every
  // value) and the search box's text (UTF-8).
  // `so_novas`: the check box "Só as novas".
  void Choose(const std::array<int, kBoxes>& chosen, std::string_view apolice_utf8,
              bool so_novas = false);
  // A pass's answer for the search (and "Só as novas") it was made with: while they are the
  // filter's, the boxes count only the rows they keep.
  void Searched(const FailureFilter& filter, const FilterAnswer& answer);
  // Each box's entries among the rows that the other two boxes' choices keep (and the search,
  // once its pass answered), in byte order, "(todos)" first with the sum of the others.
  const std::array<Box, kBoxes>& Refill(const FailureKeys& keys);
  const FailureFilter& filter() const { return filter_; }

 private:
  FailureFilter filter_;
  std::array<Box, kBoxes> boxes_;
  std::string searched_for_;                // the search searched_rows_ counts for
  bool searched_novas_ = false;             // and whether it kept only the new rows
  std::vector<std::size_t> searched_rows_;  // FilterAnswer::searched_group_rows
};

}  // namespace frontend
