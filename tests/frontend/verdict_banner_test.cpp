// The findings panel's banner over a run that an error ended: the error, then the sentence that
// names its file and the cause.
#include "frontend/verdict_banner.h"

#include <gtest/gtest.h>

#include "engine/validation_run.h"
#include "support/recording_host.h"
#include "support/run_fixture.h"

namespace frontend {
namespace {

TEST(VerdictBannerTest, AnErrorIsFollowedByTheSentenceThatNamesItsFile) {
  testing_support::TempDir dir;
  testing_support::WriteStandardCatalog(dir);
  testing_support::RecordingHost host;
  host.catalogue_folder = dir.folder();
  host.risk_path = dir.file("falta.dbf");
  engine::ValidationRun run;
  std::optional<std::string> error;
  try {
    run.Execute(host);
  } catch (const std::exception& e) {
    error = e.what();
  }
  ASSERT_TRUE(error.has_value());
  const VerdictBanner banner = BannerOf(run.state().result, error);
  ASSERT_GE(banner.motivos.size(), 2u);
  EXPECT_EQ(banner.motivos[banner.motivos.size() - 2], *error);
  EXPECT_EQ(banner.motivos.back(), "arquivo de riscos não encontrado: " + host.risk_path);
}

}  // namespace
}  // namespace frontend
