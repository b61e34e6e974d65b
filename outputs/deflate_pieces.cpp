#include "outputs/deflate_pieces.h"

#ifdef TALMERO_XLSX
#include <zlib.h>

#include <algorithm>
#include <system_error>
#include <utility>
#include <vector>

namespace outputs {
namespace {

// Pieces waiting or being compressed, per worker, before Add() waits.
constexpr std::size_t kQueuedPerWorker = 3;

}  // namespace

void DeflatePiece(std::string_view xml, std::string* out, std::uint32_t* crc) {
  std::vector<unsigned char> buffer;
  const std::size_t used = DeflateInto(xml, &buffer, crc);
  out->append(reinterpret_cast<const char*>(buffer.data()), used);
}

std::size_t DeflateInto(std::string_view xml, std::vector<unsigned char>* buffer,
                        std::uint32_t* crc) {
  *crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(xml.data()), static_cast<uInt>(xml.size())));
  z_stream z{};
  // Raw deflate (no zlib header): a zip entry holds the stream itself.
  if (deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::bad_alloc();
  }
  // Grown only, so a worker's buffer is allocated (and zeroed) once.
  const std::size_t bound = deflateBound(&z, static_cast<uLong>(xml.size())) + 16;
  if (buffer->size() < bound) buffer->resize(bound);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(xml.data()));
  z.avail_in = static_cast<uInt>(xml.size());
  std::size_t used = 0;
  do {
    if (used == buffer->size()) buffer->resize(buffer->size() * 2);
    z.next_out = buffer->data() + used;
    z.avail_out = static_cast<uInt>(buffer->size() - used);
    deflate(&z, Z_SYNC_FLUSH);
    used = buffer->size() - z.avail_out;
  } while (z.avail_in > 0 || z.avail_out == 0);
  deflateEnd(&z);
  return used;
}

PieceDeflater::PieceDeflater(platform::ExclusiveFile& scratch, unsigned threads)
    : scratch_(scratch) {
  for (unsigned i = 0; i < threads; ++i) {
    try {
      workers_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      break;  // fewer workers, or none: the caller compresses
    }
  }
}

PieceDeflater::~PieceDeflater() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void PieceDeflater::Add(std::size_t part, std::string xml) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (pieces_.size() <= part) pieces_.resize(part + 1);
  if (!error_.empty()) return;  // the scratch file failed: nothing more is kept
  if (workers_.empty()) {
    Job& job = jobs_.emplace_back();
    job.part = part;
    DeflatePiece(xml, &job.deflated, &job.crc);
    job.plain = xml.size();
    Recycle(std::move(xml));
    job.done = true;
    WriteFinished();
    return;
  }
  changed_.wait(lock, [this] { return jobs_.size() < kQueuedPerWorker * workers_.size(); });
  Job& job = jobs_.emplace_back();
  job.part = part;
  job.xml = std::move(xml);
  changed_.notify_all();
}

std::string PieceDeflater::Buffer() {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (spare_.empty()) return {};
  std::string buffer = std::move(spare_.back());
  spare_.pop_back();
  return buffer;
}

void PieceDeflater::Recycle(std::string xml) {
  xml.clear();
  if (spare_.size() < kQueuedPerWorker * (workers_.size() + 1)) spare_.push_back(std::move(xml));
}

void PieceDeflater::Work() {
  std::vector<unsigned char> buffer;  // this worker's compressed piece
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    const auto next =
        std::find_if(jobs_.begin(), jobs_.end(), [](const Job& job) { return !job.taken; });
    if (next == jobs_.end()) {
      if (stopping_) return;
      changed_.wait(lock);
      continue;
    }
    Job& job = *next;  // a deque keeps its elements in place while others are added or removed
    job.taken = true;
    lock.unlock();
    std::uint32_t crc = 0;
    const std::size_t used = DeflateInto(job.xml, &buffer, &crc);
    std::string deflated(reinterpret_cast<const char*>(buffer.data()), used);
    lock.lock();
    job.deflated = std::move(deflated);
    job.crc = crc;
    job.plain = job.xml.size();
    Recycle(std::move(job.xml));
    job.done = true;
    WriteFinished();
    changed_.notify_all();
  }
}

void PieceDeflater::WriteFinished() {
  while (!jobs_.empty() && jobs_.front().done) {
    Job& job = jobs_.front();
    if (error_.empty()) {
      if (scratch_.WriteAt(written_, job.deflated.data(), job.deflated.size())) {
        pieces_[job.part].push_back({written_, job.deflated.size(), job.plain, job.crc});
        written_ += job.deflated.size();
      } else {
        error_ = scratch_.ErrorText();
        if (error_.empty()) error_ = "falha de gravação";
      }
    }
    jobs_.pop_front();
  }
}

bool PieceDeflater::Drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return jobs_.empty(); });
  return error_.empty();
}

std::vector<DeflatedPiece> PieceDeflater::Pieces(std::size_t part) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return part < pieces_.size() ? pieces_[part] : std::vector<DeflatedPiece>();
}

std::string PieceDeflater::ErrorText() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return error_;
}

}  // namespace outputs

#endif
