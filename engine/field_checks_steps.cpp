#include <algorithm>
#include <bit>
#include <limits>

#include "engine/field_checks_date.h"
#include "engine/field_checks_walker.h"
#include "engine/field_checks_words.h"

namespace engine {
namespace {

constexpr std::uint64_t kEightZeros = 0x3030303030303030ULL;
// Whether eight zeros pass a date's quick test (QuickBytes::last of a date).
constexpr std::uint32_t kZerosFail = 0;
constexpr std::uint32_t kZerosPass = 1;
constexpr std::uint32_t kZerosUnlessProduct2 = 2;

}  // namespace

// The steps of the usual record: only the fields with something to check, each with what it
// checks worked out from its rule, and the quick test that passes its usual values.
void RecordWalker::Plan() {
  steps_usable_ = words::kUsable && record_length_ >= 8 && FieldsWithinRecord() &&
                  record_length_ <= std::numeric_limits<std::uint32_t>::max();
  if (!steps_usable_) return;
  for (std::size_t i = 0; i < plans_.size(); ++i) {
    FieldPlan& plan = plans_[i];
    FieldRule* rule = plan.rule;
    Step step;
    step.plan = &plan;
    step.rule = rule;
    step.position = static_cast<std::int32_t>(i);
    step.offset = static_cast<std::uint32_t>(plan.offset);
    step.length = static_cast<std::uint32_t>(plan.length);
    if (plan.kind == ValueKind::kChar) {
      if (plan.is_tipo_prod) {  // before the field's own checks, which may read it
        step.kind = StepKind::kProduct;
        steps_.push_back(step);
      }
      if (rule == nullptr) continue;
      step.null = rule->null_check && rule->string_type;
      step.width = rule->width_check;
      step.tamanho = rule->tamanho.value_or(-1);
      step.date = rule->date_check;
      step.domain = rule->domain_check;
      step.trim = step.null || step.width || step.domain;
      if (!step.trim && !step.date) continue;  // nothing to check
      step.is_short = plan.length >= 1 && plan.length <= 8;
      if (step.is_short) {
        step.load_at = static_cast<std::uint32_t>(std::min(plan.offset, record_length_ - 8));
        step.shift = static_cast<std::uint8_t>(plan.offset - step.load_at);
      }
      step.kind = QuickKind(step);
      if (step.kind == StepKind::kTable && plan.byte_depende >= 0) {
        step.second =
            static_cast<std::uint32_t>(plans_[static_cast<std::size_t>(plan.byte_depende)].offset);
      } else if (step.kind == StepKind::kTable && plan.length == 2) {
        step.second = step.offset + 1;
      }
    } else if (rule == nullptr && !plan.is_tipo_prod) {
      continue;  // nothing to check
    } else if (!plan.needs_value) {
      if (!rule->null_check) continue;
      step.kind = StepKind::kBlank;
    } else {
      step.kind = StepKind::kGeneral;
    }
    steps_.push_back(step);
  }
  ListQuickTests();
}

// A text whose first and last bytes are above 32 is kept whole: it passes the null check, and
// the width check when the width is the field's.
RecordWalker::StepKind RecordWalker::QuickKind(const Step& step) const {
  const FieldPlan& plan = *step.plan;
  const bool whole_passes = !step.width || step.tamanho == static_cast<std::int64_t>(step.length);
  if (!whole_passes) return StepKind::kText;
  if (!step.date && !step.domain) return StepKind::kWhole;
  if (step.date && !step.domain && step.length == 8) return StepKind::kDate;
  if (step.date || plan.domain == nullptr) return StepKind::kText;
  if (!plan.found_by_byte.empty()) return StepKind::kTable;
  if (step.is_short) return StepKind::kKey;
  return StepKind::kText;
}

void RecordWalker::CheckRecord(std::string_view record, std::uint32_t recno, std::uint32_t index) {
  SetRecord(record, recno);
  index_ = index;
  product_ = kDefaultProduct;
  record_failed_ = false;
  if (!steps_usable_ || record.size() != record_length_ || record_has_nul_) {
    const int count = static_cast<int>(plans_.size());
    for (int p = 0; p < count; ++p) CheckField(p);
    if (record_failed_) ++records_failed_;
    return;
  }
  // First every quick test, kind after kind, each noting the steps it does not pass; then,
  // in field order, those steps and the ones without a quick test, the whole way.
  const auto* bytes = reinterpret_cast<const unsigned char*>(record_.data());
  std::copy(quick_.always.begin(), quick_.always.end(), pending_.begin());
  const auto note = [&](std::uint32_t step) {
    pending_[step / 64] |= std::uint64_t{1} << (step % 64);
  };
  for (const QuickBytes& q : quick_.whole) {
    if (bytes[q.first] <= 32 || bytes[q.last] <= 32) note(q.step);
  }
  for (const QuickBytes& q : quick_.blank) {
    if (bytes[q.last] == ' ') note(q.step);  // a number is stored right-aligned
  }
  for (const QuickTable& q : quick_.table) {
    const std::size_t second = q.second == 0 ? 0 : std::size_t{bytes[q.second]} << 8;
    if (bytes[q.first] <= 32 || bytes[q.last] <= 32 || q.found[bytes[q.first] | second] != kFound) {
      note(q.step);
    }
  }
  for (const QuickBytes& q : quick_.date) {
    int year = 0;
    int month = 0;
    int day = 0;
    const std::uint64_t word = words::Load8(record_.data() + q.first);
    if (!words::EightDigits(word, &year, &month, &day) || year < kFirstDateYear ||
        year > ctx_.current_year + kDateYearsAhead || !IsCalendarDate(year, month, day)) {
      // Eight zeros are no date, but pass where the rule allows zeros: a birth date's only
      // when the product type read before it is not "2".
      if (word != kEightZeros || q.last == kZerosFail ||
          (q.last == kZerosUnlessProduct2 && quick_.product_length == 1 &&
           bytes[quick_.product_offset] == '2')) {
        note(q.step);
      }
    }
  }
  for (const QuickBytes& q : quick_.key) {
    const Step& step = steps_[q.step];
    if (bytes[q.first] <= 32 || bytes[q.last] <= 32 ||
        !LookUp(*step.plan, words::PackKey(ShortWord(step), 0, step.length,
                                           step.plan->is_postal_name ? 5 : 8))) {
      note(q.step);
    }
  }
  for (std::size_t w = 0; w < pending_.size(); ++w) {
    for (std::uint64_t bits = pending_[w]; bits != 0; bits &= bits - 1) {
      CheckStep(steps_[w * 64 + static_cast<std::size_t>(std::countr_zero(bits))]);
    }
  }
  if (record_failed_) ++records_failed_;
}

// A step whose quick test did not pass, or that has none.
void RecordWalker::CheckStep(const Step& step) {
  switch (step.kind) {
    case StepKind::kProduct:
      product_ = record_.substr(step.offset, step.length);
      return;
    case StepKind::kBlank:
      if (words::AllBlank(record_.substr(step.offset, step.length))) {
        Count(step.rule->erro_nulo, step.position, FindingCheck::kNulo);
      }
      return;
    case StepKind::kGeneral:
      CheckField(step.position);
      return;
    default:
      CheckText(step);
  }
}

// The quick tests' own lists: what each reads of the record, by kind, and the steps that have
// none.
void RecordWalker::ListQuickTests() {
  quick_ = {};
  quick_.always.assign((steps_.size() + 63) / 64, 0);
  pending_.assign(quick_.always.size(), 0);
  for (std::size_t i = 0; i < steps_.size(); ++i) {
    const Step& step = steps_[i];
    const auto index = static_cast<std::uint32_t>(i);
    const QuickBytes q{step.offset, step.offset + step.length - 1, index};
    switch (step.kind) {
      case StepKind::kWhole:
        quick_.whole.push_back(q);
        break;
      case StepKind::kBlank:
        quick_.blank.push_back(q);
        break;
      case StepKind::kTable:
        quick_.table.push_back(
            {q.first, q.last, step.second, index, step.plan->found_by_byte.data()});
        break;
      case StepKind::kDate: {
        // `last` says whether eight zeros pass, the zero text being the field's whole width;
        // a birth date's depend on the product type: until its field is read, "2".
        std::uint32_t zeros = kZerosFail;
        if (step.rule->zeros_allowed && step.plan->field->size == 8) {
          zeros = !step.plan->is_birth_date   ? kZerosPass
                  : quick_.product_length > 0 ? kZerosUnlessProduct2
                                              : kZerosFail;
        }
        quick_.date.push_back({q.first, zeros, index});
        break;
      }
      case StepKind::kKey:
        quick_.key.push_back(q);
        break;
      default:
        quick_.always[i / 64] |= std::uint64_t{1} << (i % 64);
        if (step.kind == StepKind::kProduct) {
          quick_.product_offset = step.offset;
          quick_.product_length = step.length;
        }
    }
  }
}

// A character field of a usual record, its bytes read as words: the same counts and events as
// CheckField().
void RecordWalker::CheckText(const Step& step) {
  const std::string_view text(record_.data() + step.offset, step.length);
  std::uint64_t word = 0;
  std::size_t begin = 0;
  std::size_t end = 0;
  if (step.trim) {
    if (step.is_short) {
      word = ShortWord(step);
      words::TrimWord(word, &begin, &end);
    } else {
      words::TrimLong(text.data(), text.size(), &begin, &end);
    }
  }
  FieldRule& rule = *step.rule;
  const int p = step.position;
  if (step.null && begin == end) {
    Count(rule.erro_nulo, p, FindingCheck::kNulo);
  }
  if (step.width && static_cast<std::int64_t>(end - begin) != step.tamanho) {
    Count(rule.erro_dom, p, FindingCheck::kTamanho);
  }
  if (step.date) {
    const DateVerdict verdict = JudgeDate(text, ctx_.current_year);
    if (verdict != DateVerdict::kValid) {
      if (verdict == DateVerdict::kImpossible) NoteImpossibleDate(p, text);
      DateFailed(p, rule, FieldValueView{text});
    }
  }
  if (step.domain) {
    FieldPlan& plan = *step.plan;
    const std::string_view trimmed = text.substr(begin, end - begin);
    bool found = false;
    if (plan.domain == nullptr) {
      found = DomainFound(plan, trimmed);
    } else if (!plan.found_by_byte.empty()) {
      // The first byte, then the second byte of the field or the qualifier's byte.
      const auto* bytes = reinterpret_cast<const unsigned char*>(record_.data());
      std::size_t index = bytes[step.offset];
      qualifier_ = {};
      if (plan.byte_depende >= 0) {
        const std::size_t at = plans_[static_cast<std::size_t>(plan.byte_depende)].offset;
        qualifier_ = words::OneByteKey(record_.data() + at);
        index |= std::size_t{bytes[at]} << 8;
      } else if (step.length == 2) {
        index |= std::size_t{bytes[step.offset + 1]} << 8;
      }
      found = TabulatedFound(plan, index, trimmed);
    } else if (step.is_short) {
      found = LookUp(plan, words::PackKey(word, begin, end, plan.is_postal_name ? 5 : 8));
    } else {
      found = DomainFound(plan, trimmed);
    }
    if (!found) DomainFailed(p, rule, FieldValueView{text});
  }
}

}  // namespace engine
