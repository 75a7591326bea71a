#pragma once
// Byte counts of files that can claim almost any size (a sparse file of
// 2^63 - 1 bytes costs nothing): sums stop at the largest 64-bit value
// instead of overflowing.
#include <cstdint>
#include <limits>

namespace platform {

constexpr std::int64_t kMaxSize = std::numeric_limits<std::int64_t>::max();

// a + b for sizes of zero or more, at most kMaxSize.
constexpr std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b) {
  if (a < 0) a = 0;
  if (b < 0) b = 0;
  return a > kMaxSize - b ? kMaxSize : a + b;
}

// A total that items join and leave in any order: exact while it changes (so
// taking an item out undoes adding it even past the limit), saturated when read.
class SizeTotal {
 public:
  void add(std::int64_t size) {
    const std::uint64_t s = size > 0 ? static_cast<std::uint64_t>(size) : 0;
    low_ += s;
    if (low_ < s) ++high_;
  }
  void remove(std::int64_t size) {
    const std::uint64_t s = size > 0 ? static_cast<std::uint64_t>(size) : 0;
    if (low_ < s) --high_;
    low_ -= s;
  }
  void clear() { low_ = high_ = 0; }
  std::int64_t value() const {
    return high_ != 0 || low_ > static_cast<std::uint64_t>(kMaxSize)
               ? kMaxSize
               : static_cast<std::int64_t>(low_);
  }

 private:
  std::uint64_t low_ = 0;
  std::uint64_t high_ = 0;
};

}  // namespace platform
