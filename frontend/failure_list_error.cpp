#include "frontend/failure_list_error.h"

#include "engine/text.h"
#include "frontend/message_text.h"

namespace frontend {

void ThrowCannotRead(const std::string& path) {
  throw FailureListError(engine::Ansi("Não foi possível ler a lista de falhas ") +
                         PathInMessage(path));
}

void ThrowMissingColumn(const std::string& path, const std::string& name) {
  throw FailureListError(PathInMessage(path) +
                         engine::Ansi(" não é uma lista de falhas (falta a coluna ") + name + ")");
}

void ThrowRowTooLong(const std::string& path, std::uint64_t row, std::uint64_t limit) {
  throw FailureListError("A linha " + std::to_string(row) + " da lista de falhas " +
                         PathInMessage(path) + " passa de " + std::to_string(limit) + " bytes");
}

void ThrowTooManyRows(const std::string& path) {
  throw FailureListError("A lista de falhas " + PathInMessage(path) + " tem linhas demais");
}

void ThrowChanged(const std::string& path) {
  throw FailureListError("A lista de falhas " + PathInMessage(path) +
                         engine::Ansi(" foi alterada durante a leitura"));
}

}  // namespace frontend
