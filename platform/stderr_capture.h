#pragma once
// What a library prints on standard error, taken instead of shown: while a capture lives,
// descriptor 2 writes into a file of its own (in memory where the system allows), and Finish()
// puts descriptor 2 back and returns the text. The program's own messages say what the library
// meant, with its words as their reason.
//
// Descriptor 2 is one per process: captures take turns, and whatever another thread prints
// meanwhile is taken too, so a capture is held only around the library calls that may print.

#include <mutex>
#include <string>

namespace platform {

class StderrCapture {
 public:
  StderrCapture();
  ~StderrCapture();  // puts descriptor 2 back, if Finish() did not
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  // Puts descriptor 2 back and returns what was printed meanwhile (empty the second time, or
  // when nothing could be captured: the text then went where standard error goes).
  std::string Finish();

 private:
  std::unique_lock<std::mutex> turn_;
  int saved_ = -1;     // descriptor 2 as it was (-1: it was closed)
  int captured_ = -1;  // the file that takes the text
  bool active_ = false;
};

}  // namespace platform
