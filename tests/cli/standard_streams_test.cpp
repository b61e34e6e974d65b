// Standard streams on a console: the UTF-8 text reaches a Windows console as the characters it
// holds, whatever the console's code page, a character cut between two writes included.
#include "cmdline/standard_streams.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <ostream>
#endif

namespace {

TEST(StandardStreamsTest, ACharacterCutAtTheEndWaitsForItsRest) {
  EXPECT_EQ(cmdline::WholeUtf8Prefix("Inicio"), 6u);
  EXPECT_EQ(cmdline::WholeUtf8Prefix("In\xC3"), 2u);         // í cut after its first byte
  EXPECT_EQ(cmdline::WholeUtf8Prefix("In\xC3\xAD"), 4u);     // whole
  EXPECT_EQ(cmdline::WholeUtf8Prefix("a\xF0\x9F\x98"), 1u);  // a four-byte one cut after three
  EXPECT_EQ(cmdline::WholeUtf8Prefix("a\xE2\x80\xA6"), 4u);  // …
  EXPECT_EQ(cmdline::WholeUtf8Prefix("a\x80"), 2u);          // no UTF-8: a character of its own
  EXPECT_EQ(cmdline::WholeUtf8Prefix("a\xFF"), 2u);
  EXPECT_EQ(cmdline::WholeUtf8Prefix(""), 0u);
}

#ifdef _WIN32
// A console of the test's own, its screen read back: what the buffer wrote is the characters.
TEST(StandardStreamsTest, AConsoleShowsTheCharactersOfTheText) {
  // A console of its own: the one the test may have inherited is not always one it can write.
  FreeConsole();
  if (AllocConsole() == 0) GTEST_SKIP() << "no console here (" << GetLastError() << ")";
  const HANDLE screen =
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (screen == INVALID_HANDLE_VALUE) GTEST_SKIP() << "no screen buffer (" << GetLastError() << ")";
  SetConsoleOutputCP(850);  // a code page that reads UTF-8 bytes as other letters
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(screen), _O_BINARY);
  ASSERT_GE(fd, 0);
  {
    cmdline::StandardOutputBuffer buffer(fd);
    std::ostream out(&buffer);
    out << "In\xC3";
    out.flush();  // the í cut between two writes
    out << "\xAD"
           "cio \xE2\x80\xA6";
    out.flush();
  }
  wchar_t shown[16] = {};
  DWORD read = 0;
  // A console without a window (no display) cannot be read back.
  if (ReadConsoleOutputCharacterW(screen, shown, 16, COORD{0, 0}, &read) == 0) {
    GTEST_SKIP() << "the console cannot be read back (" << GetLastError() << ")";
  }
  EXPECT_EQ(std::wstring(shown, read).substr(0, 8), std::wstring(L"In\u00EDcio \u2026"));
  _close(fd);
}
#endif

}  // namespace
