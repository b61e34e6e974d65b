#pragma once
// The few columns of the failure list that the panel filters and searches on, kept per row in a
// compact form so that filtering never reads the file: the (arquivo, campo, verificacao) triple
// as a small group id (a run has a few hundred such groups), the record number, and the policy
// number as an id into a pool of texts where neighbouring rows of one record share one entry.
// About 12 bytes per row plus the pool (1.75 million rows: about 21 MB and the policy texts), and
// beside an earlier run of the company one bit per row: whether the failure is new.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace frontend {

struct FailureGroup {
  std::string arquivo;
  std::string campo;
  std::string verificacao;
  std::size_t rows = 0;  // rows of the list in this group
};

class FailureKeys {
 public:
  // One row, in file order. `registro` is the list's text: a record number or empty.
  // `nova`: the row is marked new (kept only once MarkNew() was told).
  void Add(std::string_view arquivo, std::string_view campo, std::string_view verificacao,
           std::string_view registro, std::string_view apolice, bool nova = false);
  // Before the first row: the list marks its rows new or kept.
  void MarkNew() { marks_new_ = true; }
  bool marks_new() const { return marks_new_; }
  // Whether the row's failure is new against the earlier run; false in a list without marks.
  bool nova(std::size_t row) const { return marks_new_ && nova_[row]; }
  // Gives back the memory reserved for further rows.
  void Finish();
  // Room for `rows` rows in all, so that a large list grows without copies.
  void Reserve(std::size_t rows);

  std::size_t size() const { return group_of_.size(); }
  const std::vector<FailureGroup>& groups() const { return groups_; }
  std::uint32_t group(std::size_t row) const { return group_of_[row]; }
  // The physical record number the row names; 0 for a row that names none (structure and cap
  // rows, or a text that is not a number).
  std::uint32_t record(std::size_t row) const { return record_of_[row]; }

  // The policy texts: entry(row) indexes the pool of entry_count() texts.
  std::uint32_t entry(std::size_t row) const { return entry_of_[row]; }
  std::size_t entry_count() const { return entry_start_.size() - 1; }
  std::string_view entry_text(std::size_t entry) const {
    return std::string_view(pool_).substr(entry_start_[entry],
                                          entry_start_[entry + 1] - entry_start_[entry]);
  }
  std::string_view apolice(std::size_t row) const { return entry_text(entry(row)); }

  std::size_t MemoryBytes() const;

 private:
  std::vector<FailureGroup> groups_;
  std::unordered_map<std::string, std::uint32_t> group_ids_;
  std::string key_;  // reused for the group look-ups
  std::vector<std::uint32_t> group_of_;
  std::vector<std::uint32_t> record_of_;
  std::vector<std::uint32_t> entry_of_;
  std::string pool_;
  std::vector<std::uint64_t> entry_start_{0};
  bool marks_new_ = false;
  std::vector<bool> nova_;  // a bit per row, only when marks_new_
};

}  // namespace frontend
