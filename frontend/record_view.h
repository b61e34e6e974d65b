#pragma once
// The record behind a row of the failure list: every field of one record of the input file,
// read by its physical number, with the checks it failed. The file is compared first with the
// snapshot taken for the run: a file changed since then is reported, never read, because the
// same number could now be another record.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/failure_file_index.h"
#include "frontend/failure_keys.h"
#include "frontend/file_snapshot.h"

namespace frontend {

// One finding of a record, as the list has it.
struct RecordFailure {
  std::string campo;
  std::string verificacao;
  std::string mensagem;  // the list's sentence; empty when not read
  std::string exigido;   // what the rule requires; empty when the list says nothing
};

// Every row of `arquivo` ("riscos", "sinistros") that names physical record `record`, in list
// order, found in the keys held in memory (no read of the list).
std::vector<RecordFailure> RecordFailures(const FailureKeys& keys, std::string_view arquivo,
                                          std::uint32_t record);
// The same with each row's mensagem and exigido, read from the list through its offset index
// (those rows only). Throws FailureListError when the list can no longer be read.
std::vector<RecordFailure> RecordFailures(const FailureFileIndex& index, std::string_view arquivo,
                                          std::uint32_t record);

struct RecordField {
  std::string name;
  char letter = 0;        // type letter as stored
  std::size_t width = 0;  // bytes the field takes in the record
  int decimals = 0;
  std::string text;                 // the stored bytes
  std::vector<std::string> failed;  // the checks the field failed, in list order; empty: none
  // For each of `failed`, the list's sentence with what the rule requires: "mensagem (exigido:
  // X)", or the check's name alone when the list gave no sentence.
  std::vector<std::string> messages;
};

struct RecordView {
  enum class Status {
    kShown,     // fields holds the record
    kChanged,   // the file changed (or went) since the run: nothing read
    kNoRecord,  // the number names no record of the file (0 or past its end)
    kError,     // the file could not be read as a table
  };
  Status status = Status::kError;
  std::string message;  // for every status but kShown, the text to show (Windows-1252)
  std::uint32_t record = 0;
  bool deleted = false;
  std::vector<RecordField> fields;  // in file order
};

// The position in `view.fields` of the first field that failed; -1 when none did.
int FirstFailingField(const RecordView& view);

// Reads record `record` (from 1, deleted records counted) of `path`, provided the file still
// matches `at_run`. A failure naming several fields ("APOLICE+ITEM") marks each of them.
RecordView ReadRecordView(const std::string& path, std::uint32_t record, const FileSnapshot& at_run,
                          const std::vector<RecordFailure>& failures);

// The two inputs of the run that made the list, each with the snapshot taken for that run.
struct RunFiles {
  struct Input {
    std::string path;
    std::optional<FileSnapshot> snapshot;  // nullopt: the run could not examine the file
  };
  Input riscos;
  Input sinistros;
};

// The record that row `row` of the list names, read from the input its arquivo column names,
// with every failure of that record and its sentence (read from those rows of the list). A row of
// neither input, or one that names no record (a structure row, a cap note), gives kNoRecord.
// REQUIRES: row < index.RowCount().
RecordView RecordOfRow(const FailureFileIndex& index, std::size_t row, const RunFiles& inputs);
// The input a record view of row `row` names in its title: the claims file for a row of it, else
// the risks file. REQUIRES: row < index.RowCount().
const std::string& RecordPathOfRow(const FailureFileIndex& index, std::size_t row,
                                   const RunFiles& inputs);

}  // namespace frontend
