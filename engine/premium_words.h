#pragma once
// The premium fields the reconciliation sums, and the premium tally's way of reading the usual
// risks record a machine word at a time (engine/reconciliation.cpp): inline, as every record of
// the risks file passes through it.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/coverage_period.h"
#include "engine/field_checks_words.h"
#include "tables/byte_order.h"
#include "tables/dbf_table.h"
#include "tables/dbf_values.h"

namespace engine {

struct PremiumField {
  std::string_view name;
  std::size_t line;
};
// In the order they are added; PRE_CAS_CO is not a premium of any line here.
inline constexpr std::array<PremiumField, 8> kPremiumFields = {{
    {"PRE_CASCO", 0},
    {"PRE_OUTROS", 0},
    {"PRE_RCDMAT", 1},
    {"PRE_RCDC", 1},
    {"PRE_RCDMOR", 1},
    {"PRE_APP_MA", 2},
    {"PRE_APP_IA", 2},
    {"PRE_APP_DM", 2},
}};

// The premium tally's usual record read a machine word at a time: the three dates are
// character fields of eight bytes compared as big-endian numbers, the period's bounds are eight
// bytes too, and every premium is an integer field of at most eight bytes read as the word that
// ends where it ends. A record this cannot judge as the general way would (a NUL byte in a date,
// a record too short) is left to the general way whole; an amount that is not plain digits goes
// the general way alone, in its turn, so the sums add in the same order.
class PremiumWords {
 public:
  PremiumWords(const tables::DbfTable& riscos, int inicio, int fim, int emis,
               const std::optional<CoveragePeriod>& period) {
    if (!words::kUsable) return;
    if (!Date(riscos.Fields(inicio), &inicio_) || !Date(riscos.Fields(fim), &fim_) ||
        !Date(riscos.Fields(emis), &emis_)) {
      return;
    }
    if (period) {
      if (period->start.size() != 8 || period->end.size() != 8) return;
      start_ = Load(period->start.data());
      end_ = Load(period->end.data());
      for (std::size_t i = 0; i < kPremiumFields.size(); ++i) {
        const int index = riscos.FieldIndex(kPremiumFields[i].name);
        if (index < 0) return;
        const tables::DbfField& f = riscos.Fields(index);
        if (f.type != tables::FieldType::kInteger || f.length < 1 || f.length > 8 ||
            f.offset + f.length < 8) {
          return;
        }
        amounts_[i] = {static_cast<std::uint32_t>(f.offset + f.length - 8),
                       static_cast<std::uint32_t>(f.length),
                       words::LowBytes(f.length) << (8 * (8 - f.length))};
        Reach(f.offset + f.length);
      }
      PlanWindow(riscos);
    }
    usable_ = true;
  }

  // Whether `record` can be read this way: every field it reads lies within it.
  bool Fits(std::string_view record) const { return usable_ && record.size() >= reach_; }

  // The three dates of a record that Fits(), big-endian; false when a date holds a NUL byte.
  bool Dates(const char* record, std::uint64_t* inicio, std::uint64_t* fim,
             std::uint64_t* emis) const {
    const std::uint64_t a = Load(record + inicio_);
    const std::uint64_t b = Load(record + fim_);
    const std::uint64_t c = Load(record + emis_);
    using tables::swar::ZeroBytes;
    if ((ZeroBytes(a) | ZeroBytes(b) | ZeroBytes(c)) != 0) return false;
    *inicio = a;
    *fim = b;
    *emis = c;
    return true;
  }
  bool InPeriod(std::uint64_t emis) const { return start_ <= emis && emis <= end_; }

  // Amount i (as kPremiumFields) of a record that Fits(), when it is plain digits.
  bool Amount(const char* record, std::size_t i, std::uint64_t* value) const {
    return tables::ParsePlainDigitsWord(words::Load8(record + amounts_[i].load_at),
                                        amounts_[i].length, value);
  }

  // Whether every amount of a record that Fits() is blanks then digits (all blanks reading as
  // 0, which adds nothing, as the null it is adds nothing): then AmountInWindow() reads them.
  bool AmountsPlain(const char* record) const {
#if defined(__SSE2__)
    if (window_at_ == kNoWindow) return false;
    std::uint64_t digits = 0;
    std::uint64_t blanks = 0;
    const __m128i zero = _mm_set1_epi8('0');
    const __m128i nine = _mm_set1_epi8(9);
    const __m128i blank = _mm_set1_epi8(' ');
    for (int k = 0; k < 4; ++k) {
      const __m128i x =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(record + window_at_ + 16 * k));
      const __m128i t = _mm_sub_epi8(x, zero);
      const auto d =
          static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(t, nine), t)));
      const auto b = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, blank)));
      digits |= std::uint64_t{d} << (16 * k);
      blanks |= std::uint64_t{b} << (16 * k);
    }
    // Every byte of an amount a digit or a blank, and no blank right after a digit of its field.
    return ((digits | blanks) & window_bytes_) == window_bytes_ &&
           ((digits << 1) & blanks & window_inner_) == 0;
#else
    (void)record;
    return false;
#endif
  }
  // Amount i of a record that AmountsPlain() passed.
  std::uint64_t AmountInWindow(const char* record, std::size_t i) const {
    // Blanks and digits keep 0 and their value in their low four bits.
    return tables::swar::DigitsValue(words::Load8(record + amounts_[i].load_at) &
                                     amounts_[i].bytes & 0x0F * words::kOnes);
  }

 private:
  struct AmountPlace {
    std::uint32_t load_at = 0;  // the word that ends where the field ends
    std::uint32_t length = 0;
    std::uint64_t bytes = 0;  // the field's bytes in that word
  };
  static constexpr std::size_t kNoWindow = static_cast<std::size_t>(-1);

  // The 64 bytes from the first amount on, when every amount lies within them and within the
  // record: their bytes are classed sixteen at a time.
  void PlanWindow(const tables::DbfTable& riscos) {
    std::size_t first = kNoWindow;
    for (const AmountPlace& a : amounts_)
      first = std::min<std::size_t>(first, a.load_at + 8 - a.length);
    if (first + 64 > riscos.RecordLength()) return;
    for (const AmountPlace& a : amounts_) {
      const std::size_t at = a.load_at + 8 - a.length - first;
      if (at + a.length > 64) return;
      const std::uint64_t field = (std::uint64_t{1} << a.length) - 1;
      window_bytes_ |= field << at;
      window_inner_ |= (field << at) & ~(std::uint64_t{1} << at);
    }
    window_at_ = first;
    Reach(first + 64);
  }

  bool Date(const tables::DbfField& f, std::size_t* offset) {
    if (f.type != tables::FieldType::kString || f.length != 8) return false;
    *offset = f.offset;
    Reach(f.offset + f.length);
    return true;
  }
  void Reach(std::size_t end) { reach_ = std::max(reach_, end); }
  // Eight bytes as a number that orders as they do byte by byte.
  static std::uint64_t Load(const char* p) {
    return tables::LoadBigEndian64(reinterpret_cast<const unsigned char*>(p));
  }

  bool usable_ = false;
  std::size_t reach_ = 0;
  std::size_t inicio_ = 0;
  std::size_t fim_ = 0;
  std::size_t emis_ = 0;
  std::uint64_t start_ = 0;
  std::uint64_t end_ = 0;
  std::array<AmountPlace, kPremiumFields.size()> amounts_{};
  std::size_t window_at_ = kNoWindow;
  std::uint64_t window_bytes_ = 0;  // a bit per byte of the window: a byte of an amount
  std::uint64_t window_inner_ = 0;  // and not its first
};

}  // namespace engine
