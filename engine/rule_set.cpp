#include "engine/rule_set.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "engine/text.h"

namespace engine {
namespace {

using tables::FieldValue;
using tables::MemTable;

// The column's index; a missing column raises the table's own field-not-found error.
int Column(const MemTable& table, std::string_view name) {
  const int index = table.FieldIndex(name);
  if (index < 0) table.GetFieldValue(name);  // throws "<owner>: Field '<name>' not found"
  return index;
}

bool Equals(const std::optional<std::int64_t>& value, std::int64_t wanted) {
  return value.has_value() && *value == wanted;
}

std::optional<int> IntOf(const FieldValue& value) {
  const auto v = IntegerOf(value);
  if (!v || *v < std::numeric_limits<int>::min() || *v > std::numeric_limits<int>::max()) {
    return std::nullopt;
  }
  return static_cast<int>(*v);
}

std::int32_t Saturated(std::int64_t value) {
  if (value > std::numeric_limits<std::int32_t>::max()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (value < std::numeric_limits<std::int32_t>::min()) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace

std::optional<std::int64_t> IntegerOf(const FieldValue& value) {
  switch (value.kind()) {
    case FieldValue::Kind::kInt32:
      return value.int32();
    case FieldValue::Kind::kInt64:
      return value.int64();
    case FieldValue::Kind::kDouble: {
      const double d = value.dbl();
      if (!std::isfinite(d) || std::trunc(d) != d || std::fabs(d) > 9.0e18) return std::nullopt;
      return static_cast<std::int64_t>(d);
    }
    default:
      return std::nullopt;
  }
}

RuleSet RuleSet::Compile(MemTable& estrut, int tabela, int field_count) {
  const int c_tabela = Column(estrut, "tabela");
  const int c_ordem = Column(estrut, "ordem");
  const int c_nulo = Column(estrut, "nulo");
  const int c_tipo = Column(estrut, "tipo");
  const int c_zerosesq = Column(estrut, "zerosesq");
  const int c_tamanho = Column(estrut, "tamanho");
  const int c_data = Column(estrut, "data");
  const int c_zeros = Column(estrut, "zeros");
  const int c_dominio = Column(estrut, "dominio");
  const int c_depende = Column(estrut, "depende");
  const int c_erro_nulo = Column(estrut, "erroNulo");
  const int c_erro_dom = Column(estrut, "erroDom");

  RuleSet set;
  set.tabela_ = tabela;
  set.by_position_.assign(static_cast<std::size_t>(field_count > 0 ? field_count : 0), -1);
  for (estrut.First(); !estrut.Eof(); estrut.Next()) {
    if (!Equals(IntegerOf(estrut.Value(c_tabela)), tabela)) continue;
    const auto ordem = IntegerOf(estrut.Value(c_ordem));
    if (!ordem || *ordem < 1 || *ordem > field_count) continue;
    int& slot = set.by_position_[static_cast<std::size_t>(*ordem - 1)];
    if (slot >= 0) continue;  // FindKey answers the first of equal keys

    FieldRule rule;
    rule.ordem = static_cast<int>(*ordem);
    rule.null_check = Equals(IntegerOf(estrut.Value(c_nulo)), 0);
    rule.string_type = Equals(IntegerOf(estrut.Value(c_tipo)), 1);
    rule.width_check = Equals(IntegerOf(estrut.Value(c_zerosesq)), 1);
    rule.tamanho = IntegerOf(estrut.Value(c_tamanho));
    rule.date_check = Equals(IntegerOf(estrut.Value(c_data)), 1);
    rule.zeros_allowed = Equals(IntegerOf(estrut.Value(c_zeros)), 1);
    rule.domain_check = Equals(IntegerOf(estrut.Value(c_dominio)), 1);
    const FieldValue depende = estrut.Value(c_depende);
    if (depende.kind() == FieldValue::Kind::kText) rule.depende = Trimmed(depende.text());
    rule.erro_nulo_base = IntegerOf(estrut.Value(c_erro_nulo)).value_or(0);
    rule.erro_dom_base = IntegerOf(estrut.Value(c_erro_dom)).value_or(0);

    slot = static_cast<int>(set.rules_.size());
    set.rules_.push_back(std::move(rule));
  }
  return set;
}

void RuleSet::WriteBack(MemTable& estrut) const {
  for (const FieldRule& rule : rules_) {
    if (rule.erro_nulo == 0 && rule.erro_dom == 0) continue;
    if (!estrut.FindKey({FieldValue::Int32(tabela_), FieldValue::Int32(rule.ordem)})) continue;
    estrut.Edit();
    estrut.SetField("erroNulo", FieldValue::Int32(Saturated(rule.erro_nulo_base + rule.erro_nulo)));
    estrut.SetField("erroDom", FieldValue::Int32(Saturated(rule.erro_dom_base + rule.erro_dom)));
    estrut.Post();
  }
}

DomainSet::Key DomainSet::MakeKey(int tabela, int campo, std::string_view valor1,
                                  std::string_view valor2) {
  Key key;
  const auto t = static_cast<std::int32_t>(tabela);
  const auto c = static_cast<std::int32_t>(campo);
  std::memcpy(key.bytes.data(), &t, 4);
  std::memcpy(key.bytes.data() + 4, &c, 4);
  std::memcpy(key.bytes.data() + 8, valor1.data(), kValor1Width);
  std::memcpy(key.bytes.data() + 8 + kValor1Width, valor2.data(), kValor2Width);
  return key;
}

std::size_t DomainSet::KeyHash::operator()(const Key& key) const {
  std::uint64_t a = 0;
  std::uint64_t b = 0;
  std::uint16_t c = 0;
  std::memcpy(&a, key.bytes.data(), 8);
  std::memcpy(&b, key.bytes.data() + 8, 8);
  std::memcpy(&c, key.bytes.data() + 16, 2);
  std::uint64_t h = a * 0x9E3779B97F4A7C15ull;
  h ^= (b + (static_cast<std::uint64_t>(c) << 7)) * 0xC2B2AE3D27D4EB4Full;
  h ^= h >> 29;
  h *= 0x165667B19E3779F9ull;
  h ^= h >> 32;
  return static_cast<std::size_t>(h);
}

DomainSet DomainSet::Compile(MemTable& anexos, int tabela) {
  const int c_tabela = Column(anexos, "tabela");
  const int c_campo = Column(anexos, "campo");
  const int c_valor1 = Column(anexos, "valor1");
  const int c_valor2 = Column(anexos, "valor2");

  DomainSet set;
  for (anexos.First(); !anexos.Eof(); anexos.Next()) {
    const auto t = IntOf(anexos.Value(c_tabela));
    const auto c = IntOf(anexos.Value(c_campo));
    if (!t || !c) continue;  // null equals no key
    if (*t != tabela && !(*t == kPostalTable && *c == kPostalField)) continue;
    const FieldValue v1 = anexos.Value(c_valor1);
    const FieldValue v2 = anexos.Value(c_valor2);
    if (v1.kind() != FieldValue::Kind::kText || v2.kind() != FieldValue::Kind::kText) continue;
    // Every lookup key is exactly 8 and 2 characters wide; shorter stored texts never match.
    if (v1.text().size() != kValor1Width || v2.text().size() != kValor2Width) continue;
    set.keys_.insert(MakeKey(*t, *c, v1.text(), v2.text()));
  }
  return set;
}

bool DomainSet::Contains(int tabela, int campo, std::string_view valor1,
                         std::string_view valor2) const {
  return keys_.find(MakeKey(tabela, campo, valor1, valor2)) != keys_.end();
}

}  // namespace engine
