#include "outputs/csv_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace outputs {
namespace {

// Bytes handed to the stream at a time: few, large writes.
constexpr std::size_t kBlock = 1 << 20;
// In memory: room for a few rows at first, grown as they come.
constexpr std::size_t kMemoryStart = 4096;

// Copies a field: most are a few bytes long, where a call to memcpy costs more than the copy.
// Two overlapping moves cover any length from 4 to 16.
inline char* Put(char* out, std::string_view text) {
  const char* in = text.data();
  const std::size_t n = text.size();
  if (n > 16) {
    std::memcpy(out, in, n);
  } else if (n >= 8) {
    std::memcpy(out, in, 8);
    std::memcpy(out + n - 8, in + n - 8, 8);
  } else if (n >= 4) {
    std::memcpy(out, in, 4);
    std::memcpy(out + n - 4, in + n - 4, 4);
  } else {
    for (std::size_t i = 0; i < n; ++i) out[i] = in[i];
  }
  return out + n;
}

std::string_view TextOf(std::string_view text) { return text; }
std::string_view TextOf(const SheetCell& cell) { return cell.text; }

// Whether `bytes` holds exactly `separators` times ";" and no quote, CR or LF.
bool OnlySeparators(std::string_view bytes, std::size_t separators) {
  const char* p = bytes.data();
  std::size_t n = bytes.size();
  std::size_t found = 0;
#ifdef __SSE2__
  const __m128i semicolon = _mm_set1_epi8(';');
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  // Each byte of `counts` counts the ";" at its place, 255 steps at most before they are summed.
  __m128i counts = _mm_setzero_si128();
  int steps = 0;
  const auto sum = [&] {
    const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
    found += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    counts = _mm_setzero_si128();
    steps = 0;
  };
  // False when the 16 bytes at q hold a quote, CR or LF; counts their ";".
  const auto step = [&](const char* q) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    const __m128i others = _mm_or_si128(_mm_cmpeq_epi8(v, quote),
                                        _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
    if (_mm_movemask_epi8(others) != 0) return false;
    counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(v, semicolon));  // a match is -1
    if (++steps == 255) sum();
    return true;
  };
  for (; n >= 16; p += 16, n -= 16) {
    if (!step(p)) return false;
  }
  if (n > 0) {  // the last bytes padded with zeros, which are none of the four
    char last[16] = {};
    std::memcpy(last, p, n);
    if (!step(last)) return false;
    n = 0;
  }
  sum();
#endif
  for (; n > 0; ++p, --n) {
    if (*p == '"' || *p == '\r' || *p == '\n') return false;
    found += *p == ';';
  }
  return found == separators;
}

}  // namespace

// Sixteen bytes a step where the processor has SSE2 (every x86-64), eight elsewhere. In a word,
// a byte equals c when the word xor c repeated has a zero byte, and (v - 0x01..01) & ~v &
// 0x80..80 is non-zero exactly when v has one. The last bytes are padded with zeros, which
// equal none of the four.
bool CsvWriter::NeedsQuotes(std::string_view text) {
  const char* p = text.data();
  std::size_t n = text.size();
#ifdef __SSE2__
  const __m128i semicolon = _mm_set1_epi8(';');
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; n >= 16; p += 16, n -= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hits =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, semicolon), _mm_cmpeq_epi8(v, quote)),
                     _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
    if (_mm_movemask_epi8(hits) != 0) return true;
  }
#endif
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  const auto has_byte = [](std::uint64_t word, unsigned char c) {
    const std::uint64_t v = word ^ (kOnes * c);
    return (v - kOnes) & ~v & kHighs;
  };
  const auto special = [&](std::uint64_t word) {
    return (has_byte(word, ';') | has_byte(word, '"') | has_byte(word, '\r') |
            has_byte(word, '\n')) != 0;
  };
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if (special(word)) return true;
  }
  if (n == 0) return false;
  std::uint64_t word = 0;
  std::memcpy(&word, p, n);
  return special(word);
}

CsvWriter::CsvWriter(std::ostream& out)
    : out_(&out),
      buffer_(std::make_unique_for_overwrite<char[]>(kBlock)),
      capacity_(kBlock),
      spare_(std::make_unique_for_overwrite<char[]>(kBlock)),
      spare_capacity_(kBlock),
      writer_(std::in_place, out) {}

CsvWriter::CsvWriter()
    : out_(nullptr),
      buffer_(std::make_unique_for_overwrite<char[]>(kMemoryStart)),
      capacity_(kMemoryStart),
      spare_capacity_(0) {}

char* CsvWriter::Reserve(std::size_t n) {
  if (size_ + n > capacity_ && out_ == nullptr) {  // in memory: the rows so far kept
    const std::size_t grown = std::max(2 * capacity_, size_ + n);
    auto bigger = std::make_unique_for_overwrite<char[]>(grown);
    std::memcpy(bigger.get(), buffer_.get(), size_);
    buffer_ = std::move(bigger);
    capacity_ = grown;
  }
  if (size_ + n > capacity_) {
    Flush();
    if (n > capacity_) {  // a row longer than the block: a larger one for it
      buffer_ = std::make_unique_for_overwrite<char[]>(n);
      capacity_ = n;
    }
  }
  return buffer_.get() + size_;
}

void CsvWriter::Field(std::string_view text) {
  const bool quoted = NeedsQuotes(text);
  // Worst case: separator, two quotes and every byte doubled.
  char* out = Reserve(3 + (quoted ? 2 * text.size() : text.size()));
  char* const start = out;
  if (row_started_) *out++ = ';';
  row_started_ = true;
  if (quoted) {
    *out++ = '"';
    for (const char c : text) {
      if (c == '"') *out++ = '"';
      *out++ = c;
    }
    *out++ = '"';
  } else {
    out = Put(out, text);
  }
  size_ += static_cast<std::size_t>(out - start);
}

void CsvWriter::EndRow() {
  char* out = Reserve(2);
  out[0] = '\r';
  out[1] = '\n';
  size_ += 2;
  row_started_ = false;
}

void CsvWriter::Raw(std::string_view bytes) {
  char* out = Reserve(bytes.size());
  if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
  size_ += bytes.size();
}

void CsvWriter::Row(const std::string_view* fields, std::size_t count) { RowOf(fields, count); }

void CsvWriter::Row(const SheetCell* cells, std::size_t count) { RowOf(cells, count); }

template <typename Cell>
void CsvWriter::RowOf(const Cell* fields, std::size_t count) {
  if (!row_started_ && count > 0) {
    // Copied first and scanned once as a whole, rather than field by field: the row is plain
    // when its only ";" are the separators put in and it has no quote, CR or LF.
    std::size_t size = count + 1;  // separators and CR LF
    for (std::size_t i = 0; i < count; ++i) size += TextOf(fields[i]).size();
    char* const start = Reserve(size);
    char* out = start;
    for (std::size_t i = 0; i < count; ++i) {
      out = Put(out, TextOf(fields[i]));
      *out++ = ';';
    }
    if (OnlySeparators(std::string_view(start, size - 2), count - 1)) {
      out[-1] = '\r';  // in place of the last separator
      out[0] = '\n';
      size_ += size;
      return;
    }
  }
  for (std::size_t i = 0; i < count; ++i) Field(TextOf(fields[i]));  // over the bytes copied above
  EndRow();
}

void CsvWriter::PlainRecordRow(const std::string_view* lead, std::size_t lead_count,
                               std::string_view record, const std::vector<Span>& spans,
                               std::string_view last) {
  constexpr std::size_t kMove = 16;
  padded_.resize(record.size() + kMove);
  std::memcpy(padded_.data(), record.data(), record.size());
  std::size_t size = lead_count + spans.size() + 2 + last.size();  // separators and CR LF
  for (std::size_t i = 0; i < lead_count; ++i) size += lead[i].size();
  for (const Span& s : spans) size += s.length;
  char* out = Reserve(size + kMove);  // room for the last move's overshoot
  for (std::size_t i = 0; i < lead_count; ++i) {
    out = Put(out, lead[i]);
    *out++ = ';';
  }
  const char* bytes = padded_.data();
  for (const Span& s : spans) {
    std::memcpy(out, bytes + s.offset, kMove);  // the bytes past the field are overwritten next
    if (s.length > kMove) std::memcpy(out + kMove, bytes + s.offset + kMove, s.length - kMove);
    out += s.length;
    *out++ = ';';
  }
  out = Put(out, last);
  out[0] = '\r';
  out[1] = '\n';
  size_ += size;
}

void CsvWriter::Flush() {
  if (size_ == 0) return;
  writer_->Write(buffer_.get(), size_);  // waits until the spare block is written
  std::swap(buffer_, spare_);
  std::swap(capacity_, spare_capacity_);
  size_ = 0;
}

bool CsvWriter::Finish() {
  // The last, partial block in this thread: a short output never starts the writer's.
  if (out_ == nullptr) return true;  // in memory: the rows stay for bytes()
  if (!writer_->Wait()) failed_ = true;
  if (!failed_ && size_ > 0) out_->write(buffer_.get(), static_cast<std::streamsize>(size_));
  size_ = 0;
  out_->flush();
  if (!*out_) failed_ = true;
  return !failed_;
}

}  // namespace outputs
