#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/exclusive_file.h"
#include "platform/stderr_capture.h"

namespace platform {
namespace {

// The one lock of descriptor 2 (see the header).
std::mutex& Turn() {
  static std::mutex turn;
  return turn;
}

int OpenCaptureFile() {
#ifdef __linux__
  const int fd = memfd_create("talmero-stderr", MFD_CLOEXEC);
  if (fd >= 0) return fd;
#endif
  std::string path = TempFolder() + "talmero-stderr-XXXXXX";
  const int made = mkstemp(path.data());
  if (made >= 0) unlink(path.c_str());
  return made;
}

}  // namespace

StderrCapture::StderrCapture() : turn_(Turn()) {
  std::fflush(stderr);
  captured_ = OpenCaptureFile();
  if (captured_ < 0) return;
  saved_ = fcntl(2, F_DUPFD_CLOEXEC, 3);
  active_ = dup2(captured_, 2) == 2;
}

StderrCapture::~StderrCapture() { Finish(); }

std::string StderrCapture::Finish() {
  std::string text;
  if (active_) {
    std::fflush(stderr);
    if (saved_ >= 0) {
      dup2(saved_, 2);
    } else {
      close(2);
    }
    active_ = false;
    char buffer[4096];
    for (off_t at = 0;;) {
      const ssize_t got = pread(captured_, buffer, sizeof buffer, at);
      if (got <= 0) break;
      text.append(buffer, static_cast<std::size_t>(got));
      at += got;
    }
  }
  if (saved_ >= 0) close(saved_);
  if (captured_ >= 0) close(captured_);
  saved_ = captured_ = -1;
  return text;
}

}  // namespace platform
