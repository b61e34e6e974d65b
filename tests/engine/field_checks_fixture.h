#pragma once
// A small catalogue and input file in a temporary program folder, for the record walk tests:
// table 1 "RISCOS" and table 2 "SINISTROS", each led by COD_SEG C(5) at position 1, then the
// fields a test names, each with its rule row.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/field_checks.h"
#include "engine/rule_catalog.h"
#include "support/catalog_files.h"
#include "support/phase_test.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "tools/dbf_writer.h"

namespace testing_support {

inline constexpr const char* kRiscos = "RISCOS";
inline constexpr const char* kSinistros = "SINISTROS";
inline constexpr const char* kCompany = "00001";

// One field of the input file and its rule; tabela, campo, tipo, tamanho and ordem of the rule
// are filled in from the field unless `keep_rule_shape` is set.
struct TestField {
  tools::DbfFieldSpec shape;
  RuleRow rule;
  bool has_rule = true;
  bool keep_rule_shape = false;
};

inline TestField CharField(std::string name, int length, RuleRow rule = {}) {
  return {{std::move(name), 'C', length, 0}, std::move(rule)};
}
inline TestField NumField(std::string name, int length, int decimals, RuleRow rule = {}) {
  return {{std::move(name), 'N', length, decimals}, std::move(rule)};
}

class FieldWalkTest : public testing_support::PhaseTest {
 protected:
  FieldWalkTest() {
    host_.catalogue_folder = dir_.folder();
    ctx_.catalogue_folder = dir_.folder();
  }
  ~FieldWalkTest() override { tables_.CloseReaders(); }

  // Writes the catalogue for `fields` under table `table` (the other table has COD_SEG only),
  // loads it, writes the input file with `records` (COD_SEG is prepended to each) and walks it.
  bool Walk(int table, const std::vector<TestField>& fields,
            const std::vector<std::vector<std::string>>& records,
            const std::vector<DomainRow>& domains = {}) {
    WriteCatalog(table, fields, domains);
    std::vector<std::vector<std::string>> rows;
    for (const auto& r : records) {
      std::vector<std::string> row{kCompany};
      row.insert(row.end(), r.begin(), r.end());
      rows.push_back(std::move(row));
    }
    return WalkRows(table, fields, rows);
  }

  void WriteCatalog(int table, const std::vector<TestField>& fields,
                    const std::vector<DomainRow>& domains) {
    std::vector<RuleRow> rules;
    for (const char* name : {kRiscos, kSinistros}) {
      RuleRow cod;
      cod.tabela = name;
      cod.campo = "COD_SEG";
      cod.tipo = 1;
      cod.tamanho = 5;
      cod.ordem = 1;
      rules.push_back(cod);
      if ((table == 1) != (std::string(name) == kRiscos)) continue;
      for (std::size_t i = 0; i < fields.size(); ++i) {
        if (!fields[i].has_rule) continue;
        RuleRow r = fields[i].rule;
        r.tabela = name;
        if (!fields[i].keep_rule_shape) {
          r.campo = fields[i].shape.name;
          r.tipo = fields[i].shape.type == 'C' ? 1 : (fields[i].shape.decimals > 0 ? 6 : 3);
          if (r.tamanho == 0 && fields[i].shape.type == 'C') r.tamanho = fields[i].shape.length;
          r.ordem = static_cast<int>(i) + 2;
        }
        rules.push_back(r);
      }
    }
    WriteTabelas(dir_.file("tabelas.dbf"), rules);
    WriteAnexos(dir_.file("anexos.dbf"), domains);
    engine::LoadRuleCatalog(ctx_);
  }

  // Rows complete with COD_SEG.
  bool WalkRows(int table, const std::vector<TestField>& fields,
                const std::vector<std::vector<std::string>>& rows) {
    std::vector<tools::DbfFieldSpec> shape{{"COD_SEG", 'C', 5, 0}};
    for (const auto& f : fields) shape.push_back(f.shape);
    tools::DbfBuilder builder(shape);
    for (const auto& row : rows) builder.Add(row);
    const std::string path = dir_.file("dados.dbf");
    tables_.tbDados.Close();
    builder.Write(path);
    tables_.tbDados.SetFileName(path);
    tables_.tbDados.Open();
    state_.numTabela = table;
    state_.numRegistros = 0;
    state_.codEmpresa = kCompany;
    state_.nomeTabela = table == 1 ? kRiscos : kSinistros;
    return engine::WalkRecords(ctx_);
  }

  // (erroNulo, erroDom) of the rule row at position `ordem` of table `table`.
  std::pair<int, int> Counters(int table, int ordem) {
    auto& estrut = tables_.zelEstrutTab;
    EXPECT_TRUE(
        estrut.FindKey({tables::FieldValue::Int32(table), tables::FieldValue::Int32(ordem)}))
        << "no rule row " << table << "/" << ordem;
    return {static_cast<int>(estrut.GetFieldValue("erroNulo").AsInt64()),
            static_cast<int>(estrut.GetFieldValue("erroDom").AsInt64())};
  }
};

}  // namespace testing_support
