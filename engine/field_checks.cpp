#include "engine/field_checks.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/findings.h"
#include "engine/record_key.h"
#include "engine/rule_set.h"
#include "engine/structure_check.h"
#include "engine/tap_thread.h"
#include "engine/text.h"
#include "engine/walk_carry.h"
#include "engine/walk_progress.h"
#include "tables/dbf_values.h"

namespace engine {
namespace {

// "Data Inválida : " in Windows-1252.
constexpr std::string_view kInvalidDate =
    "Data Inv\xE1"
    "lida : ";
constexpr std::string_view kDefaultProductType = "2";

// How a field's stored bytes become its value.
enum class ValueKind { kChar, kInt32, kInt64, kFloat, kOther };

// What the walk needs of one field, worked out once per file.
struct FieldPlan {
  FieldRule* rule = nullptr;  // nullptr: no rule row for the position, the field is not checked
  const tables::DbfField* field = nullptr;
  ValueKind kind = ValueKind::kOther;
  bool is_tipo_prod = false;     // its text becomes the product type
  bool is_birth_date = false;    // D_NASC, DATA_NASC: all zeros fail under product type "2"
  bool is_postal_name = false;   // the name contains CEP: looked up in the postal-code list
  bool is_postal_exact = false;  // CEP, CEP_UTIL, CEP_PER: all zeros fail under product type "2"
  int depende_index = -1;        // field holding the qualifying value; -1: none or missing
  bool needs_value = false;      // the product type, width, date or domain check reads its text
  const FieldDomain* domain = nullptr;  // the values its key can find; nullptr: none
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

// Year, month and day of a text written YYYYMMDD, each by the integer conversion; false when a
// part does not convert. Eight plain digits, the usual case, are read at once.
bool SplitDate(std::string_view text, int* year, int* month, int* day) {
  if (text.size() >= 8) {
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
  const auto y = DatePart(Part(text, 0, 4));
  const auto m = DatePart(Part(text, 4, 2));
  const auto d = DatePart(Part(text, 6, 2));
  if (!y || !m || !d) return false;
  *year = *y;
  *month = *m;
  *day = *d;
  return true;
}

// The value of one field of the current record, converted on demand.
struct FieldValueView {
  std::string_view text;  // the field's text; empty for a numeric value that reads as null
  bool is_null = false;   // a non-character value that does not parse
  bool is_zero = false;   // a numeric value equal to 0
};

class RecordWalker {
 public:
  RecordWalker(RunContext& ctx, RuleSet& rules, const DomainSet& domains)
      : ctx_(ctx),
        dados_(ctx.tables.tbDados),
        rules_(rules),
        domains_(domains),
        decimal_separator_(ctx.regional.decimal_separator),
        sink_(ctx.findings),
        file_(FindingFileOf(ctx.state.numTabela)),
        keys_(ctx.tables.tbDados) {
    const auto& fields = dados_.FieldList();
    plans_.resize(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
      FieldPlan& plan = plans_[i];
      const tables::DbfField& f = fields[i];
      plan.field = &f;
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
  }

  void CheckRecord() {
    record_ = dados_.Record();
    // One search per record instead of one per character field: without a NUL byte in the
    // record every character text is its stored bytes.
    record_has_nul_ = std::memchr(record_.data(), '\0', record_.size()) != nullptr;
    product_ = kDefaultProductType;
    const int count = static_cast<int>(plans_.size());
    for (int p = 0; p < count; ++p) CheckField(p);
  }

 private:
  std::string_view Raw(int p) const {
    const tables::DbfField& f = *plans_[static_cast<std::size_t>(p)].field;
    if (f.offset + f.length <= record_.size()) return record_.substr(f.offset, f.length);
    return dados_.RawField(p);  // raises the reader's error for a field past the record's end
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

  // Per record a field adds at most 1 to erroNulo and at most 3 to erroDom.
  void CheckField(int p) {
    FieldPlan& plan = plans_[static_cast<std::size_t>(p)];
    FieldRule* rule = plan.rule;
    if (plan.kind != ValueKind::kChar) {
      // A numeric value counts as missing only when all its bytes are blanks, not when it is
      // merely malformed.
      if (rule != nullptr && rule->null_check && AllBlank(Raw(p))) {
        ++rule->erro_nulo;
        if (sink_ != nullptr) Tell(p, FindingCheck::kNulo);
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
      ++rule->erro_nulo;
      if (sink_ != nullptr) Tell(p, FindingCheck::kNulo);
    }
    if (rule->width_check) {
      if (!rule->tamanho || static_cast<std::int64_t>(trimmed.size()) != *rule->tamanho) {
        ++rule->erro_dom;
        if (sink_ != nullptr) Tell(p, FindingCheck::kTamanho);
      }
    }
    if (rule->date_check && !CheckDate(p, value.text)) {
      if (!rule->zeros_allowed || !IsZeroText(plan, value) ||
          (plan.is_birth_date && product_ == kDefaultProductType)) {
        ++rule->erro_dom;
        if (sink_ != nullptr) Tell(p, FindingCheck::kData);
      }
    }
    if (rule->domain_check && !DomainFound(plan, trimmed)) {
      if (!rule->zeros_allowed || !IsZeroText(plan, value) ||
          (plan.is_postal_exact && product_ == kDefaultProductType)) {
        ++rule->erro_dom;
        if (sink_ != nullptr) Tell(p, FindingCheck::kDominio, qualifier_);
      }
    }
  }

  bool CheckDate(int p, std::string_view text) {
    const DatePlace place{file_ == FindingFile::kRiscos ? ctx_.risk_path : ctx_.claims_path,
                          dados_.RecNo(), plans_[static_cast<std::size_t>(p)].field->name};
    return ValidaData(ctx_, text, &place);
  }

  // Out of the record loop's way: only a failure with a sink attached comes here.
  [[gnu::noinline, gnu::cold]] void Tell(int p, FindingCheck check,
                                         std::string_view qualifier = {}) {
    const FieldPlan& plan = plans_[static_cast<std::size_t>(p)];
    FieldFinding finding;
    finding.file = file_;
    finding.record = dados_.RecNo();
    finding.position = p + 1;
    finding.field = plan.field->name;
    finding.check = check;
    finding.text = tables::DbfText(Raw(p));
    finding.qualifier = qualifier;
    finding.key = keys_.Read(dados_);
    if (check == FindingCheck::kTamanho) finding.width = plan.rule->tamanho;
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
  RuleSet& rules_;
  const DomainSet& domains_;
  char decimal_separator_;
  std::vector<FieldPlan> plans_;
  std::string_view record_;
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
};

}  // namespace

bool ValidaData(RunContext& ctx, std::string_view text, const DatePlace* place) {
  int year = 0;
  int month = 0;
  int day = 0;
  if (!SplitDate(text, &year, &month, &day)) return false;
  if (year < 1900 || year > ctx.current_year + 5) return false;
  if (!IsCalendarDate(year, month, day)) {
    std::string message(kInvalidDate);
    message.append(text);
    if (place != nullptr) {
      ctx.host.ShowInvalidDateAt(message, *place);
    } else {
      ctx.host.ShowInvalidDate(message);
    }
    return false;
  }
  return true;
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
    // With two threads the taps run on the second; stopped with the walk should it throw.
    std::optional<TapThread> tap_thread;
    if (!taps.empty() && ctx.walk_threads > 1) tap_thread.emplace(taps, dados.RecordLength());
    const auto feed = [&] {
      if (tap_thread) {
        tap_thread->Add(dados.RecNo(), dados.Record());
      } else {
        for (RecordTap* tap : taps) tap->Take(dados.RecNo(), dados.Record());
      }
    };
    for (; !dados.Eof(); dados.Next()) {
      if (ctx.state.numRegistros < std::numeric_limits<std::int32_t>::max()) {
        ++ctx.state.numRegistros;  // a count that cannot grow further stays at its maximum
      }
      if (!company.Check()) {
        completed = false;
        break;
      }
      walker.CheckRecord();
      if (!taps.empty()) feed();
      progress.Step();
    }
    if (completed) progress.Done();
    // The phases after the walks need the whole file even when the company check stopped the
    // field checks: the rest of it is read for the taps alone, from the record that stopped.
    if (!taps.empty()) {
      for (; !dados.Eof(); dados.Next()) feed();
      if (tap_thread) {
        tap_thread->Finish();
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
