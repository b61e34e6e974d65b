#include "history/history_schema.h"

#include <string>

namespace history {
namespace {

// Version 1. The failures of a run are kept per group, their identities in one blob
// (history/failure_identities.h), never one row per failure: a file may have millions.
constexpr const char* kVersion1 = R"sql(
CREATE TABLE runs (
  id INTEGER PRIMARY KEY,
  inicio TEXT NOT NULL,
  versao TEXT NOT NULL,
  catalogo TEXT NOT NULL,
  empresa TEXT NOT NULL,
  empresa_nome TEXT,
  periodo_inicio TEXT,
  periodo_fim TEXT,
  resultado TEXT NOT NULL,
  erro TEXT,
  sem_apolice INTEGER,
  sinistros INTEGER,
  vigencia_invertida INTEGER,
  falhas INTEGER NOT NULL,
  anterior INTEGER,
  corrigidas INTEGER,
  novas INTEGER,
  mantidas INTEGER
);
CREATE INDEX runs_by_company ON runs (empresa, id);
CREATE TABLE entradas (
  run INTEGER NOT NULL REFERENCES runs (id) ON DELETE CASCADE,
  arquivo TEXT NOT NULL,
  caminho TEXT NOT NULL,
  tamanho INTEGER,
  modificado INTEGER
);
CREATE INDEX entradas_by_run ON entradas (run);
CREATE TABLE tabelas (
  run INTEGER NOT NULL REFERENCES runs (id) ON DELETE CASCADE,
  tabela INTEGER NOT NULL,
  nome TEXT NOT NULL,
  caminho TEXT NOT NULL,
  situacao TEXT NOT NULL,
  registros INTEGER NOT NULL,
  registros_com_falha INTEGER NOT NULL
);
CREATE INDEX tabelas_by_run ON tabelas (run);
CREATE TABLE campos (
  run INTEGER NOT NULL REFERENCES runs (id) ON DELETE CASCADE,
  tabela INTEGER NOT NULL,
  ordem INTEGER NOT NULL,
  campo TEXT NOT NULL,
  erro_nulo INTEGER NOT NULL,
  erro_dom INTEGER NOT NULL
);
CREATE INDEX campos_by_run ON campos (run);
CREATE TABLE veredito (
  run INTEGER NOT NULL REFERENCES runs (id) ON DELETE CASCADE,
  lista TEXT NOT NULL,
  tipo TEXT NOT NULL,
  texto TEXT NOT NULL
);
CREATE INDEX veredito_by_run ON veredito (run);
CREATE TABLE conciliacao (
  run INTEGER NOT NULL REFERENCES runs (id) ON DELETE CASCADE,
  secao INTEGER NOT NULL,
  titulo TEXT NOT NULL,
  ramo TEXT NOT NULL,
  valor_kov REAL NOT NULL,
  valor_arquivo REAL NOT NULL,
  diferenca REAL
);
CREATE INDEX conciliacao_by_run ON conciliacao (run);
CREATE TABLE falhas (
  run INTEGER NOT NULL REFERENCES runs (id) ON DELETE CASCADE,
  arquivo TEXT NOT NULL,
  campo TEXT NOT NULL,
  verificacao TEXT NOT NULL,
  quantidade INTEGER NOT NULL,
  identidades BLOB NOT NULL
);
CREATE INDEX falhas_by_run ON falhas (run);
)sql";

// The steps, the one at index i bringing a database of version i to version i + 1.
constexpr const char* kSteps[] = {kVersion1};
static_assert(sizeof kSteps / sizeof kSteps[0] == kSchemaVersion, "one step per version");

}  // namespace

int SchemaVersion(const Connection& db) {
  Statement version(db, "PRAGMA user_version");
  return version.Step() ? static_cast<int>(version.Int(0)) : 0;
}

void PrepareSchema(Connection& db) {
  if (SchemaVersion(db) == kSchemaVersion) return;
  // Two programs opening a new history at once: the second finds the first's tables here.
  Transaction transaction(db);
  int version = SchemaVersion(db);
  if (version > kSchemaVersion) {
    throw HistoryError("the history was written by a newer version of the program (schema " +
                       std::to_string(version) + ")");
  }
  for (; version < kSchemaVersion; ++version) {
    db.Exec(kSteps[version]);
    db.Exec(("PRAGMA user_version = " + std::to_string(version + 1)).c_str());
  }
  transaction.Commit();
}

}  // namespace history
