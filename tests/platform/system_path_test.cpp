#include "platform/system_path.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_identity.h"
#include "support/temp_dir.h"

namespace platform {
namespace {

// A folder made through the standard library's file system functions under an accented name (on
// Windows they take the wide path) is the one the system path names to this project's functions.
TEST(SystemPathTest, AnAccentedNameNamesTheSameFile) {
  testing_support::TempDir dir;
  const std::filesystem::path path = dir.path() / std::filesystem::path(u8"Área de Trabalho");
  ASSERT_TRUE(std::filesystem::create_directory(path));
  EXPECT_TRUE(IdentityOf(SystemPath(path)).has_value()) << SystemPath(path);
}

}  // namespace
}  // namespace platform
