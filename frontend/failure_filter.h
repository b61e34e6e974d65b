#pragma once
// Which rows of a failure list the panel shows: filters by file, field and check, and a search
// by policy number. Works on the keys held in memory (failure_keys.h), never on the file, so a
// pass over 1.75 million rows takes milliseconds.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "frontend/failure_keys.h"

namespace frontend {

struct FailureFilter {
  std::string arquivo;      // exact value; empty: every file
  std::string campo;        // exact value; empty: every field
  std::string verificacao;  // exact value; empty: every check
  // Part of the policy number, found anywhere in the row's apolice (so "999001" finds
  // "00000000000000999001"); blanks around it ignored, letters compared without regard to case.
  // Empty: every row. A list without the apolice column has no row with a policy number.
  std::string apolice;
  // Only the rows marked new against the company's earlier run ("Só as novas"); in a list
  // without the marks, no row.
  bool so_novas = false;
};

// What a pass of the filter found.
struct FilterAnswer {
  std::vector<std::uint32_t> rows;  // the numbers of the rows the filter keeps, ascending
  // With a policy search or "Só as novas": for each group of keys.groups(), its rows that they
  // keep, the boxes aside (what the boxes count then). Empty without either.
  std::vector<std::size_t> searched_group_rows;
};

// `cancelled` is asked now and then; when it answers true the pass stops and the result is
// nullopt.
std::optional<FilterAnswer> MatchRows(const FailureKeys& keys, const FailureFilter& filter,
                                      const std::function<bool()>& cancelled = {});

enum class FilterColumn { kArquivo, kCampo, kVerificacao };

struct FilterChoice {
  std::string value;
  std::size_t rows = 0;
};

// The values of `column` present among the rows that the filter's other two columns keep, in
// byte order, each with its number of rows: the entries of a combo box that narrows as the others
// are chosen. The rows are counted by `group_rows` when given (a search's
// FilterAnswer::searched_group_rows; a value none of whose rows it keeps is left out), else all.
std::vector<FilterChoice> Choices(const FailureKeys& keys, const FailureFilter& filter,
                                  FilterColumn column,
                                  const std::vector<std::size_t>* group_rows = nullptr);

}  // namespace frontend
