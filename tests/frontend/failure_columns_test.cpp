// The panels' columns: titles and order from one table, the structure columns only while
// structure rows are listed, and the key columns as wide as the inputs declare them.
#include "frontend/failure_columns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>

#include "frontend/failure_file_index.h"
#include "outputs/finding_list.h"
#include "support/temp_dir.h"
#include "tools/dbf_writer.h"

namespace frontend {
namespace {

// Over the header the engine writes, so a column added or renamed there and not here fails.
TEST(FailureColumnsTest, EveryListColumnShownOnceTitledInTheOrderShown) {
  std::vector<std::string> header(outputs::FindingColumnNames().begin(),
                                  outputs::FindingColumnNames().end());
  header.push_back("nova_coluna");
  const std::vector<PanelColumn> columns = PanelColumns(header);
  ASSERT_EQ(columns.size(), header.size());
  std::vector<int> positions;
  for (const PanelColumn& column : columns) {
    SCOPED_TRACE(column.title);
    ASSERT_GE(column.list_column, 0);
    ASSERT_LT(static_cast<std::size_t>(column.list_column), header.size());
    const std::string& name = header[static_cast<std::size_t>(column.list_column)];
    positions.push_back(column.list_column);
    // Every column the engine writes has a title of its own; an unknown one keeps its name.
    EXPECT_EQ(column.title == name, name == "nova_coluna") << name;
    const bool structure = name.starts_with("esperado_") || name.starts_with("encontrado_");
    EXPECT_EQ(column.role == ColumnRole::kStructure, structure) << name;
    EXPECT_EQ(column.role == ColumnRole::kMessage, name == "mensagem") << name;
    if (column.role == ColumnRole::kKey) {
      std::string field = name;
      for (char& c : field) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      EXPECT_EQ(column.key_field, field);
    }
  }
  std::vector<int> sorted = positions;
  std::sort(sorted.begin(), sorted.end());
  for (std::size_t i = 0; i < sorted.size(); ++i) EXPECT_EQ(sorted[i], static_cast<int>(i));

  const auto name_at = [&](std::size_t shown) {
    return header[static_cast<std::size_t>(columns[shown].list_column)];
  };
  // The file, record, field and check first, then the policy keys and the message.
  EXPECT_EQ(name_at(0), "arquivo");
  EXPECT_EQ(name_at(1), "registro");
  EXPECT_EQ(name_at(2), "campo");
  EXPECT_EQ(name_at(3), "verificacao");
  for (std::size_t shown = 4; shown < 7; ++shown) {
    EXPECT_EQ(columns[shown].role, ColumnRole::kKey) << name_at(shown);
  }
  EXPECT_EQ(name_at(7), "mensagem");
  // The structure check's columns last, an unknown column just before them.
  const auto first_structure = static_cast<std::size_t>(
      std::find_if(columns.begin(), columns.end(),
                   [](const PanelColumn& c) { return c.role == ColumnRole::kStructure; }) -
      columns.begin());
  ASSERT_GT(first_structure, 0u);
  EXPECT_EQ(name_at(first_structure - 1), "nova_coluna");
  for (std::size_t shown = first_structure; shown < columns.size(); ++shown) {
    EXPECT_EQ(columns[shown].role, ColumnRole::kStructure) << name_at(shown);
  }
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
