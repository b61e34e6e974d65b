#pragma once
// One output of a command-line program: a file that appears whole or not at all
// (platform/atomic_output.h: the bytes go to a temporary file beside it, renamed over the target by
// Close()), or the standard output stream when the path is "-". A path that names a device or a
// FIFO
// (/dev/null, a pipe) is written in place: a rename would replace it with a plain file.

#include <array>
#include <fstream>
#include <optional>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

#include "platform/atomic_output.h"

namespace cmdline {

// The path that names standard output.
inline constexpr const char* kStandardOutput = "-";

class OutputFile {
 public:
  // Creates the temporary file at once. Check ok() before use.
  OutputFile(const std::string& path, std::ostream& standard_output);
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool ok() const { return to_standard_output_ || file_.has_value() || device_.is_open(); }
  std::ostream& stream() {
    if (to_standard_output_) return standard_output_;
    return device_.is_open() ? static_cast<std::ostream&>(device_) : stream_;
  }
  // Where a writer that takes a path (the workbook) puts the bytes; empty for standard output.
  std::string TempPath() const {
    if (device_.is_open()) return path_;
    return file_ ? file_->temp_path() : std::string();
  }
  // Flushes and puts the file in place. False when a write failed at any point; the target is
  // then left as it was.
  bool Close();

  // "Cannot create file "PATH". <reason>".
  std::string CreateError() const;
  // "Cannot write file "PATH". <reason>", or for standard output "não foi possível escrever na
  // saída padrão: <reason>".
  std::string WriteError() const;

 private:
  // Buffers the stream's bytes into the atomic output.
  class Buffer : public std::streambuf {
   public:
    explicit Buffer(OutputFile& owner);
    bool Drain();

   protected:
    int_type overflow(int_type c) override;
    // A block at least as large as the buffer goes to the file without a copy.
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override { return Drain() ? 0 : -1; }

   private:
    OutputFile& owner_;
    std::array<char, 1 << 16> bytes_;
  };

  std::string path_;
  std::ostream& standard_output_;
  bool to_standard_output_;
  std::optional<platform::AtomicOutput> file_;
  std::ofstream device_;  // a device or FIFO, written in place
  std::string reason_;
  Buffer buffer_;
  std::ostream stream_;
};

// "não foi possível escrever na saída padrão: <reason>".
std::string StandardOutputError(const std::string& reason);

// Writes `text` (the usage, the version) to standard output; false when it could not be written,
// with that error written to `err`.
bool PrintToStandardOutput(std::string_view text, std::ostream& out, std::ostream& err);

}  // namespace cmdline
