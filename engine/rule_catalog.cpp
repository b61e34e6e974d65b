#include "engine/rule_catalog.h"

#include <string>
#include <string_view>

#include "engine/open_reader.h"
#include "engine/rule_set.h"
#include "engine/text.h"
#include "tables/table_error.h"

namespace engine {
namespace {

using tables::DbfTable;
using tables::FieldType;
using tables::FieldValue;
using tables::MemTable;

// A catalogue column read by name, without regard to case. The name is resolved when the column
// is first read, so a file that lacks a column fails exactly where the column is first needed
// (a rule file without any row of the line of business never asks for its other columns).
class Column {
 public:
  Column(const DbfTable& table, std::string_view name) : table_(table), name_(name) {}

  FieldValue Value() {
    if (index_ < 0) {
      index_ = table_.FieldIndex(name_);
      if (index_ < 0) tables::ThrowFieldNotFound(table_.owner(), name_);
    }
    return table_.Value(index_);
  }
  // The value as text, untrimmed (a null value throws the conversion error).
  std::string Text(char decimal_separator) { return Value().AsString(decimal_separator); }

 private:
  const DbfTable& table_;
  std::string_view name_;
  int index_ = -1;
};

// Widths of the in-memory catalogue's texts; the domain widths are the ones the walk compares by.
constexpr std::size_t kNameWidth = 10;   // campo, depende
constexpr std::size_t kTableWidth = 20;  // tabela, nometab

std::string FirstChars(std::string text, std::size_t count) {
  if (text.size() > count) text.resize(count);
  return text;
}

bool IsUsedRow(Column& ramo, char decimal_separator) {
  return Trimmed(ramo.Text(decimal_separator)) == kLineOfBusiness;
}

// Empties `zel` and gives it the columns `define` adds and the active index "index1", open.
template <typename Define>
void Recreate(MemTable& zel, Define define) {
  zel.Close();
  zel.ClearFieldDefs();
  zel.ClearIndexDefs();
  define(zel);
  zel.CreateTable();
  zel.Open();
  zel.SetIndexName("index1");
}

// Pass 1: one table-of-tables row per run of rows with the same TABELA, numbered from 1 in
// order of first appearance.
void LoadTables(RunContext& ctx, char sep) {
  MemTable& zel = ctx.tables.zelTabelas;
  Recreate(zel, [](MemTable& t) {
    t.AddFieldDef("ordem", FieldType::kInteger);
    t.AddFieldDef("tabela", FieldType::kString, static_cast<int>(kTableWidth));
    t.AddIndexDef("index1", "tabela");
  });

  DbfTable& reader = ctx.tables.tbTabelas;
  OpenReader open(reader, ctx.catalogue_folder + "tabelas.dbf");
  Column ramo(reader, "RAMO");
  Column tabela(reader, "TABELA");
  std::string previous;
  std::int32_t counter = 1;
  for (; !reader.Eof(); reader.Next()) {
    if (!IsUsedRow(ramo, sep)) continue;
    std::string name = tabela.Text(sep);
    if (name == previous) continue;
    zel.Append();
    zel.SetField("ordem", FieldValue::Int32(counter));
    zel.SetField("tabela", FieldValue::Text(name));
    zel.Post();
    previous = std::move(name);
    ++counter;
  }
}

// The number of the table named `name` in zelTabelas; false when the catalogue has no such table.
bool FindTableNumber(MemTable& zelTabelas, const std::string& name, FieldValue* number) {
  if (!zelTabelas.FindKey({FieldValue::Text(name)})) return false;
  *number = zelTabelas.GetFieldValue("ordem");
  return true;
}

// The counters a run adds to in a rule row (only erroNulo and erroDom change during a run),
// zeroed as every run starts.
void ZeroCounters(MemTable& zel) {
  zel.SetField("erroNulo", FieldValue::Int32(0));
  zel.SetField("erroDom", FieldValue::Int32(0));
  zel.SetField("total", FieldValue::Double(0));
}

// Pass 2: one rule row per used row of tabelas.dbf, with zeroed counters.
void LoadRules(RunContext& ctx, char sep) {
  MemTable& zel = ctx.tables.zelEstrutTab;
  Recreate(zel, [](MemTable& t) {
    t.AddFieldDef("tabela", FieldType::kInteger);
    t.AddFieldDef("campo", FieldType::kString, static_cast<int>(kNameWidth));
    t.AddFieldDef("depende", FieldType::kString, static_cast<int>(kNameWidth));
    for (const char* name : {"tipo", "tamanho", "dominio", "nulo", "data", "positivo", "zeros",
                             "erroNulo", "erroDom", "ordem"}) {
      t.AddFieldDef(name, FieldType::kInteger);
    }
    t.AddFieldDef("nometab", FieldType::kString, static_cast<int>(kTableWidth));
    t.AddFieldDef("zerosesq", FieldType::kInteger);
    t.AddFieldDef("soma", FieldType::kInteger);
    t.AddFieldDef("total", FieldType::kFloat);
    t.AddIndexDef("index1", "tabela;campo");
    t.AddIndexDef("index2", "tabela;ordem");
  });

  DbfTable& reader = ctx.tables.tbTabelas;
  OpenReader open(reader, ctx.catalogue_folder + "tabelas.dbf");
  Column ramo(reader, "RAMO");
  Column tabela(reader, "TABELA");
  Column campo(reader, "CAMPO");
  Column depende(reader, "DEPENDE");
  // Numeric columns carried into the rule row as values, in the order they are read.
  struct Carried {
    std::string_view target;
    Column source;
  };
  Carried flags[] = {
      {"tipo", Column(reader, "TIPO")},       {"tamanho", Column(reader, "TAMANHO")},
      {"dominio", Column(reader, "DOMINIO")}, {"nulo", Column(reader, "NULO")},
      {"data", Column(reader, "DATA")},       {"positivo", Column(reader, "POSITIVO")},
      {"zeros", Column(reader, "ZEROS")}};
  Column ordem(reader, "ORDEM");
  Column zerosesq(reader, "ZEROSESQ");
  Column soma(reader, "SOMA");

  for (; !reader.Eof(); reader.Next()) {
    if (!IsUsedRow(ramo, sep)) continue;
    const std::string name = tabela.Text(sep);
    FieldValue number;
    // Pass 1 filed every used name, so the find succeeds; a row it misses is not filed under
    // some other table's number.
    if (!FindTableNumber(ctx.tables.zelTabelas, name, &number)) continue;
    zel.Append();
    zel.SetField("tabela", number);
    zel.SetField("campo", FieldValue::Text(FirstChars(campo.Text(sep), kNameWidth)));
    zel.SetField("depende", FieldValue::Text(FirstChars(depende.Text(sep), kNameWidth)));
    for (Carried& flag : flags) zel.SetField(flag.target, flag.source.Value());
    ZeroCounters(zel);
    zel.SetField("ordem", ordem.Value());
    zel.SetField("nometab", FieldValue::Text(tabela.Text(sep)));
    zel.SetField("zerosesq", zerosesq.Value());
    zel.SetField("soma", soma.Value());
    zel.Post();
  }
}

// Pass 3: one domain entry per used row of anexos.dbf whose table and field the catalogue knows.
// Postal-code rows (a field name containing "CEP") share one field number, the one the walk
// looks the postal lists up by.
void LoadDomains(RunContext& ctx, char sep) {
  MemTable& zel = ctx.tables.zelAnexos;
  Recreate(zel, [](MemTable& t) {
    t.AddFieldDef("tabela", FieldType::kInteger);
    t.AddFieldDef("campo", FieldType::kInteger);
    t.AddFieldDef("valor1", FieldType::kString, static_cast<int>(DomainSet::kValor1Width));
    t.AddFieldDef("valor2", FieldType::kString, static_cast<int>(DomainSet::kValor2Width));
    t.AddIndexDef("index1", "tabela;campo;valor1;valor2");
  });

  MemTable& rules = ctx.tables.zelEstrutTab;
  DbfTable& reader = ctx.tables.tbAnexos;
  OpenReader open(reader, ctx.catalogue_folder + "anexos.dbf");
  Column ramo(reader, "RAMO");
  Column tabela(reader, "TABELA");
  Column campo(reader, "CAMPO");
  Column valor1(reader, "VALOR1");
  Column valor2(reader, "VALOR2");

  for (; !reader.Eof(); reader.Next()) {
    if (!IsUsedRow(ramo, sep)) continue;
    // Every column is read before the row may be skipped, so a missing column still ends the
    // load at the first used row.
    const std::string name = tabela.Text(sep);
    const std::string field = campo.Text(sep);
    const std::string value1 = FirstChars(valor1.Text(sep), DomainSet::kValor1Width);
    const std::string value2 = FirstChars(valor2.Text(sep), DomainSet::kValor2Width);

    // A row of a table or field the catalogue does not describe could never match a value of
    // its own; it is left out rather than filed under the numbers of an unrelated rule.
    FieldValue number;
    if (!FindTableNumber(ctx.tables.zelTabelas, name, &number)) continue;
    FieldValue position;
    if (field.find("CEP") != std::string::npos) {
      position = FieldValue::Int32(DomainSet::kPostalField);
    } else {
      if (!rules.FindKey({number, FieldValue::Text(FirstChars(field, kNameWidth))})) continue;
      position = rules.GetFieldValue("ordem");
    }
    zel.Append();
    zel.SetField("tabela", number);
    zel.SetField("campo", position);
    zel.SetField("valor1", FieldValue::Text(value1));
    zel.SetField("valor2", FieldValue::Text(value2));
    zel.Post();
  }
}

}  // namespace

void LoadRuleCatalog(RunContext& ctx) {
  RunTables& t = ctx.tables;
  if (ctx.host.KeepsCatalog() && t.zelTabelas.IsOpen() && t.zelEstrutTab.IsOpen() &&
      t.zelAnexos.IsOpen()) {
    // Only the rows an earlier run counted in are changed: most rows stay untouched.
    MemTable& rules = t.zelEstrutTab;
    const int erro_nulo = rules.FieldIndex("erroNulo");
    const int erro_dom = rules.FieldIndex("erroDom");
    rules.SetIndexName("");  // insertion order: the walk does not depend on any key
    for (rules.First(); !rules.Eof(); rules.Next()) {
      if (rules.Value(erro_nulo).AsInt64() == 0 && rules.Value(erro_dom).AsInt64() == 0) continue;
      rules.Edit();
      ZeroCounters(rules);
      rules.Post();
    }
    rules.SetIndexName("index2");
    return;
  }
  const char sep = ctx.regional.decimal_separator;
  LoadTables(ctx, sep);
  LoadRules(ctx, sep);
  LoadDomains(ctx, sep);
  ctx.tables.zelEstrutTab.SetIndexName("index2");
}

}  // namespace engine
