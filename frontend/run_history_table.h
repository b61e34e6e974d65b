#pragma once
// What the log menu's "Histórico de críticas..." dialog shows, the same in both windows: the
// runs of the company of the window's last run (every run when there was none), newest first,
// one row of texts each. Texts are UTF-8.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "frontend/window_texts.h"
#include "history/history_db.h"

namespace frontend {

struct RunHistoryTable {
  static constexpr std::size_t kColumns = 7;
  static constexpr std::array<const char*, kColumns> kHeaders = {
      "Data", "Arquivos", "Resultado", "Registros", "Falhas", "Corrigidas", "Novas"};
  std::string title;  // "Histórico de críticas da empresa 12345" or "... de todas as empresas"
  std::vector<std::array<std::string, kColumns>> rows;
};

// `empresa`: the code the runs were read for (empty: every company).
RunHistoryTable RunHistoryRows(const std::string& empresa,
                               const std::vector<history::StoredRun>& runs);

// The question asked before "Apagar o histórico" deletes the runs listed.
std::string DeleteHistoryQuestion(const std::string& empresa, std::size_t runs);
// What the box tells once they are deleted.
std::string DeletedHistoryText(std::int64_t runs);

}  // namespace frontend
