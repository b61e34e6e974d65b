#include "cmdline/standard_streams.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ios>

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

StandardOutputBuffer::StandardOutputBuffer() { setp(bytes_.data(), bytes_.data() + bytes_.size()); }

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

bool StandardOutputBuffer::WriteOut(const char* data, std::size_t size) {
  while (error_ == 0 && size > 0) {
#ifdef _WIN32
    const int put = _write(1, data, static_cast<unsigned>(size < (1u << 30) ? size : (1u << 30)));
#else
    const ssize_t put = write(1, data, size);
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

ProgramStreams::ProgramStreams() : out_(nullptr) {
  platform::OpenClosedStandardDescriptors();
  IgnoreBrokenPipes();
  UseBinaryStandardStreams();
  std::ios::sync_with_stdio(false);
  out_.rdbuf(&standard_output_);
}

std::string WriteFailureReason(const std::ostream& out) {
  const auto* standard = dynamic_cast<const StandardOutputBuffer*>(out.rdbuf());
  if (standard != nullptr && !standard->FailureReason().empty()) return standard->FailureReason();
  return std::strerror(errno != 0 ? errno : EIO);
}

}  // namespace cmdline
