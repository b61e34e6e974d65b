#pragma once
// A small but complete catalogue, totals table and input files for whole-run tests: a risks
// table with the fields the cross-file checks read, a claims table likewise, and one insurer.
#include <string>
#include <vector>

#include "support/catalog_files.h"
#include "support/temp_dir.h"
#include "tools/dbf_writer.h"

namespace testing_support {

inline std::vector<tools::DbfFieldSpec> RisksLayout() {
  return {{"COD_SEG", 'C', 5},    {"APOLICE", 'C', 20},   {"ITEM", 'C', 6},
          {"INICIO_VIG", 'C', 8}, {"FIM_VIG", 'C', 8},    {"DATA_EMIS", 'C', 8},
          {"PRE_CASCO", 'N', 6},  {"PRE_OUTROS", 'N', 6}, {"PRE_RCDMAT", 'N', 6},
          {"PRE_RCDC", 'N', 6},   {"PRE_RCDMOR", 'N', 6}, {"PRE_APP_MA", 'N', 7},
          {"PRE_APP_IA", 'N', 7}, {"PRE_APP_DM", 'N', 7}};
}

inline std::vector<tools::DbfFieldSpec> ClaimsLayout() {
  return {{"COD_SEG", 'C', 5}, {"APOLICE", 'C', 20}, {"ITEM", 'C', 6},
          {"EVENTO", 'C', 1},  {"INDENIZ", 'N', 7},  {"D_AVI", 'C', 8}};
}

// Rule rows describing `layout` as table `tabela`, one per field in order.
inline std::vector<RuleRow> RulesFor(const std::string& tabela,
                                     const std::vector<tools::DbfFieldSpec>& layout) {
  std::vector<RuleRow> rows;
  int ordem = 1;
  for (const auto& f : layout) {
    RuleRow r;
    r.tabela = tabela;
    r.campo = f.name;
    r.ordem = ordem++;
    if (f.type == 'C') {
      r.tipo = 1;
      r.tamanho = f.length;
    } else {
      r.tipo = f.decimals > 0 ? 6 : (f.length <= 9 ? 3 : 25);
      r.tamanho = 0;
    }
    if (f.name == "COD_SEG" || f.name == "APOLICE" || f.name == "ITEM") r.nulo = 0;
    if (f.name.find("VIG") != std::string::npos || f.name.rfind("D", 0) == 0) r.data = 1;
    if (f.name == "EVENTO") r.dominio = 1;
    rows.push_back(r);
  }
  return rows;
}

struct KovRow {
  std::string cod_seg;
  std::string empresa;
  std::vector<std::string> amounts;  // PR_AUTO PR_RC PR_APP SIN_AUTO SIN_RC SIN_APP TOT_PR TOT_SIN
  std::string inivig;
  std::string fimvig;
};

inline void WriteDadosKov(const std::string& path, const std::vector<KovRow>& rows) {
  tools::DbfBuilder b(DadosKovLayout());
  for (const auto& r : rows) {
    std::vector<std::string> values{r.cod_seg, r.empresa};
    for (std::size_t i = 0; i < 8; ++i) values.push_back(i < r.amounts.size() ? r.amounts[i] : "0");
    values.push_back(r.inivig);
    values.push_back(r.fimvig);
    b.Add(values);
  }
  b.Write(path);
}

// The standard catalogue: RISCOS and SINISTROS as above, EVENTO allowed 1..8.
inline void WriteStandardCatalog(const TempDir& dir) {
  std::vector<RuleRow> rules = RulesFor("RISCOS", RisksLayout());
  for (auto& r : RulesFor("SINISTROS", ClaimsLayout())) rules.push_back(r);
  WriteTabelas(dir.file("tabelas.dbf"), rules);
  std::vector<DomainRow> domain;
  for (int e = 1; e <= 8; ++e) domain.push_back({"SINISTROS", "EVENTO", std::to_string(e), ""});
  WriteAnexos(dir.file("anexos.dbf"), domain);
  WriteDadosKov(dir.file("DadosKov.DBF"),
                {{"99999", "OUTRA SEGURADORA", {"1", "1", "1", "1", "1", "1"}, "202201", "202212"},
                 {"01234",
                  "SEGURADORA TESTE S.A.",
                  {"1100", "0", "0", "300", "100", "0"},
                  "202301",
                  "202312"}});
}

}  // namespace testing_support
