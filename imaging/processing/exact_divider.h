#pragma once
// Exact unsigned division by a divisor fixed for a whole operation, by a multiply and a
// shift instead of a hardware divide (Lemire, Kaser and Kurz: with M = ceil(2^64 / d),
// n / d = (M * n) >> 64 for every n and d below 2^32).
#include <cstdint>

namespace lumora {

class TExactDivider {
 public:
  // Numerators must stay below 2^32; d from 1 to 2^32 - 1.
  explicit TExactDivider(std::uint64_t d) : d_(d), m_(d > 1 ? UINT64_MAX / d + 1 : 0) {}
  std::uint64_t operator()(std::uint64_t n) const {
    if (d_ == 1) return n;
    return std::uint64_t((static_cast<unsigned __int128>(m_) * n) >> 64);
  }

 private:
  std::uint64_t d_;
  std::uint64_t m_;
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
