#pragma once
// The field checks of one record after another, on any thread. A walker either tells what it
// meets at once (on the walk's thread), or, given `events`, writes it there and tells nothing,
// for a walker on the walk's thread to Replay() in file order (the workers of a walk split over
// threads). Either way a failure is counted at once in the sink's chunk part, when it offers one.
//
// Each field's plan is worked out once per file, and a step for each field that has something
// to check. A record of the file's length without a NUL byte, the usual one, first gets each
// step's quick test, which passes only a value that every check of the field passes (a few
// bytes compared, a table's answer); the steps that fail it, and those without one, then go the
// whole way in field order, reading their bytes a word at a time. Any other record goes field by
// field through the general way, which converts each value as the keyed look-ups would. All
// three count and tell exactly the same.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/check_pipeline.h"
#include "engine/field_checks_words.h"
#include "engine/findings.h"
#include "engine/record_key.h"
#include "engine/rule_set.h"
#include "engine/validation_run.h"

namespace engine {

// The invalid-date notice of `text`, with its place when given.
void ShowInvalidDateNotice(RunContext& ctx, std::string_view text, const DatePlace* place);

class RecordWalker {
 public:
  RecordWalker(RunContext& ctx, RuleSet& rules, const DomainSet& domains,
               std::vector<CheckEvent>* events = nullptr);

  // `record` is record `recno` of the file, the `index`th of its chunk (for the events).
  void CheckRecord(std::string_view record, std::uint32_t recno, std::uint32_t index = 0);

  // Tells what another walker met on `record` (record `recno`), as it would have told it.
  void Replay(std::string_view record, std::uint32_t recno, const CheckEvent& event);

  // Each failure from now on is counted in `part` (null: none), and told to the sink (or, with
  // events, its event written for that) only when `tell_sink`.
  void CountIn(ChunkPart* part, bool tell_sink) {
    part_ = part;
    tell_sink_ = tell_sink;
  }

  // Every field lies within a record: the checks need no table, so they may run on any thread.
  bool FieldsWithinRecord() const;

  // Records with at least one field failure so far; Take...() restarts the count at 0, so that a
  // worker hands each chunk's part to the walk's walker, which adds it.
  std::int64_t records_failed() const { return records_failed_; }
  std::int64_t TakeRecordsFailed() { return std::exchange(records_failed_, 0); }
  void AddRecordsFailed(std::int64_t count) { records_failed_ += count; }

 private:
  static constexpr std::string_view kDefaultProduct = "2";  // the product type until one is read
  static constexpr std::uint8_t kFound = 1;                 // found_by_byte's answers
  static constexpr std::uint8_t kNotFound = 2;

  // How a field's stored bytes become its value.
  enum class ValueKind { kChar, kInt32, kInt64, kFloat, kOther };

  // What the walk needs of one field, worked out once per file.
  struct FieldPlan {
    FieldRule* rule = nullptr;  // nullptr: no rule row for the position, the field is not checked
    const tables::DbfField* field = nullptr;
    std::size_t offset = 0;  // the field's bytes in the record, copied here for the record loop
    std::size_t length = 0;
    ValueKind kind = ValueKind::kOther;
    bool is_tipo_prod = false;     // its text becomes the product type
    bool is_birth_date = false;    // D_NASC, DATA_NASC: all zeros fail under product type "2"
    bool is_postal_name = false;   // the name contains CEP: looked up in the postal-code list
    bool is_postal_exact = false;  // CEP, CEP_UTIL, CEP_PER: all zeros fail under product type "2"
    int depende_index = -1;        // field holding the qualifying value; -1: none or missing
    bool needs_value = false;      // the product type, width, date or domain check reads its text
    const FieldDomain* domain = nullptr;  // the values its key can find; nullptr: none
    // Whether the domain holds the key of a field whose key depends on at most two bytes: a
    // one-byte field (a blank or control byte trims to the empty key), with or without a
    // one-byte qualifying field, or a two-byte field without one. Looked up once, when the
    // bytes first come: 0 not yet, kFound or kNotFound. Empty for any other field.
    std::vector<std::uint8_t> found_by_byte;
    int byte_depende = -1;  // the one-byte qualifying field that indexes found_by_byte, or -1
    // The last key looked up and its answer: consecutive records often repeat a value.
    std::uint64_t last_key1 = 0;
    std::uint16_t last_key2 = 0;
    bool has_last = false;
    bool last_found = false;
  };

  // The value of one field of the current record, converted on demand.
  struct FieldValueView {
    std::string_view text;  // the field's text; empty for a numeric value that reads as null
    bool is_null = false;   // a non-character value that does not parse
    bool is_zero = false;   // a numeric value equal to 0
  };

  // One field of the usual record's list of steps, and its quick test.
  enum class StepKind : std::uint8_t {
    kWhole,    // null or width checks only: first and last bytes above 32
    kDate,     // an eight-byte date: eight digits of a plausible calendar date (or eight zeros
               // where the rule allows them)
    kTable,    // a domain answered from found_by_byte: the bytes above 32, their answer found
    kKey,      // a domain of a short key: the bytes above 32, their key found
    kText,     // any other character field: no quick test
    kProduct,  // the product type's character field: its text kept, before its own checks
    kBlank,    // a number whose only check is for blanks: its last byte not blank
    kGeneral,  // anything else: the general way
  };
  struct Step {
    FieldPlan* plan = nullptr;
    FieldRule* rule = nullptr;
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    // A field of up to eight bytes is read as the word at load_at, shifted right by `shift`
    // bytes and cut to its length: the word lies inside the record whatever the field's place.
    std::uint32_t load_at = 0;
    // kTable: the byte after the first one in the index of found_by_byte (the field's second
    // byte or the qualifier's); 0 for none (the deletion flag is no field's byte).
    std::uint32_t second = 0;
    std::int32_t position = 0;
    std::uint8_t shift = 0;
    StepKind kind = StepKind::kGeneral;
    bool is_short = false;
    bool trim = false;  // the null, width or domain check needs the kept text
    bool null = false;  // the blank text counts as missing
    bool width = false;
    bool date = false;
    bool domain = false;
    std::int64_t tamanho = -1;  // -1: no length equals it
  };

  // The bytes a quick test reads: the field's first and last (a date: its eight from `first`,
  // and in `last` whether eight zeros pass), and the step it tests.
  struct QuickBytes {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::uint32_t step = 0;
  };
  struct QuickTable {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::uint32_t second = 0;  // as Step::second
    std::uint32_t step = 0;
    const std::uint8_t* found = nullptr;  // the plan's found_by_byte
  };
  struct QuickTests {
    std::vector<QuickBytes> whole, blank, date, key;
    std::vector<QuickTable> table;
    std::vector<std::uint64_t> always;  // a bit per step without a quick test
    // The product type's character field, when one comes before the steps that read it: the
    // bytes of the usual record are its text.
    std::uint32_t product_offset = 0;
    std::uint32_t product_length = 0;
  };

  void Plan();
  void ListQuickTests();
  void CheckStep(const Step& step);
  StepKind QuickKind(const Step& step) const;
  // The bytes of a short field in the low bytes of a word, the others zero.
  std::uint64_t ShortWord(const Step& step) const {
    return (words::Load8(record_.data() + step.load_at) >> (8 * step.shift)) &
           words::LowBytes(step.length);
  }
  void SetRecord(std::string_view record, std::uint32_t recno);
  std::string_view Raw(int p) const;
  void TabulateDomain(FieldPlan& plan);
  FieldValueView Convert(int p, std::string& buffer) const;
  void CheckField(int p);
  void CheckText(const Step& step);
  void DateFailed(int p, FieldRule& rule, const FieldValueView& value);
  void DomainFailed(int p, FieldRule& rule, const FieldValueView& value);
  bool CheckDate(int p, std::string_view text);
  void NoteImpossibleDate(int p, std::string_view text);
  void ShowNotice(int p, std::string_view text);
  // One failure of field p: its rule's counter, the record's mark and, when one listens, the
  // sink.
  [[gnu::always_inline]] void Count(std::int64_t& counter, int p, FindingCheck check) {
    ++counter;
    record_failed_ = true;
    if (sink_ != nullptr) [[unlikely]] {
      Fail(p, check);
    }
  }
  // Out of the record loop's way: only a failure with a sink attached comes here. Not cold, as
  // a file with many failures comes here millions of times.
  [[gnu::noinline]] void Fail(int p, FindingCheck check);
  // Counts the failure in the part and tells it to the sink, as the walker is set to.
  [[gnu::noinline]] void Tell(int p, FindingCheck check, std::string_view qualifier = {});
  // What a sink may ask of the finding being told, worked out only then.
  class Details final : public FieldFindingDetails {
   public:
    Details(RecordWalker& walker, int p, FindingCheck check, std::string_view qualifier)
        : walker_(walker), p_(p), check_(check), qualifier_(qualifier) {}
    RecordKey Key() const override;
    std::string_view Allowed() const override;

   private:
    RecordWalker& walker_;
    int p_;
    FindingCheck check_;
    std::string_view qualifier_;
  };
  std::string_view AllowedValues(int p, std::string_view qualifier);
  bool DomainFound(FieldPlan& plan, std::string_view trimmed);
  bool TabulatedFound(FieldPlan& plan, std::size_t index, std::string_view key);
  bool LookUp(FieldPlan& plan, std::uint64_t key1);
  static bool IsZeroText(const FieldPlan& plan, const FieldValueView& value);

  RunContext& ctx_;
  tables::DbfTable& dados_;
  std::size_t record_length_;
  RuleSet& rules_;
  const DomainSet& domains_;
  char decimal_separator_;
  std::vector<FieldPlan> plans_;
  std::vector<Step> steps_;
  QuickTests quick_;
  std::vector<std::uint64_t> pending_;  // a bit per step to take the whole way, this record
  bool steps_usable_ = false;  // the record's length allows word loads and every field fits
  std::string_view record_;
  std::uint32_t recno_ = 0;
  std::uint32_t index_ = 0;  // of the record in its chunk
  bool record_has_nul_ = false;
  std::string_view product_;  // the product type of the current record
  std::string product_buffer_;
  std::string text_buffer_;
  std::string depende_buffer_;
  std::string_view qualifier_;  // the qualifying value of the last domain lookup
  FindingSink* sink_;
  FindingFile file_;
  RecordKeyColumns keys_;
  FieldFinding finding_;  // the one being told
  // The allowed values' texts by field position (high bits) and packed qualifier (low 16 bits).
  std::unordered_map<std::uint64_t, std::string> allowed_;
  std::vector<CheckEvent>* events_;  // null: tell at once
  ChunkPart* part_ = nullptr;        // counts each failure; null: none
  bool tell_sink_ = true;            // each failure is told to the sink (with events_: written)
  bool record_failed_ = false;       // the current record failed a field check
  std::int64_t records_failed_ = 0;
};

}  // namespace engine
