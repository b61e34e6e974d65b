// A host that keeps the catalogue (the whole-run fuzz target) gets the report of a fresh load on
// every run: the counters start from zero again and no catalogue file is read.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/validation_run.h"
#include "support/recording_host.h"
#include "support/run_fixture.h"

namespace {

class KeepingHost : public testing_support::RecordingHost {
 public:
  bool KeepsCatalog() const override { return true; }
};

TEST(KeptCatalogTest, EveryRunReportsAsAFreshLoadWithoutReadingTheCatalogue) {
  testing_support::TempDir dir;
  testing_support::WriteStandardCatalog(dir);
  tools::DbfBuilder claims(testing_support::ClaimsLayout());
  claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"});
  claims.Add({"01234", "", "000002", "9", "50", "20230801"});  // a null and a domain failure
  claims.Write(dir.file("sinistros.dbf"));

  KeepingHost host;
  host.catalogue_folder = dir.folder();
  host.claims_path = dir.file("sinistros.dbf");
  engine::ValidationRun run;
  run.Execute(host);
  const std::vector<std::string> fresh = host.lines;
  ASSERT_GT(fresh.size(), 10u);

  for (const char* name : {"tabelas.dbf", "anexos.dbf"}) std::filesystem::remove(dir.file(name));
  for (int again = 0; again < 2; ++again) {
    run.Execute(host);
    EXPECT_EQ(host.lines, fresh);
  }
}

}  // namespace
