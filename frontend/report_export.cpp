#include "frontend/report_export.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

namespace frontend {
namespace {

std::string Reason(int error) { return std::generic_category().message(error); }

std::FILE* OpenForWriting(const std::filesystem::path& path) {
#ifdef _WIN32
  return _wfopen(path.c_str(), L"wb");
#else
  return std::fopen(path.c_str(), "wb");
#endif
}

}  // namespace

std::string ExportBytes(const std::vector<std::string>& lines) {
  std::size_t total = 0;
  for (const auto& line : lines) total += line.size() + 2;
  std::string bytes;
  bytes.reserve(total);
  for (const auto& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

std::string FullPathText(const std::filesystem::path& path) {
  std::error_code ignored;
  std::filesystem::path full = std::filesystem::absolute(path, ignored);
  if (full.empty()) full = path;
  const std::u8string text = full.make_preferred().u8string();
  return std::string(text.begin(), text.end());
}

std::string WriteFileWith(const std::filesystem::path& path,
                          const std::function<bool(const ByteSink& put)>& produce) {
  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenForWriting(path), &std::fclose);
  if (!file) {
    return "Cannot create file \"" + FullPathText(path) + "\". " + Reason(errno ? errno : EIO);
  }
  errno = 0;
  int write_error = 0;
  const ByteSink put = [&](std::string_view bytes) {
    if (write_error != 0) return false;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
      write_error = errno ? errno : EIO;
    }
    return write_error == 0;
  };
  bool written = produce(put) && write_error == 0;
  if (written && std::fflush(file.get()) != 0) {
    write_error = errno ? errno : EIO;
    written = false;
  }
  const bool closed = std::fclose(file.release()) == 0;
  if (!written || !closed) {
    const int error = write_error ? write_error : (errno ? errno : EIO);
    return "Cannot write file \"" + FullPathText(path) + "\". " + Reason(error);
  }
  return {};
}

std::string WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  return WriteFileWith(path, [&bytes](const ByteSink& put) { return put(bytes); });
}

std::string WriteReport(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  return WriteFileBytes(path, ExportBytes(lines));
}

}  // namespace frontend
