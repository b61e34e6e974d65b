#pragma once
// The rules of one input table, compiled from the keyed rule tables before its records are
// walked: a flat array of field rules indexed by field position and a hash set of the domain
// keys, so that the record loop does no keyed search per field. The keyed tables stay the source
// of truth: the compiled form answers exactly what FindKey on them would answer, and its
// counters are written back into the rule rows of zelEstrutTab.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tables/field_value.h"
#include "tables/mem_table.h"

namespace engine {

// An integer column of an in-memory table: nullopt for null (which equals no number) and for a
// number that is not a whole number.
std::optional<std::int64_t> IntegerOf(const tables::FieldValue& value);

// The rule of one field position, with the counters of this walk.
struct FieldRule {
  int ordem = 0;
  bool null_check = false;              // nulo = 0
  bool string_type = false;             // tipo = 1
  bool width_check = false;             // zerosesq = 1
  std::optional<std::int64_t> tamanho;  // null: no length equals it
  bool date_check = false;              // data = 1
  bool zeros_allowed = false;           // zeros = 1
  bool domain_check = false;            // dominio = 1
  std::string depende;                  // trimmed; empty: no qualifying field

  // Counters as the row held them when compiled, and what this walk added.
  std::int64_t erro_nulo_base = 0;
  std::int64_t erro_dom_base = 0;
  std::int64_t erro_nulo = 0;
  std::int64_t erro_dom = 0;
};

// What a walk added to the counters of one rule.
struct RuleCountersAdded {
  std::int64_t erro_nulo = 0;
  std::int64_t erro_dom = 0;
};

class RuleSet {
 public:
  // The rules of table `tabela` for field positions 1..field_count, walked from `estrut`'s first
  // row in the order of its active index (it must be "index2", table number and field position),
  // so that of two rows with the same position the one FindKey answers wins. Rows with a null or
  // out-of-range position are left out: no lookup of a field position can reach them. Throws the
  // table's field-not-found error when a rule column is missing.
  static RuleSet Compile(tables::MemTable& estrut, int tabela, int field_count);

  int tabela() const { return tabela_; }
  int size() const { return static_cast<int>(by_position_.size()); }
  // The rule of 0-based field index p, or nullptr when the catalogue has none.
  FieldRule* At(int p) {
    return by_position_[static_cast<std::size_t>(p)] < 0
               ? nullptr
               : &rules_[static_cast<std::size_t>(by_position_[static_cast<std::size_t>(p)])];
  }
  const std::vector<FieldRule>& rules() const { return rules_; }

  // Moves what the walk added to the counters into `added` (one entry per rule, in rules()
  // order); the counters restart at 0. With AddCounters() a walk split over threads sums its
  // parts into one set.
  void TakeCounters(std::vector<RuleCountersAdded>& added);
  void AddCounters(const std::vector<RuleCountersAdded>& added);

  // Stores base + added counters into each rule row that this walk changed (FindKey on the
  // active index "index2", Edit, SetField, Post). Counters beyond the 32-bit range saturate.
  void WriteBack(tables::MemTable& estrut) const;

 private:
  int tabela_ = 0;
  std::vector<FieldRule> rules_;
  std::vector<int> by_position_;  // index into rules_, -1: no rule
};

// The allowed values of one (table number, field key) pair: an open-addressing table of the
// fixed-width keys, so a lookup touches one or two adjacent slots.
class FieldDomain {
 public:
  static constexpr std::size_t kValor1Width = 8;
  static constexpr std::size_t kValor2Width = 2;

  // A key text as the keyed table holds it: its first `width` characters, blank-padded, packed
  // into an integer (byte i in bits 8i to 8i+7).
  static std::uint64_t Pack(std::string_view text, std::size_t width) {
    const std::size_t n = text.size() < width ? text.size() : width;
    // The blanks first, then only as many bytes as the text has: most keys are short.
    std::uint64_t packed = width >= 8 ? 0 : ~std::uint64_t{0} << (8 * width);
    packed = ~packed & 0x2020202020202020ull;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint64_t shift = 8 * i;
      packed = (packed & ~(std::uint64_t{0xFF} << shift)) |
               static_cast<std::uint64_t>(static_cast<unsigned char>(text[i])) << shift;
    }
    return packed;
  }
  static std::uint64_t PackValor1(std::string_view text) { return Pack(text, kValor1Width); }
  static std::uint16_t PackValor2(std::string_view text) {
    return static_cast<std::uint16_t>(Pack(text, kValor2Width));
  }

  void Insert(std::uint64_t valor1, std::uint16_t valor2);
  bool Contains(std::uint64_t valor1, std::uint16_t valor2) const {
    if (count_ == 0) return false;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Hash(valor1, valor2) & mask; slots_[i].used; i = (i + 1) & mask) {
      if (slots_[i].valor1 == valor1 && slots_[i].valor2 == valor2) return true;
    }
    return false;
  }
  std::size_t size() const { return count_; }

  // The valor1 texts filed under `valor2`, trailing blanks trimmed, in byte order, ", " between
  // them; after the first `limit` a last "\x85" (the ellipsis). For a failure's explanation,
  // never the record loop.
  std::string AllowedValues(std::uint16_t valor2, std::size_t limit) const;

 private:
  struct Slot {
    std::uint64_t valor1 = 0;
    std::uint16_t valor2 = 0;
    bool used = false;
  };
  static std::size_t Hash(std::uint64_t valor1, std::uint16_t valor2) {
    std::uint64_t h = (valor1 ^ (static_cast<std::uint64_t>(valor2) << 48)) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 32;
    h *= 0x165667B19E3779F9ull;
    h ^= h >> 29;
    return static_cast<std::size_t>(h);
  }
  void Grow();

  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};

// The domain entries that the walk of one table can reach: those of its own table number and the
// postal-code list (table 1, field 100). An entry is found exactly when FindKey on zelAnexos's
// "index1" would find it: the key texts are cut to the stored widths (8 and 2) and compared byte
// for byte, so a stored value of another length never matches.
class DomainSet {
 public:
  static constexpr std::size_t kValor1Width = FieldDomain::kValor1Width;
  static constexpr std::size_t kValor2Width = FieldDomain::kValor2Width;
  static constexpr int kPostalTable = 1;
  static constexpr int kPostalField = 100;

  // Walks `anexos` from its first row. Throws the table's field-not-found error when a column is
  // missing.
  static DomainSet Compile(tables::MemTable& anexos, int tabela);

  // The values filed under (tabela, campo); nullptr when there are none (nothing is found). The
  // pointer stays valid as long as the set.
  const FieldDomain* Find(int tabela, int campo) const;
  // REQUIRES: valor1.size() == kValor1Width and valor2.size() == kValor2Width.
  bool Contains(int tabela, int campo, std::string_view valor1, std::string_view valor2) const;

 private:
  std::map<std::pair<int, int>, FieldDomain> domains_;  // nodes keep their address
};

}  // namespace engine
