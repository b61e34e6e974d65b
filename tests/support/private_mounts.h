#pragma once
// A test body run in a child process with a mount namespace of its own, where it may mount a
// small file system or make a folder read-only without changing the machine (Linux, as root).
// The body reports through its exit status: GoogleTest's checks do not cross the fork.
#ifdef __linux__
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace testing_support {

// The status a body returns when a mount it needs is refused: the test is skipped.
inline constexpr int kNoPrivateMounts = 125;

// The body's exit status, or nullopt with the reason in `*why` when no namespace could be had.
inline std::optional<int> InPrivateMounts(const std::function<int()>& body, std::string* why) {
  if (geteuid() != 0) {
    *why = "mounting a file system of its own needs root";
    return std::nullopt;
  }
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const bool isolated = unshare(CLONE_NEWNS) == 0 &&
                          mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    _exit(isolated ? body() : kNoPrivateMounts);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == kNoPrivateMounts) {
    *why = "this system gives no private mount namespace";
    return std::nullopt;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A tmpfs of `size` (as mount takes it: "1280k") on `folder`.
inline bool MountTmpfs(const std::string& folder, const std::string& size) {
  return mount("tmpfs", folder.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
}

// `folder` read-only from here on (a bind of itself, remounted read-only).
inline bool MountReadOnly(const std::string& folder) {
  return mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
         mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

}  // namespace testing_support
#endif
