#pragma once
// The records with failures ("--extrato"): one CSV per input file (outputs/csv_writer.h), or one
// workbook with a sheet per input file (outputs/xlsx_workbook.h: "riscos" and "sinistros",
// continued in "riscos (2)", ... past the sheet row limit); a row per record that failed any
// check, in record order: arquivo, registro, the file's fields in file order (stored texts), then
// falhas, the record's "CAMPO:verificacao" pairs separated by blanks. The workbook puts the
// record's key first, as users search by it: Apólice, Endosso, Item (the fields the file has),
// Registro, the other fields in file order, Falhas, Arquivo. In it every field is a text cell,
// so leading zeros and decimals such as "76.00" stay as stored, and its columns open at the
// field's width, the key never cut.
//
// The walk of a file tells its findings record by record; the claims-without-policy and the
// inverted-coverage passes come later, again in record order, so a row can be written only once
// both are known. Each pass keeps just the record numbers and the failures' labels (a few bytes a
// record) in a temporary file; at the end the two are merged by record number and each record's
// fields are read again from its input file, which stays open (shared with the run, held against
// writers) from its first failure on. Memory holds one block of each at a time, and the record
// bytes are copied once, into the output. The temporary files are scratch files
// (engine/scratch_file.h): in the temporary folder, else in the catalogue folder; one that fills
// its folder moves on to the next with what it holds.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/findings.h"
#include "outputs/xlsx_workbook.h"
#include "platform/exclusive_file.h"
#include "tables/dbf_table.h"
#include "tables/table_error.h"

namespace outputs {

class ExtractRows;

class RecordExtract : public engine::FindingSink {
 public:
  // `risks` and `claims` must outlive the extract, opened in binary mode; they may be the same.
  // `catalogue_folder` takes the temporary files that the temporary folder does not.
  RecordExtract(std::ostream& risks, std::ostream& claims,
                const std::string& catalogue_folder = {});
  // The rows of both files in one workbook written to `workbook_path` by Finish();
  // `rows_per_sheet` (header included) is smaller only in tests.
  RecordExtract(const std::string& workbook_path, const std::string& catalogue_folder,
                std::uint32_t rows_per_sheet = XlsxWorkbook::kSheetRows);
  ~RecordExtract() override;
  RecordExtract(const RecordExtract&) = delete;
  RecordExtract& operator=(const RecordExtract&) = delete;

  // False when the temporary files (or the workbook's) could not be made.
  bool ok() const;
  // Why the workbook could not be made or written (XlsxWorkbook::ErrorText()); empty for CSV.
  std::string WorkbookError() const;
  // When a temporary file could be made or written in no folder: each folder tried and why it
  // failed there (empty otherwise).
  const std::vector<tables::FolderFailure>& ScratchFailures() const { return scratch_failures_; }

  void FieldFailed(const engine::FieldFinding& f) override;
  void StructureFailed(const engine::StructureFinding&) override {
  }  // no record failed: the file was not read
  void CompanyFailed(engine::FindingFile file, std::uint32_t record, const engine::RecordKey& key,
                     std::string_view field, std::string_view text,
                     std::string_view expected) override;
  void ClaimWithoutPolicy(std::uint32_t record, const engine::RecordKey& key,
                          std::string_view apolice, std::string_view item) override;
  void CoverageInverted(std::uint32_t record, const engine::RecordKey& key,
                        std::string_view inicio_vig, std::string_view fim_vig) override;

  // Merges and writes both files. False when a write failed at any point, or when an input file
  // could no longer be read as it was during the run.
  bool Finish();
  // Told now and then during Finish(), on its thread: the records of the passes merged so far
  // and in all (a record failed by both a walk and a later pass counts twice).
  void SetProgress(std::function<void(std::uint64_t done, std::uint64_t total)> progress) {
    progress_ = std::move(progress);
  }

  // "a/falhas.csv" -> "a/falhas-sinistros.csv": the claims' file beside the risks'.
  static std::string ClaimsPath(const std::string& path);

 private:
  // The records of one pass in record order, each with its failures' label numbers, in a
  // temporary file written and read back in blocks.
  class Pass {
   public:
    // Makes the file in the first of `folders` that takes one. False when none does.
    bool Create(std::vector<std::string> folders);
    // Adds a failure of `record`; a new record number closes the previous one.
    void Add(std::uint32_t record, std::uint32_t label);
    // Ends the writing and goes back to the first record. False when a write failed.
    bool Rewind();
    // The next record read back; false at the end (or on a read error: `*failed` set).
    bool Next(std::uint32_t* record, std::vector<std::uint32_t>* labels, bool* failed);
    // Each folder that refused the file, and why (kept also when a later folder took it).
    const std::vector<tables::FolderFailure>& failures() const { return failures_; }
    // Records added.
    std::uint64_t records() const { return records_ + (labels_.empty() ? 0 : 1); }

   private:
    void Close();  // closes the record being gathered
    bool Flush();
    // Continues the file in the first folder from `first` on that takes it and the bytes
    // written so far. False when none does.
    bool MoveTo(std::size_t first);
    bool Fill(std::size_t wanted);  // at least `wanted` unread words in the block, if the file has

    std::optional<platform::ExclusiveFile> file_;
    std::vector<std::string> folders_;
    std::size_t folder_ = 0;  // of file_
    std::vector<tables::FolderFailure> failures_;
    std::uint64_t size_ = 0;            // bytes written
    std::uint64_t read_pos_ = 0;        // bytes read back
    std::vector<std::uint32_t> block_;  // record number, count, labels...; then the next
    std::size_t read_at_ = 0;
    std::uint32_t record_ = 0;
    std::vector<std::uint32_t> labels_;  // of record_
    std::uint64_t records_ = 0;
    bool failed_ = false;
  };
  struct FileState {
    std::ostream* out = nullptr;
    // The input file, opened again at the first failure and kept open for the merge.
    std::unique_ptr<tables::DbfTable> table;
    std::array<Pass, 2> passes;  // 0: the walk, 1: the later passes
  };

  // `run_table`: the run's open table of the file.
  void Tell(engine::FindingFile file, int pass, std::uint32_t record,
            const tables::DbfTable& run_table, std::uint32_t label);
  // Opens the input file of `run_table` again for the extract the first time `state` is told.
  // Throws the reader's changed-while-read error when the name now gives another file.
  bool Attach(FileState& state, const tables::DbfTable& run_table);
  // The number of the "CAMPO:verificacao" label, made on first use.
  std::uint32_t Label(std::string_view field, engine::FindingCheck check);
  // Label() for a field check, through a cache by position and check.
  std::uint32_t FieldLabel(int position, std::string_view field, engine::FindingCheck check);
  // Writes the rows of `file` (its header alone when none failed). False when a write failed.
  bool WriteFile(engine::FindingFile file);
  // Ends the writing of both passes of `state`, for reading back; a pass that failed fails the
  // extract.
  void RewindPasses(FileState& state);
  // arquivo, registro, the fields of `table` (null: none) in file order, falhas.
  static std::vector<SheetColumn> HeaderColumns(const tables::DbfTable* table);
  // The workbook's order of `columns` (HeaderColumns()): the place of each of its columns there.
  static std::vector<std::size_t> SheetOrder(const std::vector<SheetColumn>& columns);
  // Writes the rows of both passes of `state` merged by record number.
  void MergePasses(FileState& state, ExtractRows& rows);
  void CreatePasses(const std::string& catalogue_folder);

  std::array<FileState, 2> files_;
  std::unique_ptr<XlsxWorkbook> book_;  // null: CSV
  std::vector<std::string> labels_;
  std::vector<std::string> label_fields_;  // the field of each label
  std::unordered_map<std::string, std::uint32_t> label_numbers_;
  // Label number + 1 per (position, check); 0: not yet seen.
  std::vector<std::array<std::uint32_t, engine::kFindingCheckCount>> by_position_;
  std::string key_;  // reused for label look-ups
  std::vector<tables::FolderFailure> scratch_failures_;
  std::function<void(std::uint64_t, std::uint64_t)> progress_;
  std::uint64_t records_read_ = 0;
  std::uint64_t records_total_ = 0;
  std::uint64_t rows_since_told_ = 0;
  bool failed_ = false;
  bool finished_ = false;
};

}  // namespace outputs
