#pragma once
// A workbook's big parts compressed on the idle cores while their rows are still being made.
// Each part's XML is handed over in pieces of about a MiB; every piece is compressed on its own
// (raw deflate, ended on a byte boundary by a sync flush, so pieces laid end to end form one
// stream, closed by a final empty block), by whichever worker thread is free, and the compressed
// bytes are written to one scratch file in the order the pieces were handed over. The zip entry
// of a part is then its pieces copied in order (xlsx_package.h), their checksums combined.
//
// Deflate at its fastest level: a sheet's XML repeats itself so much that the fastest level
// keeps most of the gain, and a failure list's sheets run to more than a GB of XML.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/exclusive_file.h"

namespace outputs {

// A piece of a part: where its compressed bytes stand in the scratch file, how many bytes of XML
// it holds (a MiB and a row at most: the checksums combine over lengths of a long) and their
// checksum.
struct DeflatedPiece {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  std::uint64_t plain = 0;
  std::uint32_t crc = 0;
};

// `xml` deflated (raw, the fastest level) and ended by a sync flush, appended to `*out`;
// `*crc` becomes the checksum of `xml`.
void DeflatePiece(std::string_view xml, std::string* out, std::uint32_t* crc);
// The same into the start of `*buffer`, grown when too small; returns the bytes used.
std::size_t DeflateInto(std::string_view xml, std::vector<unsigned char>* buffer,
                        std::uint32_t* crc);

// The final empty block that closes a stream of sync-flushed pieces.
inline constexpr std::string_view kDeflateEnd("\x03\x00", 2);

class PieceDeflater {
 public:
  // Pieces go to `scratch`, which must outlive the deflater. Up to `threads` workers; without
  // any to be had, each piece is compressed by the caller.
  PieceDeflater(platform::ExclusiveFile& scratch, unsigned threads);
  ~PieceDeflater();
  PieceDeflater(const PieceDeflater&) = delete;
  PieceDeflater& operator=(const PieceDeflater&) = delete;

  // Hands over the next piece of part `part`. Waits while the workers are that far behind, so
  // memory holds a few pieces at most.
  void Add(std::size_t part, std::string xml);
  // An empty text with room for a piece, reused from pieces already compressed: fresh memory for
  // each piece would cost as much as filling it.
  std::string Buffer();
  // Waits until every piece handed over is in the scratch file. False when a write of it failed.
  bool Drain();
  // The pieces of `part`, in order; complete after Drain().
  std::vector<DeflatedPiece> Pieces(std::size_t part) const;
  // Why a write to the scratch file failed; empty while none did.
  std::string ErrorText() const;

 private:
  struct Job {
    std::size_t part = 0;
    std::string xml;
    std::string deflated;
    std::uint32_t crc = 0;
    std::uint64_t plain = 0;  // bytes of xml
    bool taken = false;
    bool done = false;
  };

  void Work();
  // Keeps the room of a compressed piece's text for Buffer(). Called with the lock held.
  void Recycle(std::string xml);
  // Writes the finished jobs at the head of the queue, in order. Called with the lock held.
  void WriteFinished();

  platform::ExclusiveFile& scratch_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> jobs_;  // in the order handed over; the head is written first
  std::vector<std::vector<DeflatedPiece>> pieces_;  // by part
  std::vector<std::string> spare_;                  // emptied texts of compressed pieces
  std::uint64_t written_ = 0;
  std::string error_;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace outputs
