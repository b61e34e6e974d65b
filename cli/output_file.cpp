#include "cli/output_file.h"

#include <cerrno>
#include <cstring>

#include "cli/cli_options.h"

namespace cli {

OutputFile::OutputFile(const std::string& path, std::ostream& standard_output)
    : path_(path), standard_output_(standard_output), to_standard_output_(path == kStandardOutput) {
  if (!to_standard_output_) file_.open(path, std::ios::binary | std::ios::trunc);
  ok_ = to_standard_output_ || file_.is_open();
}

bool OutputFile::Close() {
  if (to_standard_output_) {
    standard_output_.flush();
    return static_cast<bool>(standard_output_);
  }
  file_.close();
  return static_cast<bool>(file_);
}

std::string OutputFile::CreateError() const {
  return "Cannot create file \"" + path_ + "\". " + std::strerror(errno);
}

std::string OutputFile::WriteError() const {
  return "Cannot write file \"" + path_ + "\". " + std::strerror(errno);
}

}  // namespace cli
