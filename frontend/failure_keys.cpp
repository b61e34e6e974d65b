#include "frontend/failure_keys.h"

#include <charconv>

namespace frontend {
namespace {

std::uint32_t RecordNumber(std::string_view text) {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

}  // namespace

void FailureKeys::Add(std::string_view arquivo, std::string_view campo,
                      std::string_view verificacao, std::string_view registro,
                      std::string_view apolice, bool nova) {
  // The three texts cannot hold NUL in a failure list that the engine wrote, and any other
  // file only risks two groups sharing a key, never a wrong read.
  key_.assign(arquivo);
  key_ += '\0';
  key_ += campo;
  key_ += '\0';
  key_ += verificacao;
  auto it = group_ids_.find(key_);
  if (it == group_ids_.end()) {
    const auto id = static_cast<std::uint32_t>(groups_.size());
    groups_.push_back({std::string(arquivo), std::string(campo), std::string(verificacao), 0});
    it = group_ids_.emplace(key_, id).first;
  }
  ++groups_[it->second].rows;
  group_of_.push_back(it->second);
  record_of_.push_back(RecordNumber(registro));
  if (marks_new_) nova_.push_back(nova);

  // The rows of one record follow each other, so comparing with the last entry shares most.
  const std::size_t last = entry_start_.size() - 1;
  if (last == 0 || entry_text(last - 1) != apolice) {
    pool_.append(apolice);
    entry_start_.push_back(pool_.size());
  }
  entry_of_.push_back(static_cast<std::uint32_t>(entry_start_.size() - 2));
}

void FailureKeys::Reserve(std::size_t rows) {
  group_of_.reserve(rows);
  record_of_.reserve(rows);
  entry_of_.reserve(rows);
  if (marks_new_) nova_.reserve(rows);
}

void FailureKeys::Finish() {
  group_of_.shrink_to_fit();
  record_of_.shrink_to_fit();
  entry_of_.shrink_to_fit();
  nova_.shrink_to_fit();
  pool_.shrink_to_fit();
  entry_start_.shrink_to_fit();
}

std::size_t FailureKeys::MemoryBytes() const {
  std::size_t groups = 0;
  for (const FailureGroup& g : groups_) {
    groups += sizeof g + g.arquivo.capacity() + g.campo.capacity() + g.verificacao.capacity();
  }
  return groups * 2 + (group_of_.capacity() + record_of_.capacity() + entry_of_.capacity()) * 4 +
         pool_.capacity() + entry_start_.capacity() * 8 + nova_.capacity() / 8;
}

}  // namespace frontend
