#include "engine/field_checks_walker.h"

#include <charconv>
#include <cstring>
#include <optional>

#include "engine/field_checks_date.h"
#include "engine/field_checks_words.h"
#include "tables/dbf_values.h"

namespace engine {
namespace {

// "Data Inválida : " in Windows-1252.
constexpr std::string_view kInvalidDate =
    "Data Inv\xE1"
    "lida : ";

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

std::string_view Part(std::string_view text, std::size_t pos, std::size_t count) {
  return pos < text.size() ? text.substr(pos, count) : std::string_view();
}

}  // namespace

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

void ShowInvalidDateNotice(RunContext& ctx, std::string_view text, const DatePlace* place) {
  std::string message(kInvalidDate);
  message.append(text);
  if (place != nullptr) {
    ctx.host.ShowInvalidDateAt(message, *place);
  } else {
    ctx.host.ShowInvalidDate(message);
  }
}

RecordWalker::RecordWalker(RunContext& ctx, RuleSet& rules, const DomainSet& domains,
                           std::vector<CheckEvent>* events)
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
    plan.needs_value = plan.is_tipo_prod ||
                       (plan.rule != nullptr && (plan.rule->width_check || plan.rule->date_check ||
                                                 plan.rule->domain_check));
  }
  for (FieldPlan& plan : plans_) TabulateDomain(plan);
  Plan();
}

bool RecordWalker::FieldsWithinRecord() const {
  for (const FieldPlan& plan : plans_) {
    if (plan.offset + plan.length > record_length_) return false;
  }
  return true;
}

void RecordWalker::Replay(std::string_view record, std::uint32_t recno, const CheckEvent& event) {
  // A record's events come one after another; the worker's NUL search comes with them.
  if (record.data() != record_.data() || recno != recno_) {
    record_ = record;
    recno_ = recno;
    record_has_nul_ = event.record_has_nul();
  }
  const int p = event.position();
  if (event.is_notice()) {
    ShowNotice(p, Convert(p, text_buffer_).text);
    return;
  }
  const FindingCheck check = event.check();
  qualifier_ = {};
  const int depende = plans_[static_cast<std::size_t>(p)].depende_index;
  if (check == FindingCheck::kDominio && depende >= 0) {
    qualifier_ = words::TrimControls(Convert(depende, depende_buffer_).text);
  }
  Tell(p, check, check == FindingCheck::kDominio ? qualifier_ : std::string_view());
}

void RecordWalker::SetRecord(std::string_view record, std::uint32_t recno) {
  record_ = record;
  recno_ = recno;
  // One search per record instead of one per character field: without a NUL byte in the
  // record every character text is its stored bytes.
  record_has_nul_ = std::memchr(record_.data(), '\0', record_.size()) != nullptr;
}

std::string_view RecordWalker::Raw(int p) const {
  const FieldPlan& plan = plans_[static_cast<std::size_t>(p)];
  if (plan.offset + plan.length <= record_.size()) {
    return {record_.data() + plan.offset, plan.length};
  }
  return dados_.RawField(p);  // raises the reader's error for a field past the record's end
}

// Makes room for found_by_byte when the field's domain key depends on at most two bytes of the
// record, so the record loop looks an answer up instead of hashing a key.
void RecordWalker::TabulateDomain(FieldPlan& plan) {
  const auto within = [&](const FieldPlan& f, std::size_t length) {
    return f.kind == ValueKind::kChar && f.length == length && f.offset + length <= record_length_;
  };
  if (plan.rule == nullptr || !plan.rule->domain_check || plan.domain == nullptr ||
      plan.is_postal_name) {
    return;
  }
  if (plan.rule->depende.empty()) {
    if (within(plan, 1)) plan.found_by_byte.assign(256, 0);
    // Two bytes only in a record without NUL bytes, where the text is the bytes as stored.
    if (within(plan, 2)) plan.found_by_byte.assign(256 * 256, 0);
    return;
  }
  if (!within(plan, 1) || plan.depende_index < 0 ||
      !within(plans_[static_cast<std::size_t>(plan.depende_index)], 1)) {
    return;  // a longer qualifier, or one past the record's end: the hashed lookup
  }
  plan.byte_depende = plan.depende_index;
  plan.found_by_byte.assign(256 * 256, 0);
}

RecordWalker::FieldValueView RecordWalker::Convert(int p, std::string& buffer) const {
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

// The general way: every value as the keyed look-ups read it. Per record a field adds at most 1
// to erroNulo and at most 3 to erroDom.
void RecordWalker::CheckField(int p) {
  FieldPlan& plan = plans_[static_cast<std::size_t>(p)];
  FieldRule* rule = plan.rule;
  if (plan.kind != ValueKind::kChar) {
    // A numeric value counts as missing only when all its bytes are blanks, not when it is
    // merely malformed.
    if (rule != nullptr && rule->null_check && words::AllBlank(Raw(p))) {
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
  const std::string_view trimmed = words::TrimControls(value.text);

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
  if (rule->date_check && !CheckDate(p, value.text)) DateFailed(p, *rule, value);
  if (rule->domain_check && !DomainFound(plan, trimmed)) DomainFailed(p, *rule, value);
}

void RecordWalker::DateFailed(int p, FieldRule& rule, const FieldValueView& value) {
  const FieldPlan& plan = plans_[static_cast<std::size_t>(p)];
  if (!rule.zeros_allowed || !IsZeroText(plan, value) ||
      (plan.is_birth_date && product_ == kDefaultProduct)) {
    Count(rule.erro_dom, p, FindingCheck::kData);
  }
}

void RecordWalker::DomainFailed(int p, FieldRule& rule, const FieldValueView& value) {
  const FieldPlan& plan = plans_[static_cast<std::size_t>(p)];
  if (!rule.zeros_allowed || !IsZeroText(plan, value) ||
      (plan.is_postal_exact && product_ == kDefaultProduct)) {
    Count(rule.erro_dom, p, FindingCheck::kDominio);
  }
}

bool RecordWalker::CheckDate(int p, std::string_view text) {
  const DateVerdict verdict = JudgeDate(text, ctx_.current_year);
  if (verdict == DateVerdict::kImpossible) NoteImpossibleDate(p, text);
  return verdict == DateVerdict::kValid;
}

void RecordWalker::NoteImpossibleDate(int p, std::string_view text) {
  if (events_ != nullptr) {
    events_->push_back(CheckEvent::Notice(index_, p, record_has_nul_));
  } else {
    ShowNotice(p, text);
  }
}

void RecordWalker::ShowNotice(int p, std::string_view text) {
  const DatePlace place{file_ == FindingFile::kRiscos ? ctx_.risk_path : ctx_.claims_path, recno_,
                        plans_[static_cast<std::size_t>(p)].field->name};
  ShowInvalidDateNotice(ctx_, text, &place);
}

// A failure with a sink attached: counted in the chunk's part and told to the sink now, or, on a
// worker, counted in the part and written down for the walk's thread to tell.
void RecordWalker::Fail(int p, FindingCheck check) {
  const std::string_view qualifier =
      check == FindingCheck::kDominio ? qualifier_ : std::string_view();
  if (events_ != nullptr && tell_sink_) {
    events_->push_back(CheckEvent::Failure(index_, p, check, record_has_nul_));
  }
  if (part_ != nullptr || events_ == nullptr) Tell(p, check, qualifier);
}

void RecordWalker::Tell(int p, FindingCheck check, std::string_view qualifier) {
  const FieldPlan& plan = plans_[static_cast<std::size_t>(p)];
  // Every member set anew: the finding is the walker's, reused from one failure to the next.
  FieldFinding& finding = finding_;
  finding.file = file_;
  finding.record = recno_;
  finding.position = p + 1;
  finding.field = plan.field->name;
  finding.check = check;
  const std::string_view raw = Raw(p);
  finding.text = record_has_nul_ ? tables::DbfText(raw) : raw;
  finding.qualifier = qualifier;
  finding.depende = check == FindingCheck::kDominio ? std::string_view(plan.rule->depende) : "";
  finding.table = &dados_;
  finding.width = check == FindingCheck::kTamanho ? plan.rule->tamanho : std::nullopt;
  finding.latest_year = check == FindingCheck::kData ? ctx_.current_year + kDateYearsAhead : 0;
  const Details details(*this, p, check, qualifier);
  finding.details = &details;
  if (part_ != nullptr) part_->Count(finding);
  if (tell_sink_ && events_ == nullptr) sink_->FieldFailed(finding);
  finding.details = nullptr;  // they end here
}

RecordKey RecordWalker::Details::Key() const {
  const RecordWalker& w = walker_;
  return w.record_has_nul_ ? w.keys_.Read(w.record_, w.dados_)
                           : w.keys_.ReadWithoutNul(w.record_, w.dados_);
}

std::string_view RecordWalker::Details::Allowed() const {
  return check_ == FindingCheck::kDominio ? walker_.AllowedValues(p_, qualifier_)
                                          : std::string_view();
}

// The values the domain of field p allows for `qualifier`, kept per (field, qualifier): a file
// repeats the same few failures many times. The domain knows the qualifier only as its packed
// key, so that is the cache's key too.
std::string_view RecordWalker::AllowedValues(int p, std::string_view qualifier) {
  static constexpr std::size_t kShown = 20;
  static constexpr std::size_t kCacheLimit = 4096;  // a hostile file cannot grow it for ever
  const std::uint16_t valor2 = FieldDomain::PackValor2(qualifier);
  const std::uint64_t key = static_cast<std::uint64_t>(p) << 16 | valor2;
  auto it = allowed_.find(key);
  if (it == allowed_.end()) {
    if (allowed_.size() >= kCacheLimit) allowed_.clear();
    const FieldDomain* domain = plans_[static_cast<std::size_t>(p)].domain;
    it =
        allowed_
            .emplace(key, domain == nullptr ? std::string() : domain->AllowedValues(valor2, kShown))
            .first;
  }
  return it->second;
}

// The value equals its zero text: a character field holds exactly as many "0" as its width;
// a numeric field holds 0.
bool RecordWalker::IsZeroText(const FieldPlan& plan, const FieldValueView& value) {
  if (plan.kind != ValueKind::kChar) return value.is_zero;
  if (value.text.size() != static_cast<std::size_t>(plan.field->size)) return false;
  for (const char c : value.text) {
    if (c != '0') return false;
  }
  return true;
}

bool RecordWalker::DomainFound(FieldPlan& plan, std::string_view trimmed) {
  if (plan.domain == nullptr) return false;
  if (!plan.found_by_byte.empty() && plan.length == 1 && record_.size() == record_length_) {
    const char* c = record_.data() + plan.offset;
    std::size_t index = static_cast<unsigned char>(*c);
    qualifier_ = {};
    if (plan.byte_depende >= 0) {
      const FieldPlan& depende = plans_[static_cast<std::size_t>(plan.byte_depende)];
      const char* qc = record_.data() + depende.offset;
      qualifier_ = words::OneByteKey(qc);
      index |= std::size_t{static_cast<unsigned char>(*qc)} << 8;
    }
    return TabulatedFound(plan, index, words::OneByteKey(c));
  }
  // Postal codes by their first five characters. Both key texts are padded and cut to the
  // stored widths, as the keyed table does with a longer key.
  return LookUp(plan,
                FieldDomain::PackValor1(plan.is_postal_name ? trimmed.substr(0, 5) : trimmed));
}

// The answer for the bytes at `index` of found_by_byte, looked up the first time they come.
// REQUIRES: qualifier_ set.
bool RecordWalker::TabulatedFound(FieldPlan& plan, std::size_t index, std::string_view key) {
  std::uint8_t& found = plan.found_by_byte[index];
  if (found == 0) {
    found = plan.domain->Contains(FieldDomain::PackValor1(key), FieldDomain::PackValor2(qualifier_))
                ? kFound
                : kNotFound;
  }
  return found == kFound;
}

// The hashed lookup of `key1` with the qualifying field's value, if the rule names one.
bool RecordWalker::LookUp(FieldPlan& plan, std::uint64_t key1) {
  std::uint16_t key2 = FieldDomain::PackValor2({});
  qualifier_ = {};
  if (plan.depende_index >= 0) {
    qualifier_ = words::TrimControls(Convert(plan.depende_index, depende_buffer_).text);
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

}  // namespace engine
