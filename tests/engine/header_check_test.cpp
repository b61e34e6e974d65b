#include "engine/header_check.h"

#include <gtest/gtest.h>

#include "engine/text.h"
#include "support/temp_dir.h"
#include "tools/dbf_writer.h"

namespace engine {
namespace {

TEST(HeaderCheckTest, CutDeliveryIsAFindingWithItsWarning) {
  testing_support::TempDir dir;
  const std::string path = dir.file("sinistros.dbf");
  tools::DbfBuilder builder({{"APOLICE", 'C', 20}});
  for (const char* p : {"P1", "P2", "P3"}) builder.Add({p});
  tables::DbfTable table("tbDados", true);
  table.SetFileName(path);

  builder.Write(path);
  table.Open();
  EXPECT_FALSE(FindHeaderMismatch(table, FindingFile::kSinistros));
  table.Close();

  builder.HeaderRecordCount(4000000000u).Write(path);
  table.Open();
  const std::optional<HeaderFinding> finding = FindHeaderMismatch(table, FindingFile::kSinistros);
  ASSERT_TRUE(finding);
  EXPECT_EQ(finding->file, FindingFile::kSinistros);
  EXPECT_EQ(finding->header_records, 4000000000u);
  EXPECT_EQ(finding->file_records, 3u);
  EXPECT_EQ(HeaderWarnings(*finding),
            std::vector<std::string>{
                Ansi("o cabeçalho anuncia 4.000.000.000 registros, o arquivo contém 3")});
}

}  // namespace
}  // namespace engine
