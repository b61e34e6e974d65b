#pragma once
// The standard streams of the command-line programs, where Windows and POSIX differ.

#include <array>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace cmdline {

// Output bytes go out unchanged, as on every other system: no CR before each LF on Windows.
void UseBinaryStandardStreams();

// Whether standard error is a terminal (a console on Windows).
bool StandardErrorIsTerminal();

// A reader that goes away (`| head -1`) makes the next write to standard output fail with
// "Broken pipe" instead of ending the program: the run still writes its file outputs and says
// what failed. POSIX only.
void IgnoreBrokenPipes();

// How many of `bytes` end on a character boundary: all of them but a UTF-8 sequence cut short
// at the end (a byte that is no UTF-8 counts as a character of its own).
std::size_t WholeUtf8Prefix(std::string_view bytes);

// Standard output (or error, `fd` 2) written straight to its descriptor through a buffer of
// 64 KiB (a larger block goes out without a copy). It keeps the system's reason for its first
// failed write and writes nothing more after it: the failure list and the extract write from a
// thread of their own, whose errno the runner never sees. On a Windows console the UTF-8 text
// goes out as UTF-16 through the console's own API, a character cut by the buffer kept for the
// next write; redirected, the bytes go out unchanged.
class StandardOutputBuffer : public std::streambuf {
 public:
  explicit StandardOutputBuffer(int fd = 1);
  ~StandardOutputBuffer() override;
  StandardOutputBuffer(const StandardOutputBuffer&) = delete;
  StandardOutputBuffer& operator=(const StandardOutputBuffer&) = delete;

  // The system's text for the first failed write; empty while none failed.
  std::string FailureReason() const;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override { return Drain() ? 0 : -1; }

 private:
  bool Drain();
  bool WriteOut(const char* data, std::size_t size);
  bool WriteToConsole(std::string_view bytes);

  int fd_;
  bool console_;
  std::string cut_;  // on a console: the start of a character the last write cut
  int error_ = 0;    // errno of the first failed write
  std::array<char, 1 << 16> bytes_;
};

// The standard streams of a command-line program's process, set up once first thing in main:
// closed standard descriptors opened on the null device, broken pipes ignored, bytes unchanged,
// standard output through a StandardOutputBuffer (out()), and standard error through another,
// flushed at every write (err()).
class ProgramStreams {
 public:
  ProgramStreams();
  ProgramStreams(const ProgramStreams&) = delete;
  ProgramStreams& operator=(const ProgramStreams&) = delete;

  std::ostream& out() { return out_; }
  std::ostream& err() { return err_; }

 private:
  StandardOutputBuffer standard_output_;
  StandardOutputBuffer standard_error_{2};
  std::ostream out_;
  std::ostream err_;
};

// Why writing to `out` failed: the reason a StandardOutputBuffer kept when `out` writes through
// one, else the system's last error.
std::string WriteFailureReason(const std::ostream& out);

}  // namespace cmdline
