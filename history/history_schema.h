#pragma once
// The tables of the history and their version (PRAGMA user_version). A database of an older
// version is brought up to this one step by step, each step in the transaction that sets its
// version; one of a newer version is refused rather than misread.
//
// Texts of the engine (field and company names, reasons) are stored as its Windows-1252 bytes;
// paths and messages as typed. Files are "riscos" or "sinistros", checks by their names in the
// failure list (nulo, tamanho, ...). Every row of a run goes with it when the run is deleted.

#include "history/sqlite_handle.h"

namespace history {

inline constexpr int kSchemaVersion = 1;

// Creates the tables of a new database, or migrates an older one. Throws HistoryError.
void PrepareSchema(Connection& db);

// The database's PRAGMA user_version.
int SchemaVersion(const Connection& db);

}  // namespace history
