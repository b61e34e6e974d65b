#pragma once
// One output of the runner: a file created (truncated) for writing in binary mode, or the
// standard output stream when the path is "-".

#include <fstream>
#include <ostream>
#include <string>

namespace cli {

class OutputFile {
 public:
  // Creates the file at once. Check ok() before use.
  OutputFile(const std::string& path, std::ostream& standard_output);
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool ok() const { return ok_; }
  std::ostream& stream() { return to_standard_output_ ? standard_output_ : file_; }
  // Flushes and closes. False when a write failed at any point.
  bool Close();

  // "Cannot create file "PATH". <reason>" (the reason from errno).
  std::string CreateError() const;
  // "Cannot write file "PATH". <reason>".
  std::string WriteError() const;

 private:
  std::string path_;
  std::ostream& standard_output_;
  std::ofstream file_;
  bool to_standard_output_;
  bool ok_;
};

}  // namespace cli
