// The desktop's own answers for files that are not there.
#include "ui/desktop_services.h"

#include <gtest/gtest.h>

#include "frontend/shell_messages.h"
#include "support/temp_dir.h"

namespace {

TEST(ShellOpenTest, MissingFilesAreReportedWithoutAskingTheDesktop) {
  testing_support::TempDir dir;
  ui::QtDesktopServices desktop;
  EXPECT_EQ(desktop.OpenFile(nullptr, QString::fromStdString(dir.file("PRXAuto.chm"))),
            frontend::kShellFileNotFound);
  EXPECT_EQ(desktop.OpenFile(nullptr, QString::fromStdString(dir.file("nao/PRXAuto.chm"))),
            frontend::kShellPathNotFound);
}

}  // namespace
