#pragma once
// Record numbers kept for findings told later in record order (inverted coverages, claims
// without a policy): one bit per record up to the highest number kept, so memory stays within
// an eighth of a byte per record of the file however many records fail (1 MiB at 8,000,000).

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace engine {

class RecordSet {
 public:
  void Add(std::uint32_t recno) {
    const std::size_t word = recno / 64;
    if (word >= bits_.size()) bits_.resize(word + 1);
    bits_[word] |= std::uint64_t{1} << (recno % 64);
  }

  // fn(recno) for each number kept, ascending.
  template <typename Fn>
  void ForEach(Fn&& fn) const {
    for (std::size_t w = 0; w < bits_.size(); ++w) {
      for (std::uint64_t b = bits_[w]; b != 0; b &= b - 1) {
        fn(static_cast<std::uint32_t>(w * 64 + static_cast<std::size_t>(std::countr_zero(b))));
      }
    }
  }

 private:
  std::vector<std::uint64_t> bits_;
};

}  // namespace engine
