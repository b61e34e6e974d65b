#include "engine/field_checks.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/check_pipeline.h"
#include "engine/findings.h"
#include "engine/record_key.h"
#include "engine/rule_set.h"
#include "engine/structure_check.h"
#include "engine/tap_threads.h"
#include "engine/text.h"
#include "engine/walk_carry.h"
#include "engine/walk_progress.h"
#include "tables/dbf_format.h"
#include "tables/dbf_values.h"
#include "tables/table_error.h"

namespace engine {
namespace {

// "Data Inválida : " in Windows-1252.
constexpr std::string_view kInvalidDate =
    "Data Inv\xE1"
    "lida : ";
constexpr std::string_view kDefaultProductType = "2";

// What the date check makes of a text.
enum class DateVerdict { kValid, kRejected, kImpossible };  // impossible: the notice is due

// A check event that is not a finding: the invalid-date notice of the field.
constexpr std::uint8_t kNoticeEvent = 0xFF;

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
  // For a one-byte character field: whether the domain holds the key of each byte (a blank or
  // control byte trims to the empty key), looked up once, when the byte first comes: 0 not yet,
  // kFound or kNotFound. Empty otherwise; with a one-byte qualifying field, 256 answers per byte
  // of the qualifier.
  std::vector<std::uint8_t> found_by_byte;
  int byte_depende = -1;  // the one-byte qualifying field that indexes found_by_byte, or -1
  // The last key looked up and its answer: consecutive records often repeat a value.
  std::uint64_t last_key1 = 0;
  std::uint16_t last_key2 = 0;
  bool has_last = false;
  bool last_found = false;
};

// Trimmed() of the report helpers, inlined for the record loop: every character of code 32 or
// below removed from both ends.
inline std::string_view TrimControls(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return text.substr(begin, end - begin);
}

// From the end: a number is stored right-aligned, so its last byte decides at once.
bool AllBlank(std::string_view bytes) {
  for (std::size_t i = bytes.size(); i > 0; --i) {
    if (bytes[i - 1] != ' ') return false;
  }
  return true;
}

bool IsCalendarDate(int year, int month, int day) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int length = (month == 2 && leap) ? 29 : kDays[month - 1];
  return day <= length;
}

std::string_view Part(std::string_view text, std::size_t pos, std::size_t count) {
  return pos < text.size() ? text.substr(pos, count) : std::string_view();
}

// The integer conversion of a date part; plain digits, by far the usual case, are read here
// with the same result.
std::optional<std::int32_t> DatePart(std::string_view part) {
  if (part.empty()) return std::nullopt;
  std::int32_t value = 0;
  for (const char c : part) {
    if (c < '0' || c > '9') return tables::ParseInt32(part);
    value = value * 10 + (c - '0');
  }
  return value;
}

bool SplitOddDate(std::string_view text, int* year, int* month, int* day);

// Year, month and day of a text written YYYYMMDD, each by the integer conversion; false when a
// part does not convert. Eight plain digits, the usual case, are read at once.
[[gnu::always_inline]] inline bool SplitDate(std::string_view text, int* year, int* month,
                                             int* day) {
  if (text.size() >= 8) [[likely]] {
    int d[8];
    bool digits = true;
    for (std::size_t i = 0; i < 8; ++i) {
      d[i] = static_cast<unsigned char>(text[i]) - '0';
      digits &= d[i] >= 0 && d[i] <= 9;
    }
    if (digits) {
      *year = ((d[0] * 10 + d[1]) * 10 + d[2]) * 10 + d[3];
      *month = d[4] * 10 + d[5];
      *day = d[6] * 10 + d[7];
      return true;
    }
  }
  return SplitOddDate(text, year, month, day);
}

[[gnu::noinline]] bool SplitOddDate(std::string_view text, int* year, int* month, int* day) {
  const auto y = DatePart(Part(text, 0, 4));
  const auto m = DatePart(Part(text, 4, 2));
  const auto d = DatePart(Part(text, 6, 2));
  if (!y || !m || !d) return false;
  *year = *y;
  *month = *m;
  *day = *d;
  return true;
}

// Inlined into the record loop, with the usual eight digits; anything else goes out of line.
[[gnu::always_inline]] inline DateVerdict JudgeDate(std::string_view text, int current_year) {
  int year = 0;
  int month = 0;
  int day = 0;
  if (!SplitDate(text, &year, &month, &day)) return DateVerdict::kRejected;
  if (year < kFirstDateYear || year > current_year + kDateYearsAhead) return DateVerdict::kRejected;
  return IsCalendarDate(year, month, day) ? DateVerdict::kValid : DateVerdict::kImpossible;
}

void ShowInvalidDateNotice(RunContext& ctx, std::string_view text, const DatePlace* place) {
  std::string message(kInvalidDate);
  message.append(text);
  if (place != nullptr) {
    ctx.host.ShowInvalidDateAt(message, *place);
  } else {
    ctx.host.ShowInvalidDate(message);
  }
}

// The value of one field of the current record, converted on demand.
struct FieldValueView {
  std::string_view text;  // the field's text; empty for a numeric value that reads as null
  bool is_null = false;   // a non-character value that does not parse
  bool is_zero = false;   // a numeric value equal to 0
};

// The field checks of one record after another. A walker either tells what it meets at once
// (on the walk's thread), or, given `events`, writes it there and tells nothing, for a walker on
// the walk's thread to Replay() in file order (the workers of a walk split over threads).
class RecordWalker {
 public:
  RecordWalker(RunContext& ctx, RuleSet& rules, const DomainSet& domains,
               std::vector<CheckEvent>* events = nullptr)
      : ctx_(ctx),
        dados_(ctx.tables.tbDados),
        record_length_(dados_.RecordLength()),
        rules_(rules),
        domains_(domains),
        decimal_separator_(ctx.regional.decimal_separator),
        sink_(ctx.findings),
        file_(FindingFileOf(ctx.state.numTabela)),
        keys_(ctx.tables.tbDados),
        events_(events) {
    const auto& fields = dados_.FieldList();
    plans_.resize(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
      FieldPlan& plan = plans_[i];
      const tables::DbfField& f = fields[i];
      plan.field = &f;
      plan.offset = f.offset;
      plan.length = f.length;
      plan.rule = rules_.At(static_cast<int>(i));
      switch (f.type) {
        case tables::FieldType::kString:
          plan.kind = ValueKind::kChar;
          break;
        case tables::FieldType::kInteger:
          plan.kind = ValueKind::kInt32;
          break;
        case tables::FieldType::kLargeint:
          plan.kind = ValueKind::kInt64;
          break;
        case tables::FieldType::kFloat:
          plan.kind = ValueKind::kFloat;
          break;
        default:
          plan.kind = ValueKind::kOther;
      }
      plan.is_tipo_prod = f.name == "TIPO_PROD";
      plan.is_birth_date = f.name == "D_NASC" || f.name == "DATA_NASC";
      plan.is_postal_name = f.name.find("CEP") != std::string::npos;
      plan.is_postal_exact = f.name == "CEP" || f.name == "CEP_UTIL" || f.name == "CEP_PER";
      // A qualifying field the file lacks reads as the empty text (two blanks in the key).
      if (plan.rule != nullptr && plan.rule->domain_check && !plan.rule->depende.empty()) {
        plan.depende_index = dados_.FieldIndex(plan.rule->depende);
      }
      plan.domain = plan.is_postal_name
                        ? domains_.Find(DomainSet::kPostalTable, DomainSet::kPostalField)
                        : domains_.Find(rules_.tabela(), static_cast<int>(i) + 1);
      plan.needs_value =
          plan.is_tipo_prod ||
          (plan.rule != nullptr &&
           (plan.rule->width_check || plan.rule->date_check || plan.rule->domain_check));
    }
    for (FieldPlan& plan : plans_) TabulateDomain(plan);
  }

  // `record` is record `recno` of the file, the `index`th of its chunk (for the events).
  void CheckRecord(std::string_view record, std::uint32_t recno, std::uint32_t index = 0) {
    SetRecord(record, recno);
    index_ = index;
    product_ = kDefaultProductType;
    const int count = static_cast<int>(plans_.size());
    record_failed_ = false;
    for (int p = 0; p < count; ++p) CheckField(p);
    if (record_failed_) ++records_failed_;
  }

  // Records with at least one field failure so far; Take...() restarts the count at 0, so that a
  // worker hands each chunk's part to the walk's walker, which adds it.
  std::int64_t records_failed() const { return records_failed_; }
  std::int64_t TakeRecordsFailed() { return std::exchange(records_failed_, 0); }
  void AddRecordsFailed(std::int64_t count) { records_failed_ += count; }

  // Tells what another walker met on `record` (record `recno`), as it would have told it.
  void Replay(std::string_view record, std::uint32_t recno, const CheckEvent& event) {
    SetRecord(record, recno);
    const int p = event.position;
    if (event.kind == kNoticeEvent) {
      ShowNotice(p, Convert(p, text_buffer_).text);
      return;
    }
    const auto check = static_cast<FindingCheck>(event.kind);
    qualifier_ = {};
    const int depende = plans_[static_cast<std::size_t>(p)].depende_index;
    if (check == FindingCheck::kDominio && depende >= 0) {
      qualifier_ = TrimControls(Convert(depende, depende_buffer_).text);
    }
    Tell(p, check, check == FindingCheck::kDominio ? qualifier_ : std::string_view());
  }

  // Every field lies within a record: the checks need no table, so they may run on any thread.
  bool FieldsWithinRecord() const {
    for (const FieldPlan& plan : plans_) {
      if (plan.offset + plan.length > record_length_) return false;
    }
    return true;
  }

 private:
  void SetRecord(std::string_view record, std::uint32_t recno) {
    record_ = record;
    recno_ = recno;
    // One search per record instead of one per character field: without a NUL byte in the
    // record every character text is its stored bytes.
    record_has_nul_ = std::memchr(record_.data(), '\0', record_.size()) != nullptr;
  }

  std::string_view Raw(int p) const {
    const FieldPlan& plan = plans_[static_cast<std::size_t>(p)];
    if (plan.offset + plan.length <= record_.size()) {
      return {record_.data() + plan.offset, plan.length};
    }
    return dados_.RawField(p);  // raises the reader's error for a field past the record's end
  }

  static constexpr std::uint8_t kFound = 1;
  static constexpr std::uint8_t kNotFound = 2;

  static bool IsOneByteText(const FieldPlan& plan) {
    return plan.kind == ValueKind::kChar && plan.length == 1;
  }

  // The key text a one-byte character field gives for byte c: as the field's text, trimmed.
  static std::string_view OneByteKey(const unsigned char& c) {
    return c <= 32 ? std::string_view() : std::string_view(reinterpret_cast<const char*>(&c), 1);
  }

  // Makes room for found_by_byte when the field's domain lookups depend on one byte (two with a
  // one-byte qualifier), so the record loop looks an answer up instead of hashing a key.
  void TabulateDomain(FieldPlan& plan) {
    const auto within = [&](const FieldPlan& f) {
      return IsOneByteText(f) && f.offset < record_length_;
    };
    if (plan.rule == nullptr || !plan.rule->domain_check || plan.domain == nullptr ||
        plan.is_postal_name || !within(plan)) {
      return;
    }
    const bool qualified = !plan.rule->depende.empty();
    if (qualified) {
      if (plan.depende_index < 0 || !within(plans_[static_cast<std::size_t>(plan.depende_index)])) {
        return;  // a longer qualifier, or one past the record's end: the hashed lookup
      }
      plan.byte_depende = plan.depende_index;
    }
    plan.found_by_byte.assign(qualified ? 256 * 256 : 256, 0);
  }

  // Converts field p; numeric texts are formatted into `buffer`.
  FieldValueView Convert(int p, std::string& buffer) const {
    const FieldPlan& plan = plans_[static_cast<std::size_t>(p)];
    const std::string_view raw = Raw(p);
    FieldValueView out;
    switch (plan.kind) {
      case ValueKind::kChar:
        out.text = record_has_nul_ ? tables::DbfText(raw) : raw;
        return out;
      case ValueKind::kInt32:
      case ValueKind::kInt64: {
        std::optional<std::int64_t> value;
        if (plan.kind == ValueKind::kInt32) {
          if (const auto v = tables::ParseInt32(raw)) value = *v;
        } else {
          value = tables::ParseInt64(raw);
        }
        if (!value) break;
        char digits[24];
        const auto result = std::to_chars(digits, digits + sizeof digits, *value);
        buffer.assign(digits, result.ptr);
        out.text = buffer;
        out.is_zero = *value == 0;
        return out;
      }
      case ValueKind::kFloat: {
        const auto value = tables::ParseDbfFloat(raw);
        if (!value) break;
        buffer = tables::FieldValue::Double(*value).AsString(decimal_separator_);
        out.text = buffer;
        out.is_zero = *value == 0.0;
        return out;
      }
      case ValueKind::kOther: {
        const tables::FieldValue value = tables::DecodeField(*plan.field, raw);
        if (value.IsNull()) break;
        buffer = value.AsString(decimal_separator_);
        out.text = buffer;
        return out;
      }
    }
    out.is_null = true;  // no text: the checks see the empty text
    return out;
  }

  // Per record a field adds at most 1 to erroNulo and at most 3 to erroDom. Inlined into the
  // record loop: a call per field cost a sixth of the checks.
  [[gnu::always_inline]] inline void CheckField(int p) {
    FieldPlan& plan = plans_[static_cast<std::size_t>(p)];
    FieldRule* rule = plan.rule;
    if (plan.kind != ValueKind::kChar) {
      // A numeric value counts as missing only when all its bytes are blanks, not when it is
      // merely malformed.
      if (rule != nullptr && rule->null_check && AllBlank(Raw(p))) {
        Count(rule->erro_nulo, p, FindingCheck::kNulo);
      }
      if (!plan.needs_value) return;
    } else if (rule == nullptr && !plan.is_tipo_prod) {
      return;
    }

    FieldValueView value;
    if (plan.kind == ValueKind::kChar) {
      const std::string_view raw = Raw(p);
      value.text = record_has_nul_ ? tables::DbfText(raw) : raw;
    } else {
      value = Convert(p, text_buffer_);
    }
    if (plan.is_tipo_prod) {
      // A character text stays valid in the record until the next move; a converted one is
      // kept apart from the buffer that the next field reuses.
      if (plan.kind == ValueKind::kChar) {
        product_ = value.text;
      } else {
        product_buffer_.assign(value.text);
        product_ = product_buffer_;
      }
    }
    if (rule == nullptr) return;
    const std::string_view trimmed = TrimControls(value.text);

    // A character value is never null: only its blank text counts, when the rule says a
    // character field.
    if (plan.kind == ValueKind::kChar && rule->null_check && rule->string_type && trimmed.empty()) {
      Count(rule->erro_nulo, p, FindingCheck::kNulo);
    }
    if (rule->width_check) {
      if (!rule->tamanho || static_cast<std::int64_t>(trimmed.size()) != *rule->tamanho) {
        Count(rule->erro_dom, p, FindingCheck::kTamanho);
      }
    }
    if (rule->date_check && !CheckDate(p, value.text)) {
      if (!rule->zeros_allowed || !IsZeroText(plan, value) ||
          (plan.is_birth_date && product_ == kDefaultProductType)) {
        Count(rule->erro_dom, p, FindingCheck::kData);
      }
    }
    if (rule->domain_check && !DomainFound(plan, trimmed)) {
      if (!rule->zeros_allowed || !IsZeroText(plan, value) ||
          (plan.is_postal_exact && product_ == kDefaultProductType)) {
        Count(rule->erro_dom, p, FindingCheck::kDominio);
      }
    }
  }

  // One failure of field p: its rule's counter, the record's mark and, when one listens, the
  // sink.
  [[gnu::always_inline]] inline void Count(std::int64_t& counter, int p, FindingCheck check) {
    ++counter;
    record_failed_ = true;
    if (sink_ != nullptr) Fail(p, check);
  }

  bool CheckDate(int p, std::string_view text) {
    const DateVerdict verdict = JudgeDate(text, ctx_.current_year);
    if (verdict == DateVerdict::kImpossible) {
      if (events_ != nullptr) {
        events_->push_back({index_, static_cast<std::uint16_t>(p), kNoticeEvent});
      } else {
        ShowNotice(p, text);
      }
    }
    return verdict == DateVerdict::kValid;
  }

  void ShowNotice(int p, std::string_view text) {
    const DatePlace place{file_ == FindingFile::kRiscos ? ctx_.risk_path : ctx_.claims_path, recno_,
                          plans_[static_cast<std::size_t>(p)].field->name};
    ShowInvalidDateNotice(ctx_, text, &place);
  }

  // A failure with a sink attached: told now, or written down for the walk's thread.
  void Fail(int p, FindingCheck check) {
    if (events_ != nullptr) {
      events_->push_back({index_, static_cast<std::uint16_t>(p), static_cast<std::uint8_t>(check)});
    } else {
      Tell(p, check, check == FindingCheck::kDominio ? qualifier_ : std::string_view());
    }
  }

  // Out of the record loop's way: only a failure with a sink attached comes here.
  [[gnu::noinline, gnu::cold]] void Tell(int p, FindingCheck check,
                                         std::string_view qualifier = {}) {
    const FieldPlan& plan = plans_[static_cast<std::size_t>(p)];
    FieldFinding finding;
    finding.file = file_;
    finding.record = recno_;
    finding.position = p + 1;
    finding.field = plan.field->name;
    finding.check = check;
    finding.text = tables::DbfText(Raw(p));
    finding.qualifier = qualifier;
    finding.key = keys_.Read(record_, dados_);
    if (check == FindingCheck::kTamanho) finding.width = plan.rule->tamanho;
    if (check == FindingCheck::kData) finding.latest_year = ctx_.current_year + kDateYearsAhead;
    if (check == FindingCheck::kDominio) {
      finding.depende = plan.rule->depende;
      finding.allowed = AllowedValues(p, plan, qualifier);
    }
    sink_->FieldFailed(finding);
  }

  // The values the domain of field p allows for `qualifier`, kept per (field, qualifier): a file
  // repeats the same few failures many times.
  std::string_view AllowedValues(int p, const FieldPlan& plan, std::string_view qualifier) {
    static constexpr std::size_t kShown = 20;
    static constexpr std::size_t kCacheLimit = 4096;  // a hostile file cannot grow it for ever
    std::string key = std::to_string(p);
    key += ':';
    key += qualifier;
    auto it = allowed_.find(key);
    if (it == allowed_.end()) {
      if (allowed_.size() >= kCacheLimit) allowed_.clear();
      std::string text = plan.domain == nullptr ? std::string()
                                                : plan.domain->AllowedValues(
                                                      FieldDomain::PackValor2(qualifier), kShown);
      it = allowed_.emplace(std::move(key), std::move(text)).first;
    }
    return it->second;
  }

  // The value equals its zero text: a character field holds exactly as many "0" as its width;
  // a numeric field holds 0.
  static bool IsZeroText(const FieldPlan& plan, const FieldValueView& value) {
    if (plan.kind != ValueKind::kChar) return value.is_zero;
    if (value.text.size() != static_cast<std::size_t>(plan.field->size)) return false;
    for (const char c : value.text) {
      if (c != '0') return false;
    }
    return true;
  }

  bool DomainFound(FieldPlan& plan, std::string_view trimmed) {
    if (plan.domain == nullptr) return false;
    if (!plan.found_by_byte.empty() && record_.size() == record_length_) {
      const auto& c = reinterpret_cast<const unsigned char&>(record_[plan.offset]);
      std::size_t q = 0;
      qualifier_ = {};
      if (plan.byte_depende >= 0) {
        const FieldPlan& depende = plans_[static_cast<std::size_t>(plan.byte_depende)];
        const auto& qc = reinterpret_cast<const unsigned char&>(record_[depende.offset]);
        qualifier_ = OneByteKey(qc);
        q = qc;
      }
      std::uint8_t& found = plan.found_by_byte[q * 256 + c];
      if (found == 0) {
        found = plan.domain->Contains(FieldDomain::PackValor1(OneByteKey(c)),
                                      FieldDomain::PackValor2(qualifier_))
                    ? kFound
                    : kNotFound;
      }
      return found == kFound;
    }
    // Postal codes by their first five characters. Both key texts are padded and cut to the
    // stored widths, as the keyed table does with a longer key.
    const std::uint64_t key1 =
        FieldDomain::PackValor1(plan.is_postal_name ? trimmed.substr(0, 5) : trimmed);
    std::uint16_t key2 = FieldDomain::PackValor2({});
    qualifier_ = {};
    if (plan.depende_index >= 0) {
      qualifier_ = TrimControls(Convert(plan.depende_index, depende_buffer_).text);
      key2 = FieldDomain::PackValor2(qualifier_);
    }
    if (!plan.has_last || key1 != plan.last_key1 || key2 != plan.last_key2) {
      plan.last_key1 = key1;
      plan.last_key2 = key2;
      plan.last_found = plan.domain->Contains(key1, key2);
      plan.has_last = true;
    }
    return plan.last_found;
  }

  RunContext& ctx_;
  tables::DbfTable& dados_;
  std::size_t record_length_;
  RuleSet& rules_;
  const DomainSet& domains_;
  char decimal_separator_;
  std::vector<FieldPlan> plans_;
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
  std::unordered_map<std::string, std::string> allowed_;
  std::vector<CheckEvent>* events_;  // null: tell at once
  bool record_failed_ = false;       // the current record failed a field check
  std::int64_t records_failed_ = 0;
};

// The field checks of a walk on worker threads: each worker reads its chunks from the file and
// has its own walker, company check and copy of the rules for its counters; the walk's walker
// replays what they met in file order, the counters are added to the walk's rules as each chunk
// is replayed, and the chunk's records then go to the taps as they lie.
class ParallelChecks {
 public:
  ParallelChecks(RunContext& ctx, RuleSet& rules, const DomainSet& domains, RecordWalker& teller,
                 int threads, CompanyCheck& company, WalkProgress& progress, TapThreads* taps)
      : ctx_(ctx),
        rules_(rules),
        teller_(teller),
        company_(company),
        progress_(progress),
        taps_(taps),
        file_(ctx.tables.tbDados),
        record_length_(file_.RecordLength()),
        skip_deleted_(file_.set_deleted()) {
    for (int w = 0; w < threads; ++w) {
      auto worker = std::make_unique<Worker>(ctx, rules);
      worker->walker.emplace(ctx, worker->rules, domains, &worker->events);
      workers_.push_back(std::move(worker));
    }
    pipeline_.emplace(
        workers_.size(), [this](std::size_t w, CheckChunk& chunk) { Check(*workers_[w], chunk); },
        [this](CheckChunk& chunk) { return Replay(chunk); });
  }

  // Every record of the file, as the table's walk shows them. False when the company check
  // stopped the walk: the table is then on the record of another company.
  bool Walk() {
    // The records the file holds, as the table's own walk counts them.
    const std::uint64_t held = std::min<std::uint64_t>(file_.HeaderCheck().held,
                                                       std::numeric_limits<std::uint32_t>::max());
    const std::uint64_t per_chunk = std::max<std::uint64_t>(
        1, CheckPipeline::kChunkBytes / std::max<std::size_t>(1, record_length_));
    for (std::uint64_t first = 1; first <= held && !pipeline_->stopped(); first += per_chunk) {
      pipeline_->Add(static_cast<std::uint32_t>(first),
                     static_cast<std::uint32_t>(std::min(per_chunk, held - first + 1)));
    }
    pipeline_->Drain();
    return !pipeline_->stopped();
  }

 private:
  struct Worker {
    Worker(RunContext& ctx, const RuleSet& walk_rules) : rules(walk_rules), company(ctx) {}
    RuleSet rules;
    CompanyCheck company;
    std::vector<CheckEvent> events;
    std::optional<RecordWalker> walker;
  };

  std::string_view RecordOf(const CheckChunk& chunk, std::uint32_t index) const {
    const std::size_t at = chunk.recnos[index] - chunk.first;
    return {chunk.bytes.data() + at * record_length_, record_length_};
  }

  // On a worker's thread.
  void Check(Worker& worker, CheckChunk& chunk) const {
    try {
      chunk.bytes.resize(std::size_t{chunk.count} * record_length_);
      if (file_.ReadRecordsAt(chunk.first, chunk.count, chunk.bytes.data()) < chunk.count) {
        tables::ThrowChangedWhileRead(file_.FileName());  // the file held them when opened
      }
      for (std::uint32_t i = 0; i < chunk.count; ++i) {
        const std::string_view record(chunk.bytes.data() + std::size_t{i} * record_length_,
                                      record_length_);
        if (skip_deleted_ && record.front() == tables::dbf::kDeletedFlag) continue;
        const std::uint32_t recno = chunk.first + i;
        chunk.recnos.push_back(recno);
        if (!worker.company.MatchesRecord(record)) {
          chunk.company_stop = true;
          break;
        }
        worker.walker->CheckRecord(record, recno,
                                   static_cast<std::uint32_t>(chunk.recnos.size() - 1));
      }
    } catch (...) {
      chunk.error = std::current_exception();
    }
    chunk.events.swap(worker.events);
    worker.events.clear();
    worker.rules.TakeCounters(chunk.counters);
    chunk.records_failed = worker.walker->TakeRecordsFailed();
  }

  // On the walk's thread, chunk after chunk in file order.
  bool Replay(CheckChunk& chunk) {
    // Every record shown is counted, the one that stops the walk too; a count that cannot grow
    // further stays at its maximum.
    std::int32_t& count = ctx_.state.numRegistros;
    count = static_cast<std::int32_t>(std::min<std::int64_t>(
        std::numeric_limits<std::int32_t>::max(),
        std::int64_t{count} + static_cast<std::int64_t>(chunk.recnos.size())));
    for (const CheckEvent& event : chunk.events) {
      teller_.Replay(RecordOf(chunk, event.index), chunk.recnos[event.index], event);
    }
    rules_.AddCounters(chunk.counters);
    teller_.AddRecordsFailed(chunk.records_failed);
    if (chunk.error) std::rethrow_exception(chunk.error);
    if (chunk.company_stop) {
      file_.GoTo(chunk.recnos.back());
      company_.ReportMismatch();
      if (taps_ != nullptr) {
        taps_->AddSpan(chunk.first, chunk.bytes, chunk.recnos, chunk.recnos.size() - 1);
      }
      return false;
    }
    progress_.Advance(chunk.count, chunk.first + chunk.count - 1);
    if (taps_ != nullptr) {
      taps_->AddSpan(chunk.first, chunk.bytes, chunk.recnos, chunk.recnos.size());
    }
    return true;
  }

  RunContext& ctx_;
  RuleSet& rules_;
  RecordWalker& teller_;
  CompanyCheck& company_;
  WalkProgress& progress_;
  TapThreads* taps_;
  tables::DbfTable& file_;
  std::size_t record_length_;
  bool skip_deleted_;
  std::vector<std::unique_ptr<Worker>> workers_;
  std::optional<CheckPipeline> pipeline_;  // last: stopped before the workers' walkers go
};

}  // namespace

std::optional<int> DateYear(std::string_view text) {
  int year = 0;
  int month = 0;
  int day = 0;
  if (!SplitDate(text, &year, &month, &day)) return std::nullopt;
  return year;
}

bool ValidaData(RunContext& ctx, std::string_view text, const DatePlace* place) {
  const DateVerdict verdict = JudgeDate(text, ctx.current_year);
  if (verdict == DateVerdict::kImpossible) ShowInvalidDateNotice(ctx, text, place);
  return verdict == DateVerdict::kValid;
}

bool WalkRecords(RunContext& ctx) {
  tables::DbfTable& dados = ctx.tables.tbDados;
  tables::MemTable& estrut = ctx.tables.zelEstrutTab;
  estrut.SetIndexName("index2");
  RuleSet rules = RuleSet::Compile(estrut, ctx.state.numTabela, dados.FieldCount());
  const DomainSet domains = DomainSet::Compile(ctx.tables.zelAnexos, ctx.state.numTabela);

  bool completed = true;
  try {
    RecordWalker walker(ctx, rules, domains);
    CompanyCheck company(ctx);
    WalkProgress progress(
        ctx.host, Ansi("crítica dos campos: ") + std::string(Trimmed(ctx.state.nomeTabela)), dados);
    dados.First();
    const std::vector<RecordTap*> taps = StartTaps(ctx);
    // With two threads or more the taps run on threads of their own and the field checks on
    // workers; all are stopped with the walk should it throw.
    std::optional<TapThreads> tap_threads;
    if (!taps.empty() && ctx.walk_threads > 1) tap_threads.emplace(taps, dados.RecordLength());
    const auto feed = [&] {
      if (tap_threads) {
        tap_threads->Add(dados.RecNo(), dados.Record());
      } else {
        for (RecordTap* tap : taps) tap->Take(dados.RecNo(), dados.Record());
      }
    };
    if (ctx.walk_threads > 1 && walker.FieldsWithinRecord()) {
      ParallelChecks parallel(ctx, rules, domains, walker, ctx.walk_threads, company, progress,
                              tap_threads ? &*tap_threads : nullptr);
      completed = parallel.Walk();
    } else {
      for (; !dados.Eof(); dados.Next()) {
        if (ctx.state.numRegistros < std::numeric_limits<std::int32_t>::max()) {
          ++ctx.state.numRegistros;  // a count that cannot grow further stays at its maximum
        }
        if (!company.Check()) {
          completed = false;
          break;
        }
        walker.CheckRecord(dados.Record(), dados.RecNo());
        if (!taps.empty()) feed();
        progress.Step();
      }
    }
    ctx.state.numRegistrosComFalha = walker.records_failed();
    if (completed) progress.Done();
    // The phases after the walks need the whole file even when the company check stopped the
    // field checks: the rest of it is read for the taps alone, from the record that stopped.
    if (!taps.empty()) {
      if (!completed) {
        for (; !dados.Eof(); dados.Next()) feed();  // the table is on the record that stopped
      }
      if (tap_threads) {
        tap_threads->Finish();
      } else {
        for (RecordTap* tap : taps) tap->Finish();
      }
    }
  } catch (...) {
    // An error ends the run, but the counters raised so far stay visible in the rule rows.
    try {
      rules.WriteBack(estrut);
    } catch (...) {
    }
    throw;
  }
  rules.WriteBack(estrut);
  return completed;
}

}  // namespace engine
