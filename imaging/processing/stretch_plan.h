#pragma once
// The resampling plan of one axis of a scaled rectangle copy: for every destination
// column (or row) the source columns it draws from, their integer weights and the
// divisor, by stretch mode and direction.
#include <cstdint>
#include <vector>

#include "imaging/core/pg_types.h"

namespace lumora {

enum TPlanKind : std::uint8_t { pkSingle, pkPair, pkSpan };

struct TPlanEntry {
  int First = 0;  // source columns First..Last
  int Last = 0;
  std::int64_t FirstWeight = 0;
  std::int64_t LastWeight = 0;
  std::int64_t MiddleWeight = 0;  // every column strictly between First and Last
  TPlanKind Kind = pkSingle;
  bool Usable = false;
};

struct TAxisPlan {
  int FirstDest = 0;  // destination coordinates FirstDest..LastDest (empty when Last < First)
  int LastDest = -1;
  std::int64_t Divisor = 1;
  std::vector<TPlanEntry> Entries;  // one per destination coordinate
  const TPlanEntry& At(int d) const { return Entries[size_t(d - FirstDest)]; }
};

// Plan of the destination span destPos..destPos+destSize-1 (clipped to 0..destExtent-1)
// drawn from the source span sourcePos..sourcePos+sourceSize-1 of an axis whose source
// has sourceExtent pixels. Sizes must be at least 1.
TAxisPlan BuildAxisPlan(TStretchMode mode, int destPos, int destSize, int sourcePos, int sourceSize, int destExtent,
                        int sourceExtent);

}  // namespace lumora
