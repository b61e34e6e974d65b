#pragma once
// The standard streams of the command-line programs, where Windows and POSIX differ.

#include <array>
#include <ostream>
#include <streambuf>
#include <string>

namespace cmdline {

// Output bytes go out unchanged, as on every other system: no CR before each LF on Windows.
void UseBinaryStandardStreams();

// Whether standard error is a terminal (a console on Windows).
bool StandardErrorIsTerminal();

// A reader that goes away (`| head -1`) makes the next write to standard output fail with
// "Broken pipe" instead of ending the program: the run still writes its file outputs and says
// what failed. POSIX only.
void IgnoreBrokenPipes();

// Standard output written straight to descriptor 1 through a buffer of 64 KiB (a larger block
// goes out without a copy). It keeps the system's reason for its first failed write and writes
// nothing more after it: the failure list and the extract write from a thread of their own,
// whose errno the runner never sees.
class StandardOutputBuffer : public std::streambuf {
 public:
  StandardOutputBuffer();
  ~StandardOutputBuffer() override { Drain(); }
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

  int error_ = 0;  // errno of the first failed write
  std::array<char, 1 << 16> bytes_;
};

// The standard streams of a command-line program's process, set up once first thing in main:
// closed standard descriptors opened on the null device, broken pipes ignored, bytes unchanged,
// and standard output through a StandardOutputBuffer (out()).
class ProgramStreams {
 public:
  ProgramStreams();
  ProgramStreams(const ProgramStreams&) = delete;
  ProgramStreams& operator=(const ProgramStreams&) = delete;

  std::ostream& out() { return out_; }

 private:
  StandardOutputBuffer standard_output_;
  std::ostream out_;
};

// Why writing to `out` failed: the reason a StandardOutputBuffer kept when `out` writes through
// one, else the system's last error.
std::string WriteFailureReason(const std::ostream& out);

}  // namespace cmdline
