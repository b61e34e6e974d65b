#include "cmdline/standard_streams.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ios>

#include "platform/console.h"
#include "platform/standard_descriptors.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace cmdline {

void UseBinaryStandardStreams() {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
}

bool StandardErrorIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

void IgnoreBrokenPipes() {
#ifndef _WIN32
  signal(SIGPIPE, SIG_IGN);
#endif
}

std::size_t WholeUtf8Prefix(std::string_view bytes) {
  // The last byte that starts a character, within the longest sequence's reach.
  std::size_t start = bytes.size();
  for (std::size_t back = 1; back <= 4 && back <= bytes.size(); ++back) {
    const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
    if ((byte & 0xC0) != 0x80) {
      start = bytes.size() - back;
      break;
    }
  }
  if (start == bytes.size()) return bytes.size();
  const auto lead = static_cast<unsigned char>(bytes[start]);
  const std::size_t length = lead >= 0xF0 && lead <= 0xF4   ? 4
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xC2 && lead <= 0xDF ? 2
                                                            : 1;
  return start + length > bytes.size() ? start : bytes.size();
}

StandardOutputBuffer::StandardOutputBuffer(int fd) : fd_(fd), console_(platform::IsConsole(fd)) {
  setp(bytes_.data(), bytes_.data() + bytes_.size());
}

StandardOutputBuffer::~StandardOutputBuffer() {
  Drain();
  // A character cut short at the very end goes out as it is.
  if (!cut_.empty() && error_ == 0) platform::WriteConsoleText(fd_, cut_);
}

std::string StandardOutputBuffer::FailureReason() const {
  return error_ == 0 ? std::string() : std::strerror(error_);
}

StandardOutputBuffer::int_type StandardOutputBuffer::overflow(int_type c) {
  if (!Drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

std::streamsize StandardOutputBuffer::xsputn(const char* s, std::streamsize n) {
  if (n < static_cast<std::streamsize>(bytes_.size())) return std::streambuf::xsputn(s, n);
  return Drain() && WriteOut(s, static_cast<std::size_t>(n)) ? n : 0;
}

bool StandardOutputBuffer::Drain() {
  const auto pending = static_cast<std::size_t>(pptr() - pbase());
  setp(bytes_.data(), bytes_.data() + bytes_.size());
  return WriteOut(bytes_.data(), pending);
}

bool StandardOutputBuffer::WriteToConsole(std::string_view bytes) {
  std::string joined;
  if (!cut_.empty()) {
    joined = cut_;
    joined.append(bytes);
    bytes = joined;
  }
  const std::size_t whole = WholeUtf8Prefix(bytes);
  if (!platform::WriteConsoleText(fd_, bytes.substr(0, whole))) {
    error_ = EIO;
    return false;
  }
  cut_.assign(bytes.substr(whole));
  return true;
}

bool StandardOutputBuffer::WriteOut(const char* data, std::size_t size) {
  if (error_ == 0 && console_ && size > 0) return WriteToConsole(std::string_view(data, size));
  while (error_ == 0 && size > 0) {
#ifdef _WIN32
    const int put = _write(fd_, data, static_cast<unsigned>(size < (1u << 30) ? size : (1u << 30)));
#else
    const ssize_t put = write(fd_, data, size);
#endif
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      error_ = put == 0 ? EIO : errno;
      break;
    }
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return error_ == 0;
}

ProgramStreams::ProgramStreams() : out_(nullptr), err_(nullptr) {
  platform::OpenClosedStandardDescriptors();
  IgnoreBrokenPipes();
  UseBinaryStandardStreams();
  std::ios::sync_with_stdio(false);
  out_.rdbuf(&standard_output_);
  err_.rdbuf(&standard_error_);
  err_.setf(std::ios::unitbuf);  // a message is out before the next step, as on std::cerr
}

std::string WriteFailureReason(const std::ostream& out) {
  const auto* standard = dynamic_cast<const StandardOutputBuffer*>(out.rdbuf());
  if (standard != nullptr && !standard->FailureReason().empty()) return standard->FailureReason();
  return std::strerror(errno != 0 ? errno : EIO);
}

}  // namespace cmdline
