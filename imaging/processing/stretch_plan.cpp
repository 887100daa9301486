#include "imaging/processing/stretch_plan.h"

#include <algorithm>

namespace lumora {
namespace {

using Wide = __int128;  // products of coordinates and sizes never overflow

enum TRule { ruleNearest, ruleIdentity, ruleLinear, ruleArea };

TRule RuleFor(TStretchMode mode, int destSize, int sourceSize) {
  if (mode == smFast) return ruleNearest;
  if (sourceSize == destSize) return ruleIdentity;
  const bool reducing = destSize < sourceSize;
  // Medium interpolates when reducing and weighs areas when enlarging; precise the opposite.
  if (mode == smMedium) return reducing ? ruleLinear : ruleArea;
  return reducing ? ruleArea : ruleLinear;
}

bool Inside(Wide v, int extent) { return v >= 0 && v < extent; }

// Truncating division of wide integers, as C++ does for built-in types.
Wide Div(Wide a, Wide b) { return a / b; }

TPlanEntry Single(Wide column, std::int64_t weight, int extent) {
  TPlanEntry e;
  e.Usable = Inside(column, extent);
  if (e.Usable) e.First = e.Last = int(column);
  e.FirstWeight = weight;
  e.Kind = pkSingle;
  return e;
}

TPlanEntry Linear(Wide u, int destSize, int sourcePos, int sourceSize, int extent) {
  const Wide dw = destSize, sx = sourcePos;
  const Wide p = Wide(sourceSize) * (2 * u + 1);  // centre in 1/(2*DW) source pixels
  Wide first = sx + Div(p - dw, 2 * dw);
  Wide last = sx + Div(p + dw, 2 * dw);
  TPlanEntry e;
  e.Usable = Inside(first, extent) && Inside(last, extent);
  if (!e.Usable && destSize > sourceSize) {
    const bool straddlesLeft = first < 0 && last >= 0;
    const bool straddlesRight = first <= extent - 1 && last > extent - 1;
    if (straddlesLeft || straddlesRight) {
      first = std::clamp<Wide>(first, 0, extent - 1);
      last = std::clamp<Wide>(last, 0, extent - 1);
      e.Usable = true;
    }
  }
  if (!e.Usable) return e;
  e.First = int(first);
  e.Last = int(last);
  const Wide firstCentre = dw * (2 * (first - sx) + 1);
  if (firstCentre == p || first == last) {
    e.Kind = pkSingle;
    e.FirstWeight = std::int64_t(2 * dw);
    e.Last = e.First;
  } else {
    e.Kind = pkPair;
    e.FirstWeight = std::int64_t(2 * dw - (p - firstCentre));
    e.LastWeight = std::int64_t(2 * dw - (dw * (2 * (last - sx) + 1) - p));
  }
  return e;
}

TPlanEntry Area(Wide u, int destSize, int sourcePos, int sourceSize, int extent) {
  const Wide dw = destSize, sw = sourceSize, sx = sourcePos;
  const Wide first = sx + Div(sw * u, dw);
  Wide last = sx + Div(sw * (u + 1), dw);
  if ((sw * (u + 1)) % dw == 0) --last;
  TPlanEntry e;
  e.Usable = Inside(first, extent) && Inside(last, extent);
  if (!e.Usable) return e;
  e.First = int(first);
  e.Last = int(last);
  e.MiddleWeight = std::int64_t(dw);
  if (first == last) {
    e.Kind = pkSingle;
    e.FirstWeight = std::int64_t(sw);
  } else {
    e.Kind = last == first + 1 ? pkPair : pkSpan;
    e.FirstWeight = std::int64_t(dw * (first - sx + 1) - sw * u);
    e.LastWeight = std::int64_t(sw * (u + 1) - dw * (last - sx));
  }
  return e;
}

}  // namespace

TAxisPlan BuildAxisPlan(TStretchMode mode, int destPos, int destSize, int sourcePos, int sourceSize, int destExtent,
                        int sourceExtent) {
  TAxisPlan plan;
  const std::int64_t from = std::max<std::int64_t>(destPos, 0);
  const std::int64_t to = std::min<std::int64_t>(std::int64_t(destPos) + destSize - 1, destExtent - 1);
  if (to < from || destSize < 1 || sourceSize < 1) return plan;
  plan.FirstDest = int(from);
  plan.LastDest = int(to);
  const TRule rule = RuleFor(mode, destSize, sourceSize);
  plan.Divisor = rule == ruleLinear ? 2 * std::int64_t(destSize) : rule == ruleArea ? sourceSize : 1;
  plan.Entries.reserve(size_t(to - from + 1));
  for (std::int64_t d = from; d <= to; ++d) {
    const Wide u = d - destPos;
    switch (rule) {
      case ruleNearest:
        plan.Entries.push_back(Single(Wide(sourcePos) + Div(Wide(sourceSize) * u, destSize), 1, sourceExtent));
        break;
      case ruleIdentity: plan.Entries.push_back(Single(Wide(sourcePos) + u, 1, sourceExtent)); break;
      case ruleLinear: plan.Entries.push_back(Linear(u, destSize, sourcePos, sourceSize, sourceExtent)); break;
      case ruleArea: plan.Entries.push_back(Area(u, destSize, sourcePos, sourceSize, sourceExtent)); break;
    }
  }
  return plan;
}

}  // namespace lumora
