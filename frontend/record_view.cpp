#include "frontend/record_view.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "engine/text.h"
#include "frontend/failure_list_error.h"
#include "frontend/message_text.h"
#include "tables/dbf_table.h"

namespace frontend {
namespace {

RecordView Refused(RecordView::Status status, std::uint32_t record, std::string message) {
  RecordView view;
  view.status = status;
  view.record = record;
  view.message = std::move(message);
  return view;
}

RecordView Changed(const std::string& path, std::uint32_t record) {
  return Refused(RecordView::Status::kChanged, record,
                 engine::Ansi("O arquivo ") + PathInMessage(path) +
                     engine::Ansi(" foi alterado depois da crítica; o registro ") +
                     std::to_string(record) + engine::Ansi(" não é mostrado"));
}

RecordView NoRecord(const std::string& path, std::uint32_t record) {
  if (record == 0) {
    return Refused(RecordView::Status::kNoRecord, record,
                   engine::Ansi("Esta falha não se refere a um registro"));
  }
  return Refused(RecordView::Status::kNoRecord, record,
                 engine::Ansi("O registro ") + std::to_string(record) +
                     engine::Ansi(" não existe no arquivo ") + PathInMessage(path));
}

// The names a finding's campo stands for: "APOLICE+ITEM" is the claim key of two fields.
bool Names(std::string_view campo, std::string_view name) {
  for (std::size_t start = 0; start <= campo.size();) {
    const std::size_t plus = std::min(campo.find('+', start), campo.size());
    if (campo.substr(start, plus - start) == name) return true;
    start = plus + 1;
  }
  return false;
}

}  // namespace

std::vector<RecordFailure> RecordFailures(const FailureKeys& keys, std::string_view arquivo,
                                          std::uint32_t record) {
  std::vector<RecordFailure> failures;
  if (record == 0) return failures;
  for (std::size_t row = 0; row < keys.size(); ++row) {
    if (keys.record(row) != record) continue;
    const FailureGroup& group = keys.groups()[keys.group(row)];
    if (group.arquivo == arquivo) failures.push_back({group.campo, group.verificacao, {}, {}});
  }
  return failures;
}

std::vector<RecordFailure> RecordFailures(const FailureFileIndex& index, std::string_view arquivo,
                                          std::uint32_t record) {
  std::vector<RecordFailure> failures;
  if (record == 0) return failures;
  const FailureKeys& keys = index.keys();
  const int mensagem = index.ColumnIndex("mensagem");
  const int exigido = index.ColumnIndex("exigido");
  const auto field = [](const std::vector<std::string>& row, int column) {
    return column >= 0 && static_cast<std::size_t>(column) < row.size()
               ? row[static_cast<std::size_t>(column)]
               : std::string();
  };
  for (std::size_t row = 0; row < keys.size(); ++row) {
    if (keys.record(row) != record) continue;
    const FailureGroup& group = keys.groups()[keys.group(row)];
    if (group.arquivo != arquivo) continue;
    RecordFailure failure{group.campo, group.verificacao, {}, {}};
    if (mensagem >= 0 || exigido >= 0) {
      const std::vector<std::string> fields = index.Row(row);
      failure.mensagem = field(fields, mensagem);
      failure.exigido = field(fields, exigido);
    }
    failures.push_back(std::move(failure));
  }
  return failures;
}

int FirstFailingField(const RecordView& view) {
  for (std::size_t i = 0; i < view.fields.size(); ++i) {
    if (!view.fields[i].failed.empty()) return static_cast<int>(i);
  }
  return -1;
}

RecordView ReadRecordView(const std::string& path, std::uint32_t record, const FileSnapshot& at_run,
                          const std::vector<RecordFailure>& failures) {
  if (TakeSnapshot(path) != at_run) return Changed(path, record);
  if (record == 0) return NoRecord(path, record);
  RecordView view;
  view.record = record;
  try {
    tables::DbfTable table("tbDados", false);
    table.SetFileName(path);
    table.Open();
    // Checked again with the file held, so that a change between the first look and the open
    // is not read as the run's record.
    if (TakeSnapshot(path) != at_run) return Changed(path, record);
    table.GoTo(record);
    if (table.Eof()) return NoRecord(path, record);
    view.deleted = table.IsDeleted();
    for (int i = 0; i < table.FieldCount(); ++i) {
      const tables::DbfField& field = table.Fields(i);
      RecordField shown{field.name,
                        field.letter,
                        field.length,
                        field.decimals,
                        std::string(table.RawField(i)),
                        {},
                        {}};
      for (const RecordFailure& failure : failures) {
        if (!Names(failure.campo, field.name)) continue;
        shown.failed.push_back(failure.verificacao);
        std::string message = failure.mensagem.empty() ? failure.verificacao : failure.mensagem;
        if (!failure.exigido.empty())
          message += engine::Ansi(" (exigido: ") + failure.exigido + ")";
        shown.messages.push_back(std::move(message));
      }
      view.fields.push_back(std::move(shown));
    }
  } catch (const std::exception& error) {
    return Refused(RecordView::Status::kError, record, error.what());
  }
  view.status = RecordView::Status::kShown;
  return view;
}

RecordView RecordOfRow(const FailureFileIndex& index, std::size_t row, const RunFiles& inputs) {
  const FailureKeys& keys = index.keys();
  const std::string& arquivo = keys.groups()[keys.group(row)].arquivo;
  const std::uint32_t record = keys.record(row);
  const RunFiles::Input* input = arquivo == "riscos"      ? &inputs.riscos
                                 : arquivo == "sinistros" ? &inputs.sinistros
                                                          : nullptr;
  if (input == nullptr || record == 0) return NoRecord({}, 0);
  if (!input->snapshot) return Changed(input->path, record);
  std::vector<RecordFailure> failures;
  try {
    failures = RecordFailures(index, arquivo, record);
  } catch (const FailureListError&) {
    failures = RecordFailures(keys, arquivo, record);  // the list went: the checks alone
  }
  return ReadRecordView(input->path, record, *input->snapshot, failures);
}

const std::string& RecordPathOfRow(const FailureFileIndex& index, std::size_t row,
                                   const RunFiles& inputs) {
  const FailureKeys& keys = index.keys();
  return keys.groups()[keys.group(row)].arquivo == "sinistros" ? inputs.sinistros.path
                                                               : inputs.riscos.path;
}

}  // namespace frontend
