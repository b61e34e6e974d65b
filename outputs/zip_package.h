#pragma once
// The zip archive a workbook is (minizip's writer, with the zip64 extension: a failure list's
// sheets pass 4 GB of XML). Small parts are compressed as they are added; a sheet's part arrives
// already compressed, in pieces from a scratch file (deflate_pieces.h), and is stored as it is.
// Every write is checked: a failed one fails the archive with the system's reason.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "outputs/deflate_pieces.h"
#include "platform/exclusive_file.h"

namespace outputs {

class ZipPackage {
 public:
  // Creates the archive at `narrow_path` (a name the C library opens: platform/system_path.h).
  explicit ZipPackage(const std::string& narrow_path);
  ~ZipPackage();  // an archive not closed is left as it is, for its owner to remove
  ZipPackage(const ZipPackage&) = delete;
  ZipPackage& operator=(const ZipPackage&) = delete;

  bool ok() const { return zip_ != nullptr && error_.empty(); }
  // Adds the part `name` holding `xml`.
  bool Add(const std::string& name, std::string_view xml);
  // Adds the part `name`: `head` and `tail` around the compressed `pieces` read from `scratch`.
  bool AddDeflated(const std::string& name, std::string_view head,
                   const std::vector<DeflatedPiece>& pieces, const platform::ExclusiveFile& scratch,
                   std::string_view tail);
  // Writes the archive's directory and closes it. False when any write failed.
  bool Close();
  // Why the archive could not be made or written; empty while all is well.
  const std::string& ErrorText() const { return error_; }

 private:
  bool Open(const std::string& name, bool raw);
  bool Write(std::string_view bytes);
  void Fail(const std::string& what);

  void* zip_ = nullptr;
  std::string error_;
};

}  // namespace outputs
