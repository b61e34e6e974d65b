#pragma once
// Writers of the program's own tables (rule catalogue, totals) in their shipped layouts, for
// tests that build a small catalogue in a temporary program folder.
#include <string>
#include <vector>

#include "tools/dbf_writer.h"

namespace testing_support {

struct RuleRow {
  std::string tabela;  // padded to 20 by the writer
  std::string campo;
  int tipo = 1;
  int tamanho = 0;
  int ordem = 0;
  int nulo = 1;  // 0: value required
  int dominio = 0;
  int data = 0;
  int zeros = 0;
  int zerosesq = 0;
  std::string depende;
  std::string ramo = "AUTOMOVEL";
  int positivo = 0;
  int soma = 0;
  bool deleted = false;
};

struct DomainRow {
  std::string tabela;
  std::string campo;
  std::string valor1;
  std::string valor2;
  std::string ramo = "AUTOMOVEL";
  bool deleted = false;
};

inline std::vector<tools::DbfFieldSpec> TabelasLayout() {
  return {{"RAMO", 'C', 20},    {"TABELA", 'C', 20},  {"CAMPO", 'C', 30},  {"DEPENDE", 'C', 30},
          {"TIPO", 'N', 5},     {"TAMANHO", 'N', 5},  {"DOMINIO", 'N', 1}, {"NULO", 'N', 1},
          {"DATA", 'N', 1},     {"POSITIVO", 'N', 1}, {"ZEROS", 'N', 1},   {"ORDEM", 'N', 5},
          {"ZEROSESQ", 'N', 1}, {"SOMA", 'N', 1}};
}

inline std::vector<tools::DbfFieldSpec> AnexosLayout() {
  return {{"RAMO", 'C', 20},
          {"TABELA", 'C', 20},
          {"CAMPO", 'C', 30},
          {"VALOR1", 'C', 10},
          {"VALOR2", 'C', 10}};
}

inline std::vector<tools::DbfFieldSpec> DadosKovLayout() {
  return {{"COD_SEG", 'C', 5}, {"EMPRESA", 'C', 130}, {"PR_AUTO", 'N', 15}, {"PR_RC", 'N', 15},
          {"PR_APP", 'N', 15}, {"SIN_AUTO", 'N', 15}, {"SIN_RC", 'N', 15},  {"SIN_APP", 'N', 15},
          {"TOT_PR", 'N', 15}, {"TOT_SIN", 'N', 15},  {"INIVIG", 'C', 6},   {"FIMVIG", 'C', 6}};
}

inline void WriteTabelas(const std::string& path, const std::vector<RuleRow>& rows) {
  tools::DbfBuilder b(TabelasLayout());
  for (const auto& r : rows) {
    b.Add({r.ramo, r.tabela, r.campo, r.depende, std::to_string(r.tipo), std::to_string(r.tamanho),
           std::to_string(r.dominio), std::to_string(r.nulo), std::to_string(r.data),
           std::to_string(r.positivo), std::to_string(r.zeros), std::to_string(r.ordem),
           std::to_string(r.zerosesq), std::to_string(r.soma)},
          r.deleted);
  }
  b.Write(path);
}

inline void WriteAnexos(const std::string& path, const std::vector<DomainRow>& rows) {
  tools::DbfBuilder b(AnexosLayout());
  for (const auto& r : rows) b.Add({r.ramo, r.tabela, r.campo, r.valor1, r.valor2}, r.deleted);
  b.Write(path);
}

}  // namespace testing_support
