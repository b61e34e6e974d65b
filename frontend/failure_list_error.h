#pragma once
// The errors of reading a failure list, with the texts the panel shows (Windows-1252 bytes, as
// every text of the program; the windows convert them at the edge).

#include <cstdint>
#include <stdexcept>
#include <string>

namespace frontend {

class FailureListError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A reading stopped because its caller no longer wanted it; not an error to show.
class FailureListCancelled : public std::exception {
 public:
  const char* what() const noexcept override { return "cancelled"; }
};

// "Não foi possível ler a lista de falhas PATH"
[[noreturn]] void ThrowCannotRead(const std::string& path);
// "PATH não é uma lista de falhas (falta a coluna NAME)"
[[noreturn]] void ThrowMissingColumn(const std::string& path, const std::string& name);
// "A linha N da lista de falhas PATH passa de LIMIT bytes"
[[noreturn]] void ThrowRowTooLong(const std::string& path, std::uint64_t row, std::uint64_t limit);
// "A lista de falhas PATH tem linhas demais"
[[noreturn]] void ThrowTooManyRows(const std::string& path);
// "A lista de falhas PATH foi alterada durante a leitura"
[[noreturn]] void ThrowChanged(const std::string& path);

}  // namespace frontend
