#pragma once
// The failure list (engine/finding_list.h) as an Excel workbook, written with libxlsxwriter in its
// constant-memory mode (each row goes to a temporary file as soon as the next one starts), so
// memory does not grow with the rows. One sheet per input file, "riscos" and "sinistros", each
// with a bold frozen header row and an autofilter; stored texts are text cells (leading zeros
// kept), record numbers, positions and catalogue codes are numbers. A sheet that reaches the
// sheet row limit goes on in a further sheet of the same file ("riscos (2)", ...).

#include <cstdint>
#include <memory>
#include <string>

#include "engine/finding_list.h"

namespace engine {

// Whether this build writes workbooks (libxlsxwriter is not part of every build).
bool XlsxAvailable();

// Whether `path` names a workbook: it ends in ".xlsx", in any case.
bool IsXlsxPath(const std::string& path);

class FindingsXlsx : public FindingListOutput {
 public:
  static constexpr std::int64_t kUnlimited = FindingList::kUnlimited;
  static constexpr std::uint32_t kSheetRows = 1048576;  // the format's rows per sheet

  // Creates the workbook's temporary parts; the file itself is written by Finish(). Check ok().
  // `rows_per_sheet` (header included) is smaller only in tests.
  explicit FindingsXlsx(const std::string& path, std::int64_t max_per_group = kUnlimited,
                        std::uint32_t rows_per_sheet = kSheetRows);
  ~FindingsXlsx() override;
  FindingsXlsx(const FindingsXlsx&) = delete;
  FindingsXlsx& operator=(const FindingsXlsx&) = delete;

  bool ok() const;

  // The same workbook written from rows already made (the window saves rows of a list it reads
  // back): one call of Row() per row, then Finish(). Null when the workbook cannot be created.
  static std::unique_ptr<FindingRowWriter> RowWriter(const std::string& path,
                                                     std::uint32_t rows_per_sheet = kSheetRows);

 protected:
  FindingList& list() override { return list_; }

 private:
  class Sheets;
  std::unique_ptr<Sheets> sheets_;
  FindingList list_;
};

}  // namespace engine
