#include "outputs/zip_package.h"

#ifdef TALMERO_XLSX
#include <minizip/zip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace outputs {
namespace {

// What one call hands minizip: a part goes in pieces of this size.
constexpr std::size_t kHandedBytes = 1 << 20;

zip_fileinfo PartInfo() {
  zip_fileinfo info{};
  info.tmz_date.tm_mday = 1;  // 1980-01-01: the same workbook makes the same archive
  info.tmz_date.tm_year = 1980;
  return info;
}

std::string SystemReason() { return errno != 0 ? std::strerror(errno) : std::string(); }

}  // namespace

ZipPackage::ZipPackage(const std::string& narrow_path) {
  errno = 0;
  zip_ = zipOpen64(narrow_path.c_str(), APPEND_STATUS_CREATE);
  if (zip_ == nullptr) Fail("a planilha não pôde ser criada");
}

ZipPackage::~ZipPackage() {
  if (zip_ != nullptr) zipClose(static_cast<zipFile>(zip_), nullptr);
}

void ZipPackage::Fail(const std::string& what) {
  if (!error_.empty()) return;
  const std::string why = SystemReason();
  error_ = why.empty() ? what : what + ": " + why;
}

bool ZipPackage::Open(const std::string& name, bool raw) {
  if (!ok()) return false;
  const zip_fileinfo info = PartInfo();
  errno = 0;
  if (zipOpenNewFileInZip4_64(static_cast<zipFile>(zip_), name.c_str(), &info, nullptr, 0, nullptr,
                              0, nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION, raw ? 1 : 0,
                              -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, 0, 0,
                              /*zip64=*/1) != ZIP_OK) {
    Fail("a parte " + name + " da planilha não pôde ser gravada");
    return false;
  }
  return true;
}

bool ZipPackage::Write(std::string_view bytes) {
  while (ok() && !bytes.empty()) {
    const std::size_t n = std::min(bytes.size(), kHandedBytes);
    errno = 0;
    if (zipWriteInFileInZip(static_cast<zipFile>(zip_), bytes.data(), static_cast<unsigned>(n)) !=
        ZIP_OK) {
      Fail("a planilha não pôde ser gravada");
    }
    bytes.remove_prefix(n);
  }
  return ok();
}

bool ZipPackage::Add(const std::string& name, std::string_view xml) {
  if (!Open(name, false) || !Write(xml)) return false;
  errno = 0;
  if (zipCloseFileInZip(static_cast<zipFile>(zip_)) != ZIP_OK) {
    Fail("a planilha não pôde ser gravada");
  }
  return ok();
}

bool ZipPackage::AddDeflated(const std::string& name, std::string_view head,
                             const std::vector<DeflatedPiece>& pieces,
                             const platform::ExclusiveFile& scratch, std::string_view tail) {
  if (!Open(name, true)) return false;
  std::string deflated;
  std::uint32_t crc = 0;
  DeflatePiece(head, &deflated, &crc);
  std::uint64_t plain = head.size();
  Write(deflated);
  std::string block;
  for (const DeflatedPiece& piece : pieces) {
    crc = static_cast<std::uint32_t>(
        crc32_combine(crc, piece.crc, static_cast<z_off_t>(piece.plain)));
    plain += piece.plain;
    for (std::uint64_t at = 0; ok() && at < piece.size;) {
      const auto n =
          static_cast<std::size_t>(std::min<std::uint64_t>(kHandedBytes, piece.size - at));
      block.resize(n);
      if (scratch.ReadAt(piece.offset + at, block.data(), n) != n) {
        error_ = "os arquivos temporários da planilha não puderam ser lidos de volta: " +
                 scratch.ErrorText();
        return false;
      }
      Write(block);
      at += n;
    }
  }
  std::uint32_t tail_crc = 0;
  deflated.clear();
  DeflatePiece(tail, &deflated, &tail_crc);
  deflated += kDeflateEnd;
  crc = static_cast<std::uint32_t>(crc32_combine(crc, tail_crc, static_cast<z_off_t>(tail.size())));
  plain += tail.size();
  if (!Write(deflated)) return false;
  errno = 0;
  if (zipCloseFileInZipRaw64(static_cast<zipFile>(zip_), plain, crc) != ZIP_OK) {
    Fail("a planilha não pôde ser gravada");
  }
  return ok();
}

bool ZipPackage::Close() {
  if (zip_ == nullptr) return false;
  errno = 0;
  const int closed = zipClose(static_cast<zipFile>(zip_), nullptr);
  zip_ = nullptr;
  if (closed != ZIP_OK) Fail("a planilha não pôde ser gravada");
  return error_.empty();
}

}  // namespace outputs

#endif
