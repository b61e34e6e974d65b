#include "frontend/failure_rows_save.h"

#include <string>

#include "frontend/csv_row.h"

namespace frontend {
namespace {

constexpr std::size_t kPieceRows = 1 << 14;

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

bool WriteRowsCsv(const FailureFileIndex& index, std::span<const std::uint32_t> rows,
                  std::ostream& out, const std::function<bool()>& cancelled) {
  std::string header = index.RawHeader();
  if (header.empty() || header.back() != '\n') header += "\r\n";
  out.write(header.data(), static_cast<std::streamsize>(header.size()));
  const bool whole = ForEachRawRow(
      index, rows,
      [&out](std::string_view row) {
        if (out) out.write(row.data(), static_cast<std::streamsize>(row.size()));
      },
      cancelled);
  out.flush();
  return whole && static_cast<bool>(out);
}

}  // namespace frontend
