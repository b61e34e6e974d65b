#pragma once
// Boxes and dialogs are modal: while one is open, the test's thread is inside its message loop.
// A BoxWatcher looks from a second thread for the dialogs of the test's thread, records their
// caption and texts, and lets a handler answer each one once.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

struct SeenBox {
  std::wstring caption;
  std::vector<std::wstring> texts;  // of its child windows, in order
};

inline std::wstring TextOf(HWND hwnd) {
  wchar_t buffer[4096] = {};
  GetWindowTextW(hwnd, buffer, 4096);
  return buffer;
}

class BoxWatcher {
 public:
  // `handle` answers a box (it runs on the watcher's thread); it receives the dialog's window.
  BoxWatcher(DWORD ui_thread, std::function<void(HWND, const SeenBox&)> handle)
      : ui_thread_(ui_thread), handle_(std::move(handle)), thread_([this] { Watch(); }) {}
  ~BoxWatcher() {
    stop_.store(true);
    thread_.join();
  }
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;

  std::vector<SeenBox> seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }

 private:
  static BOOL CALLBACK Collect(HWND hwnd, LPARAM out) {
    reinterpret_cast<std::vector<HWND>*>(out)->push_back(hwnd);
    return TRUE;
  }

  void Watch() {
    while (!stop_.load()) {
      std::vector<HWND> windows;
      EnumThreadWindows(ui_thread_, &BoxWatcher::Collect, reinterpret_cast<LPARAM>(&windows));
      for (HWND hwnd : windows) {
        wchar_t class_name[64] = {};
        GetClassNameW(hwnd, class_name, 64);
        if (std::wstring(class_name) != L"#32770" || !IsWindowVisible(hwnd)) continue;
        if (!handled_.insert(hwnd).second) continue;
        // Give the dialog a moment to fill its controls.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        SeenBox box{TextOf(hwnd), {}};
        std::vector<HWND> children;
        EnumChildWindows(hwnd, &BoxWatcher::Collect, reinterpret_cast<LPARAM>(&children));
        for (HWND child : children) box.texts.push_back(TextOf(child));
        {
          std::lock_guard lock(mutex_);
          seen_.push_back(box);
        }
        handle_(hwnd, box);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

  const DWORD ui_thread_;
  std::function<void(HWND, const SeenBox&)> handle_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<SeenBox> seen_;
  std::set<HWND> handled_;
  std::thread thread_;
};

// Closes a message box as its OK button would.
inline void CloseBox(HWND box) { PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

// Types `path` into a save dialog's file name box and confirms it.
inline void AnswerSaveDialog(HWND box, const std::filesystem::path& path) {
  HWND name = GetDlgItem(box, 0x47c);  // the file name box (cmb13, or edt1 below)
  if (name == nullptr) name = GetDlgItem(box, 0x480);
  SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.wstring().c_str()));
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

inline bool HasText(const SeenBox& box, const std::wstring& text) {
  for (const std::wstring& t : box.texts) {
    if (t == text) return true;
  }
  return false;
}

}  // namespace testing_support
