#include "engine/rule_set.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "engine/saturated.h"
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

void FieldDomain::Grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(old.empty() ? 16 : old.size() * 2, Slot{});
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (!slot.used) continue;
    std::size_t i = Hash(slot.valor1, slot.valor2) & mask;
    while (slots_[i].used) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

std::string FieldDomain::AllowedValues(std::uint16_t valor2, std::size_t limit) const {
  std::vector<std::string> values;
  for (const Slot& slot : slots_) {
    if (!slot.used || slot.valor2 != valor2) continue;
    std::string text;
    for (std::size_t i = 0; i < kValor1Width; ++i) {
      text += static_cast<char>((slot.valor1 >> (8 * i)) & 0xFF);
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    values.push_back(std::move(text));
  }
  std::sort(values.begin(), values.end());
  std::string out;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out += ", ";
    if (i == limit) {
      out += '\x85';
      break;
    }
    out += values[i];
  }
  return out;
}

void FieldDomain::Insert(std::uint64_t valor1, std::uint16_t valor2) {
  if ((count_ + 1) * 4 > slots_.size() * 3) Grow();  // at most three quarters full
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = Hash(valor1, valor2) & mask;
  while (slots_[i].used) {
    if (slots_[i].valor1 == valor1 && slots_[i].valor2 == valor2) return;
    i = (i + 1) & mask;
  }
  slots_[i] = Slot{valor1, valor2, true};
  ++count_;
}

DomainSet DomainSet::Compile(MemTable& anexos, int tabela) {
  const int c_tabela = Column(anexos, "tabela");
  const int c_campo = Column(anexos, "campo");
  const int c_valor1 = Column(anexos, "valor1");
  const int c_valor2 = Column(anexos, "valor2");

  // The rows in the order they were stored: each domain is a set (its values are listed sorted),
  // so the order does not matter, and a walk in index order pays a search for every step.
  const std::string index = anexos.IndexName();
  anexos.SetIndexName("");
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
    set.domains_[{*t, *c}].Insert(FieldDomain::PackValor1(v1.text()),
                                  FieldDomain::PackValor2(v2.text()));
  }
  anexos.SetIndexName(index);
  return set;
}

const FieldDomain* DomainSet::Find(int tabela, int campo) const {
  const auto it = domains_.find({tabela, campo});
  return it == domains_.end() ? nullptr : &it->second;
}

bool DomainSet::Contains(int tabela, int campo, std::string_view valor1,
                         std::string_view valor2) const {
  const FieldDomain* domain = Find(tabela, campo);
  return domain != nullptr &&
         domain->Contains(FieldDomain::PackValor1(valor1), FieldDomain::PackValor2(valor2));
}

void RuleSet::TakeCounters(std::vector<RuleCountersAdded>& added) {
  added.resize(rules_.size());
  for (std::size_t i = 0; i < rules_.size(); ++i) {
    added[i].erro_nulo = std::exchange(rules_[i].erro_nulo, 0);
    added[i].erro_dom = std::exchange(rules_[i].erro_dom, 0);
  }
}

void RuleSet::AddCounters(const std::vector<RuleCountersAdded>& added) {
  for (std::size_t i = 0; i < rules_.size() && i < added.size(); ++i) {
    rules_[i].erro_nulo += added[i].erro_nulo;
    rules_[i].erro_dom += added[i].erro_dom;
  }
}

}  // namespace engine
