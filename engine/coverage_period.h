#pragma once
// The reporting period of the insurer's periodic return and the date tests that decide which
// risks and claims belong to it, plus the one date error found on the same pass over the risks
// file: coverage that ends before it starts.
//
// Dates are texts YYYYMMDD as the reader returns them (a character field with all its stored
// positions). Every comparison here is byte-wise: unsigned character codes, no collation, no
// case folding, no trimming; a prefix sorts first; a null date sorts below any text. The tests
// cannot fail: a blank, short or impossible date is compared as it stands.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/run_host.h"
#include "tables/byte_order.h"
#include "tables/dbf_table.h"
#include "tables/dbf_values.h"
#include "tables/table_error.h"

namespace engine {

// A date as read from a record: the text, or nullopt when the field reads as null.
using DateText = std::optional<std::string_view>;

struct CoveragePeriod {
  std::string start;  // INIVIG without trailing blanks, then "01"
  std::string end;    // FIMVIG without trailing blanks, then "31" (every day of the month is in)
};

CoveragePeriod PeriodBounds(std::string_view inivig, std::string_view fimvig);

// <0, 0, >0 as a sorts before, equal to or after b; null below every text, equal to null.
// Inline, as are the tests below: each record of both files passes through them.
inline int CompareDates(DateText a, DateText b) {
  if (!a || !b) return (a ? 1 : 0) - (b ? 1 : 0);
  // As unsigned codes, too short to pay for a call: a date's eight bytes as one number, then
  // byte by byte what is left.
  const std::size_t n = std::min(a->size(), b->size());
  std::size_t i = 0;
  if (n >= 8) {
    const std::uint64_t x =
        tables::LoadBigEndian64(reinterpret_cast<const unsigned char*>(a->data()));
    const std::uint64_t y =
        tables::LoadBigEndian64(reinterpret_cast<const unsigned char*>(b->data()));
    if (x != y) return x < y ? -1 : 1;
    i = 8;
  }
  for (; i < n; ++i) {
    const auto x = static_cast<unsigned char>((*a)[i]);
    const auto y = static_cast<unsigned char>((*b)[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return (a->size() > b->size()) - (a->size() < b->size());
}

// False when INICIO_VIG reads as null: such a record takes no part in the premium pass.
inline bool RiskIsDated(DateText inicio_vig) { return inicio_vig.has_value(); }
// INICIO_VIG after FIM_VIG; a blank FIM_VIG sorts below any digit, so it counts.
inline bool CoverageInverted(DateText inicio_vig, DateText fim_vig) {
  return CompareDates(inicio_vig, fim_vig) > 0;
}
// What the FIM_VIG of a risk counted as inverted holds: blank (every byte 32 or below, or null),
// else a valid date (eight digits, then only blanks, of a calendar date: it ends before the
// start), else an invalid one. Only for records that CoverageInverted() counts.
enum class InvertedKind { kEndsBeforeStart, kWithoutEnd, kInvalidEnd };
InvertedKind InvertedKindOf(DateText fim_vig);

// start <= DATA_EMIS <= end.
inline bool RiskInPeriod(DateText data_emis, const CoveragePeriod& period) {
  return CompareDates(DateText(period.start), data_emis) <= 0 &&
         CompareDates(data_emis, DateText(period.end)) <= 0;
}
// D_AVI not null and start <= D_AVI <= end.
inline bool ClaimInPeriod(DateText d_avi, const CoveragePeriod& period) {
  return d_avi.has_value() && RiskInPeriod(d_avi, period);
}

// The banner, the count line, the second banner and an empty line when `inverted` > 0;
// nothing at all otherwise.
void WriteInvertedCoverageBlock(RunHost& host, std::int64_t inverted);

// The position of field `name` (case-insensitive). Throws "<owner>: Field '<name>' not found",
// led by the table's own object or by `owner`, the table object of the phase that reads the
// field (a walk of tbDados gathers for phases that read through tbRiscos and tbSinistros).
int RequireField(const tables::DbfTable& table, std::string_view name);
int RequireField(const tables::DbfTable& table, std::string_view name, std::string_view owner);

// Field `field`'s stored bytes in `record`; throws the reader's error when it runs past the
// record's end (a header whose record length is shorter than its fields).
inline std::string_view FieldBytes(const tables::DbfField& field, std::string_view record,
                                   std::string_view path) {
  if (field.offset > record.size() || field.length > record.size() - field.offset) {
    tables::ThrowFieldPastRecordEnd(field.name, path);
  }
  return record.substr(field.offset, field.length);
}

// One field of an open table read as text for every record of a pass, with its position
// resolved once. A character field yields its stored bytes up to the first NUL (never null);
// any other field yields its value converted to text (a date as YYYYMMDD), or nullopt when it
// reads as null. Valid for as long as the table stays open on the same file.
class TextColumn {
 public:
  // Throws "<owner>: Field '<name>' not found" when the table has no such field.
  TextColumn(const tables::DbfTable& table, std::string_view name);
  // Resolves an already known field position. REQUIRES: 0 <= index < FieldCount().
  TextColumn(const tables::DbfTable& table, int index);

  // The value in the current record; the view is valid until the next move or the next Read.
  // REQUIRES: !table.Eof().
  DateText Read(const tables::DbfTable& table) { return Read(table.Record()); }
  // The same from a record's bytes (deletion flag first) of the table's file, as a walk hands
  // them on. Throws the reader's error when the field runs past the end of the record.
  DateText Read(std::string_view record) {
    const std::string_view bytes = FieldBytes(field_, record, path_);
    if (is_text_) return tables::DbfText(bytes);
    return Converted(bytes);
  }

 private:
  DateText Converted(std::string_view bytes);

  tables::DbfField field_;  // a copy: the pass needs it for every record
  std::string path_;        // the file's, for the error of a field past the record's end
  bool is_text_;
  std::string buffer_;
};

}  // namespace engine
