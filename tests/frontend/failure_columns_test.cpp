// The panels' columns: titles and order from one table, the structure columns only while
// structure rows are listed, and the key columns as wide as the inputs declare them.
#include "frontend/failure_columns.h"

#include <gtest/gtest.h>

#include <fstream>

#include "frontend/failure_file_index.h"
#include "support/temp_dir.h"
#include "tools/dbf_writer.h"

namespace frontend {
namespace {

TEST(FailureColumnsTest, TitlesInTheOrderShownAndUnknownColumnsKept) {
  const std::vector<std::string> header = {"arquivo",
                                           "registro",
                                           "posicao",
                                           "campo",
                                           "verificacao",
                                           "valor",
                                           "valor_relacionado",
                                           "esperado_nome",
                                           "esperado_tipo",
                                           "esperado_tamanho",
                                           "encontrado_nome",
                                           "encontrado_tipo",
                                           "encontrado_tamanho",
                                           "apolice",
                                           "endosso",
                                           "item",
                                           "mensagem",
                                           "exigido",
                                           "nova_coluna"};
  std::vector<std::string> titles;
  std::vector<int> positions;
  for (const PanelColumn& column : PanelColumns(header)) {
    titles.push_back(column.title);
    positions.push_back(column.list_column);
  }
  const std::vector<std::string> expected = {"Arquivo",
                                             "Registro",
                                             "Campo",
                                             "Verificação",
                                             "Apólice",
                                             "Endosso",
                                             "Item",
                                             "Mensagem",
                                             "Valor",
                                             "Exigido",
                                             "Valor relacionado",
                                             "Posição",
                                             "nova_coluna",
                                             "Nome esperado",
                                             "Tipo esperado",
                                             "Tamanho esperado",
                                             "Nome encontrado",
                                             "Tipo encontrado",
                                             "Tamanho encontrado"};
  EXPECT_EQ(titles, expected);
  EXPECT_EQ(positions,
            (std::vector<int>{0, 1, 3, 4, 13, 14, 15, 16, 5, 17, 6, 2, 18, 7, 8, 9, 10, 11, 12}));
  // An older list without the key columns shows what it has.
  EXPECT_EQ(PanelColumns({"arquivo", "registro", "campo", "verificacao"}).size(), 4u);
}

TEST(FailureColumnsTest, StructureRowsAreFoundAmongTheRowsShown) {
  testing_support::TempDir dir;
  const std::string list = dir.file("falhas.csv");
  std::ofstream(list, std::ios::binary) << "arquivo;registro;campo;verificacao\r\n"
                                           "riscos;1;FIM_VIG;nulo\r\n"
                                           "riscos;;PREMIO;estrutura\r\n"
                                           "sinistros;2;ITEM;nulo\r\n";
  const FailureFileIndex index(list);
  EXPECT_TRUE(ListsStructureRows(index.keys(), std::vector<std::uint32_t>{0, 1, 2}));
  EXPECT_FALSE(ListsStructureRows(index.keys(), std::vector<std::uint32_t>{0, 2}));
  EXPECT_FALSE(ListsStructureRows(index.keys(), std::vector<std::uint32_t>{}));
}

TEST(FailureColumnsTest, KeyWidthsAreTheWiderDeclarationOfTheTwoInputs) {
  testing_support::TempDir dir;
  tools::DbfBuilder({{"APOLICE", 'C', 20, 0}, {"ENDOSSO", 'C', 10, 0}, {"ITEM", 'C', 6, 0}})
      .Write(dir.file("riscos.dbf"));
  tools::DbfBuilder({{"APOLICE", 'C', 22, 0}, {"ITEM", 'N', 4, 0}}).Write(dir.file("sin.dbf"));
  const KeyWidths widths = DeclaredKeyWidths(
      {{dir.file("riscos.dbf"), std::nullopt}, {dir.file("sin.dbf"), std::nullopt}});
  EXPECT_EQ(widths.Of("APOLICE"), 22u);
  EXPECT_EQ(widths.Of("ENDOSSO"), 10u);
  EXPECT_EQ(widths.Of("ITEM"), 6u);
  EXPECT_EQ(DeclaredKeyWidths({{dir.file("nada.dbf"), std::nullopt}, {}}).Of("APOLICE"), 0u);
}

}  // namespace
}  // namespace frontend
