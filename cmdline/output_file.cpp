#include "cmdline/output_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "cmdline/standard_streams.h"
#include "platform/file_error.h"
#include "platform/system_path.h"

namespace cmdline {
namespace {

// An existing file that is neither a plain file nor a folder: a device or a FIFO.
bool IsDevice(const std::string& path) {
  std::error_code error;
  const auto type = std::filesystem::status(platform::FileSystemPath(path), error).type();
  return !error && type != std::filesystem::file_type::regular &&
         type != std::filesystem::file_type::directory &&
         type != std::filesystem::file_type::not_found;
}

}  // namespace

OutputFile::Buffer::Buffer(OutputFile& owner) : owner_(owner) {
  setp(bytes_.data(), bytes_.data() + bytes_.size());
}

bool OutputFile::Buffer::Drain() {
  const std::string_view pending(pbase(), static_cast<std::size_t>(pptr() - pbase()));
  setp(bytes_.data(), bytes_.data() + bytes_.size());
  return owner_.file_ && owner_.file_->Write(pending);
}

OutputFile::Buffer::int_type OutputFile::Buffer::overflow(int_type c) {
  if (!Drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

std::streamsize OutputFile::Buffer::xsputn(const char* s, std::streamsize n) {
  if (n < static_cast<std::streamsize>(bytes_.size())) return std::streambuf::xsputn(s, n);
  const bool written = Drain() && owner_.file_->Write({s, static_cast<std::size_t>(n)});
  return written ? n : 0;
}

OutputFile::OutputFile(const std::string& path, std::ostream& standard_output)
    : path_(path),
      standard_output_(standard_output),
      to_standard_output_(path == kStandardOutput),
      buffer_(*this),
      stream_(&buffer_) {
  if (to_standard_output_) return;
  if (IsDevice(path)) {
    errno = 0;
    device_.open(platform::FileSystemPath(path), std::ios::binary | std::ios::out);
    if (!device_.is_open()) reason_ = std::strerror(errno != 0 ? errno : EIO);
  } else {
    file_ = platform::AtomicOutput::Create(path, &reason_);
  }
  if (!ok()) stream_.setstate(std::ios::badbit);
}

bool OutputFile::Close() {
  if (to_standard_output_) {
    // The program's standard output keeps the reason of its first failure, whichever thread
    // met it; any other stream leaves it in errno.
    if (standard_output_) {
      errno = 0;
      standard_output_.flush();
    }
    if (!standard_output_) reason_ = WriteFailureReason(standard_output_);
    return static_cast<bool>(standard_output_);
  }
  if (device_.is_open()) {
    errno = 0;
    device_.close();
    if (device_.fail()) reason_ = std::strerror(errno != 0 ? errno : EIO);
    return !device_.fail();
  }
  if (!file_) return false;
  const bool written = stream_.flush() && buffer_.Drain();
  // Without a complete stream nothing is put in place: the destructor removes the temporary.
  const bool committed = written && file_->Commit();
  if (!committed) reason_ = file_->ErrorText();
  file_.reset();
  return committed;
}

std::string OutputFile::CreateError() const {
  return platform::FileErrorText(platform::FileStep::kCreate, path_, reason_);
}

std::string OutputFile::WriteError() const {
  // A list or extract that failed on standard output is never closed: its reason is asked now.
  if (to_standard_output_) {
    return StandardOutputError(reason_.empty() ? WriteFailureReason(standard_output_) : reason_);
  }
  return platform::FileErrorText(platform::FileStep::kWrite, path_, reason_);
}

std::string StandardOutputError(const std::string& reason) {
  return "não foi possível escrever na saída padrão: " + reason;
}

bool PrintToStandardOutput(std::string_view text, std::ostream& out, std::ostream& err) {
  OutputFile file(kStandardOutput, out);
  out << text;
  if (file.Close()) return true;
  err << file.WriteError() << '\n';
  return false;
}

}  // namespace cmdline
