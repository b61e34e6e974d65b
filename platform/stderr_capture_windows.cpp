#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>

#include "platform/exclusive_file.h"
#include "platform/stderr_capture.h"
#include "platform/unique_name.h"
#include "platform/wide_path_windows.h"

namespace platform {
namespace {

// The one lock of descriptor 2 (see the header).
std::mutex& Turn() {
  static std::mutex turn;
  return turn;
}

}  // namespace

StderrCapture::StderrCapture() : turn_(Turn()) {
  std::fflush(stderr);
  // _O_TEMPORARY: the system deletes the file when it is closed.
  const std::string path = TempFolder() + UniqueName("talmero-stderr", ".tmp");
  captured_ = _wopen(WidePath(path).c_str(),
                     _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY | _O_TEMPORARY, _S_IREAD | _S_IWRITE);
  if (captured_ < 0) return;
  saved_ = _dup(2);
  active_ = _dup2(captured_, 2) == 0;
}

StderrCapture::~StderrCapture() { Finish(); }

std::string StderrCapture::Finish() {
  std::string text;
  if (active_) {
    std::fflush(stderr);
    if (saved_ >= 0) _dup2(saved_, 2);
    active_ = false;
    _lseek(captured_, 0, SEEK_SET);
    char buffer[4096];
    for (;;) {
      const int got = _read(captured_, buffer, sizeof buffer);
      if (got <= 0) break;
      text.append(buffer, static_cast<std::size_t>(got));
    }
  }
  if (saved_ >= 0) _close(saved_);
  if (captured_ >= 0) _close(captured_);
  saved_ = captured_ = -1;
  return text;
}

}  // namespace platform
