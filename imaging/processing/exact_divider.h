#pragma once
// Division by a divisor fixed for a whole operation.
#include <cstdint>

namespace lumora {

// Exact n / d for 0 <= n <= 255 * d and d below 2^22, as (n * m) >> k in 64 bits with a
// 32-bit m: with m = ceil(2^k / d) and e = m * d - 2^k < d, the quotient is exact
// whenever n * e < 2^k, which k = 2 * bits(d) + 8 guarantees (Granlund and Montgomery).
class TBoundedDivider {
 public:
  static constexpr std::uint64_t kLimit = std::uint64_t(1) << 22;
  explicit TBoundedDivider(std::uint64_t d) {
    int bits = 0;
    while ((std::uint64_t(1) << bits) <= d) ++bits;
    shift_ = 2 * bits + 8;
    magic_ = std::uint32_t(((std::uint64_t(1) << shift_) + d - 1) / d);
  }
  std::uint64_t operator()(std::uint64_t n) const { return (n * magic_) >> shift_; }
  std::uint32_t Magic() const { return magic_; }
  int Shift() const { return shift_; }

 private:
  std::uint32_t magic_;
  int shift_;
};

// Plain division for the sums that may reach 2^32.
class TPlainDivider {
 public:
  explicit TPlainDivider(std::uint64_t d) : d_(d) {}
  std::uint64_t operator()(std::uint64_t n) const { return n / d_; }

 private:
  std::uint64_t d_;
};

}  // namespace lumora
