#pragma once
// The records with failures ("--extrato"): one CSV per input file (engine/csv_writer.h), a row
// per record that failed any check, in record order: arquivo, registro, the file's fields in file
// order (stored texts), then falhas, the record's "CAMPO:verificacao" pairs separated by blanks.
//
// The walk of a file tells its findings record by record; the claims-without-policy and the
// inverted-coverage passes come later, again in record order. Both streams go to temporary files
// as they come and are merged by record number at the end, so memory holds one record at a time.

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "engine/findings.h"

namespace engine {

class RecordExtract : public FindingSink {
 public:
  // `risks` and `claims` must outlive the extract, opened in binary mode; they may be the same.
  RecordExtract(std::ostream& risks, std::ostream& claims);
  ~RecordExtract() override;
  RecordExtract(const RecordExtract&) = delete;
  RecordExtract& operator=(const RecordExtract&) = delete;

  // False when the temporary files could not be made.
  bool ok() const;

  void FieldFailed(const FieldFinding& f) override;
  void StructureFailed(const StructureFinding&) override {
  }  // no record failed: the file was not read
  void CompanyFailed(FindingFile file, std::uint32_t record, const RecordKey& key,
                     std::string_view field, std::string_view text,
                     std::string_view expected) override;
  void ClaimWithoutPolicy(std::uint32_t record, const RecordKey& key, std::string_view apolice,
                          std::string_view item) override;
  void CoverageInverted(std::uint32_t record, const RecordKey& key, std::string_view inicio_vig,
                        std::string_view fim_vig) override;

  // Merges and writes both files. False when a write failed at any point.
  bool Finish();

  // "a/falhas.csv" -> "a/falhas-sinistros.csv": the claims' file beside the risks'.
  static std::string ClaimsPath(const std::string& path);

 private:
  // One record being gathered, or read back.
  struct Record {
    std::uint32_t number = 0;
    std::string bytes;  // the record as stored; the fields are cut from it when written
    std::string falhas;
  };
  // Records of one file from one pass, kept in a temporary file in record order.
  struct Pass {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, &std::fclose};
    Record current;
    bool has_current = false;
  };
  struct FileState {
    std::ostream* out = nullptr;
    std::vector<std::string> names;  // the file's field names, from its first failing record
    std::vector<std::pair<std::size_t, std::size_t>> spans;  // offset and length of each field
    std::array<Pass, 2> passes;                              // 0: the walk, 1: the later passes
  };

  void Tell(FindingFile file, int pass, std::uint32_t record, const RecordKey& key,
            std::string_view field, FindingCheck check);
  void Store(Pass& pass);
  static bool Load(std::FILE* file, Record* record);
  bool WriteFile(FindingFile file);

  std::array<FileState, 2> files_;
  bool failed_ = false;
  bool finished_ = false;
};

}  // namespace engine
