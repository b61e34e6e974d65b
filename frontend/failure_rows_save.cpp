#include "frontend/failure_rows_save.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "frontend/csv_row.h"
#include "frontend/failure_list_error.h"
#include "frontend/report_export.h"
#include "outputs/finding_list.h"
#include "outputs/findings_xlsx.h"
#include "platform/file_error.h"

namespace frontend {
namespace {

constexpr std::size_t kPieceRows = 1 << 14;

// The row callback counting into `progress`, and the question whether to stop.
std::function<void(std::string_view)> Counted(const std::function<void(std::string_view)>& row,
                                              SaveProgress* progress) {
  if (progress == nullptr) return row;
  return [row, progress](std::string_view bytes) {
    row(bytes);
    progress->Advance(1);
  };
}

std::function<bool()> CancelOf(SaveProgress* progress) {
  if (progress == nullptr) return {};
  return [progress] { return progress->cancelled(); };
}

}  // namespace

bool ForEachRawRow(const FailureFileIndex& index, std::span<const std::uint32_t> rows,
                   const std::function<void(std::string_view row)>& row,
                   const std::function<bool()>& cancelled) {
  std::size_t i = 0;
  while (i < rows.size()) {
    if (cancelled && cancelled()) return false;
    // A run of consecutive row numbers, at most kPieceRows long, is one read.
    std::size_t end = i + 1;
    while (end < rows.size() && end - i < kPieceRows && rows[end] == rows[end - 1] + 1) ++end;
    const std::string bytes = index.RawRows(rows[i], end - i);
    std::string_view rest(bytes);
    for (std::size_t k = i; k < end; ++k) {
      const std::size_t length = index.RowLength(rows[k]);
      std::string_view one = rest.substr(0, length);
      rest.remove_prefix(length);
      if (one.empty() || one.back() != '\n') {
        // The file's last row without its terminator: every saved row ends as the others do.
        std::string ended(WithoutTerminator(one));
        ended += "\r\n";
        row(ended);
      } else {
        row(one);
      }
    }
    i = end;
  }
  return true;
}

namespace {

// The header row, then the rows; false once `put` failed or `cancelled` answered true.
bool PutRowsCsv(const FailureFileIndex& index, std::span<const std::uint32_t> rows,
                const std::function<bool(std::string_view)>& put,
                const std::function<bool()>& cancelled) {
  std::string header = index.RawHeader();
  if (header.empty() || header.back() != '\n') header += "\r\n";
  bool ok = put(header);
  const bool whole = ok && ForEachRawRow(
                               index, rows, [&](std::string_view row) { ok = ok && put(row); },
                               [&] { return !ok || (cancelled && cancelled()); });
  return whole && ok;
}

}  // namespace

bool WriteRowsCsv(const FailureFileIndex& index, std::span<const std::uint32_t> rows,
                  std::ostream& out, const std::function<bool()>& cancelled) {
  const bool whole = PutRowsCsv(
      index, rows,
      [&out](std::string_view row) {
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
        return static_cast<bool>(out);
      },
      cancelled);
  out.flush();
  return whole && static_cast<bool>(out);
}

std::string SaveRowsCsv(const FailureFileIndex& index, std::span<const std::uint32_t> rows,
                        const std::filesystem::path& path, SaveProgress* progress) {
  if (progress != nullptr) progress->SetTotal(rows.size());
  try {
    return WriteFileWith(path, [&](const ByteSink& put) {
      return PutRowsCsv(
          index, rows,
          [&](std::string_view bytes) {
            if (!put(bytes)) return false;
            if (progress != nullptr && bytes.back() == '\n') progress->Advance(1);
            return true;
          },
          CancelOf(progress));
    });
  } catch (const FailureListError& error) {
    return error.what();
  }
}

std::string SaveRowsXlsx(const FailureFileIndex& index, std::span<const std::uint32_t> rows,
                         const std::filesystem::path& path, SaveProgress* progress) {
  if (!outputs::XlsxAvailable()) {
    return platform::FileErrorText(platform::FileStep::kCreate, FullPathText(path),
                                   "Esta versão do programa não grava planilhas");
  }
  // Where each of the workbook's columns stands in the list (-1: the list lacks it).
  std::array<int, outputs::kFindingColumns> source{};
  for (std::size_t c = 0; c < source.size(); ++c) {
    source[c] = index.ColumnIndex(outputs::FindingColumnNames()[c]);
  }
  const int arquivo = index.ColumnIndex("arquivo");
  // The workbook goes to a temporary file beside the target, put in place once it is whole.
  std::string reason;  // the library's, when the workbook could not be written
  const auto produce = [&](const std::string& temp_path) {
    std::unique_ptr<outputs::FindingRowWriter> workbook =
        outputs::FindingsXlsx::RowWriter(temp_path);
    if (!workbook) return false;
    if (progress != nullptr) progress->SetTotal(rows.size());
    const auto one_row = [&](std::string_view bytes) {
      const std::vector<std::string> fields = SplitCsvRow(WithoutTerminator(bytes));
      const auto field = [&fields](int column) -> std::string_view {
        return column >= 0 && static_cast<std::size_t>(column) < fields.size()
                   ? std::string_view(fields[static_cast<std::size_t>(column)])
                   : std::string_view();
      };
      outputs::FindingRow row;
      for (std::size_t c = 0; c < row.size(); ++c) {
        row[c] = {field(source[c]), outputs::FindingColumnIsNumber(c)};
      }
      workbook->Row(field(arquivo) == "sinistros" ? engine::FindingFile::kSinistros
                                                  : engine::FindingFile::kRiscos,
                    row);
    };
    // A cancelled workbook is never finished: the temporary file goes with the failed save.
    if (!ForEachRawRow(index, rows, Counted(one_row, progress), CancelOf(progress))) return false;
    if (workbook->Finish()) return true;
    reason = workbook->ErrorText();
    return false;
  };
  try {
    std::string message = WriteFileNamed(path, produce);
    // The file itself took every byte it was given: the reason is the library's.
    if (message.ends_with(". ")) message += reason;
    return message;
  } catch (const FailureListError& error) {
    return error.what();  // the temporary file went with the unwinding
  }
}

std::string SaveRows(const FailureFileIndex& index, std::span<const std::uint32_t> rows,
                     const std::filesystem::path& path, SaveProgress* progress) {
  return outputs::IsXlsxPath(path.string()) ? SaveRowsXlsx(index, rows, path, progress)
                                            : SaveRowsCsv(index, rows, path, progress);
}

}  // namespace frontend
