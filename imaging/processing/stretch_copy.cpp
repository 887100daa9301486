// Scaled rectangle copy. The plans of both axes are built once; each source row is
// resampled horizontally once into bytes (the per-row division happens there, so the
// intermediate values are exact channel bytes), cached while the destination rows that
// need it are built, and combined vertically with the row weights.
#include <algorithm>
#include <memory>
#include <type_traits>
#include <vector>

#include "imaging/core/pixel_graphic.h"
#include "imaging/processing/exact_divider.h"
#include "imaging/processing/parallel_rows.h"
#include "imaging/processing/pixel_rows.h"
#include "imaging/processing/row_store.h"
#include "imaging/processing/stretch_plan.h"

namespace lumora {
namespace {

// Below this every divisor takes the multiply-and-shift division and the sums of
// weight x channel fit 32 bits.
constexpr std::int64_t kFastDivisorLimit = std::int64_t(TBoundedDivider::kLimit);

// Destination row = weighted sum of resampled source rows, divided. A plain loop over
// 32-bit lanes that the compiler vectorises, compiled for AVX2 as well.
__attribute__((target_clones("avx2", "default"))) void CombineRows(const std::uint8_t* const* rows,
                                                                    const std::uint32_t* weights, int taps,
                                                                    size_t count, std::uint32_t magic, int shift,
                                                                    std::uint32_t* total, std::uint8_t* out) {
  for (size_t i = 0; i < count; ++i) total[i] = weights[0] * rows[0][i];
  for (int k = 1; k < taps; ++k) {
    const std::uint8_t* row = rows[k];
    const std::uint32_t w = weights[k];
    for (size_t i = 0; i < count; ++i) total[i] += w * row[i];
  }
  for (size_t i = 0; i < count; ++i) out[i] = std::uint8_t((std::uint64_t(total[i]) * magic) >> shift);
}

// The taps of one axis flattened: per destination coordinate the first source index
// (relative to the lowest one used), the tap count (0 = not usable) and its weights.
template <class W>
struct TTaps {
  std::vector<int> start, count, weightAt;
  std::vector<W> weights;
  int sourceFrom = 0, sourceTo = -1;  // lowest and highest source index used
  std::vector<std::uint8_t> usable;
  bool allUsable = true;
  int maxCount = 0;

  explicit TTaps(const TAxisPlan& plan) {
    for (const TPlanEntry& e : plan.Entries) {
      if (!e.Usable) continue;
      if (sourceTo < sourceFrom) sourceFrom = e.First, sourceTo = e.Last;
      sourceFrom = std::min(sourceFrom, e.First);
      sourceTo = std::max(sourceTo, e.Last);
    }
    for (const TPlanEntry& e : plan.Entries) {
      usable.push_back(e.Usable);
      if (!e.Usable) {
        allUsable = false;
        start.push_back(0), count.push_back(0), weightAt.push_back(0);
        continue;
      }
      const int n = e.Kind == pkSingle ? 1 : e.Last - e.First + 1;
      start.push_back(e.First - sourceFrom);
      count.push_back(n);
      weightAt.push_back(int(weights.size()));
      for (int k = 0; k < n; ++k)
        weights.push_back(W(k == 0 ? e.FirstWeight : k == n - 1 ? e.LastWeight : e.MiddleWeight));
      maxCount = std::max(maxCount, n);
    }
  }
};

// One source row resampled with 32-bit sums and the multiply-and-shift division.
__attribute__((target_clones("avx2", "default"))) void ResampleRowBounded(
    const std::uint8_t* src, const int* start, const int* count, const int* weightAt, const std::uint32_t* weights,
    size_t columns, std::uint32_t magic, int shift, std::uint8_t* out) {
  auto divide = [magic, shift](std::uint32_t n) { return std::uint8_t((std::uint64_t(n) * magic) >> shift); };
  for (size_t j = 0; j < columns; ++j, out += 3) {
    const int n = count[j];
    const std::uint8_t* p = src + 3 * std::int64_t(start[j]);
    if (n == 1) {
      out[0] = p[0], out[1] = p[1], out[2] = p[2];
    } else if (n == 2) {
      const std::uint32_t w0 = weights[weightAt[j]], w1 = weights[weightAt[j] + 1];
      out[0] = divide(w0 * p[0] + w1 * p[3]);
      out[1] = divide(w0 * p[1] + w1 * p[4]);
      out[2] = divide(w0 * p[2] + w1 * p[5]);
    } else if (n > 0) {
      const std::uint32_t* w = weights + weightAt[j];
      std::uint32_t b = 0, g = 0, r = 0;
      for (int k = 0; k < n; ++k, p += 3) {
        b += w[k] * p[0];
        g += w[k] * p[1];
        r += w[k] * p[2];
      }
      out[0] = divide(b), out[1] = divide(g), out[2] = divide(r);
    }
  }
}

// One source row (BGR from sourceFrom on) resampled into the destination columns.
template <class W, class Div>
void ResampleRow(const std::uint8_t* src, const TTaps<W>& taps, const Div& div, std::uint8_t* out) {
  if constexpr (std::is_same_v<Div, TBoundedDivider>) {
    ResampleRowBounded(src, taps.start.data(), taps.count.data(), taps.weightAt.data(), taps.weights.data(),
                       taps.count.size(), div.Magic(), div.Shift(), out);
    return;
  }
  const size_t columns = taps.count.size();
  for (size_t j = 0; j < columns; ++j) {
    const int n = taps.count[j];
    const std::uint8_t* p = src + 3 * std::int64_t(taps.start[j]);
    std::uint8_t* o = out + 3 * j;
    if (n == 1) {  // a single tap carries the whole divisor: the byte itself
      o[0] = p[0], o[1] = p[1], o[2] = p[2];
      continue;
    }
    if (n == 0) continue;
    const W* w = &taps.weights[size_t(taps.weightAt[j])];
    std::uint64_t b = 0, g = 0, r = 0;
    for (int k = 0; k < n; ++k, p += 3) {
      b += std::uint64_t(w[k]) * p[0];
      g += std::uint64_t(w[k]) * p[1];
      r += std::uint64_t(w[k]) * p[2];
    }
    o[0] = std::uint8_t(div(b)), o[1] = std::uint8_t(div(g)), o[2] = std::uint8_t(div(r));
  }
}

template <class W, class Div>
class TStretcher {
 public:
  TStretcher(TPixelGraphic& dest, const TPixelGraphic& source, const TAxisPlan& columns, const TAxisPlan& rows)
      : dest_(dest), source_(source), table_(source), columnPlan_(columns), rowPlan_(rows), horizontal_(columns),
        vertical_(rows), columnDiv_(std::uint64_t(columns.Divisor)), rowDiv_(std::uint64_t(rows.Divisor)),
        toBGR_(pixel_rows::RowToBGRFor(source.BitCountNum())) {}

  void Run() {
    TColorRowStore store(dest_);
    const int first = rowPlan_.FirstDest, last = rowPlan_.LastDest;
    const double work = double(horizontal_.count.size()) * std::max(1, horizontal_.maxCount);
    RunDestinationRows(dest_, first, last, !store.Indexed(), work, [&] { return MakeWorker(store); });
  }

 private:
  TRowWorker MakeWorker(TColorRowStore& store) {
    struct TState {
      std::vector<int> tags;
      std::vector<std::vector<std::uint8_t>> rows;
      std::vector<std::uint8_t> expanded, out;
      std::vector<std::uint64_t> total;
      std::vector<std::uint32_t> total32, rowWeights;
      std::vector<const std::uint8_t*> rowPointers;
      unsigned clock = 0;
      std::vector<unsigned> used;
    };
    auto state = std::make_shared<TState>();
    const size_t columns = horizontal_.count.size();
    const size_t slots = size_t(vertical_.maxCount) + 1;
    state->tags.assign(slots, -1);
    state->used.assign(slots, 0);
    state->rows.assign(slots, std::vector<std::uint8_t>(3 * columns));
    state->out.resize(3 * columns);
    state->total.resize(3 * columns);
    state->total32.resize(3 * columns);
    if (source_.BitCountNum() != 3) state->expanded.resize(3 * size_t(horizontal_.sourceTo - horizontal_.sourceFrom + 1));
    return [this, state, &store, columns](int y) {
      const TPlanEntry& e = rowPlan_.At(y);
      if (!e.Usable || horizontal_.sourceTo < horizontal_.sourceFrom) return;
      const std::uint8_t* mask = horizontal_.allUsable ? nullptr : horizontal_.usable.data();
      if (e.Kind == pkSingle) {
        store.StoreRow(y, columnPlan_.FirstDest, int(columns), SourceRow(*state, e.First), mask);
        return;
      }
      const size_t taps = size_t(e.Last - e.First + 1);
      std::vector<std::uint8_t>& out = state->out;
      if constexpr (std::is_same_v<Div, TBoundedDivider>) {
        // Rows are fetched one by one: the cache keeps the most recent, and holds one
        // more row than any plan needs, so earlier rows of this plan stay.
        state->rowPointers.resize(taps);
        state->rowWeights.resize(taps);
        for (size_t k = 0; k < taps; ++k) {
          state->rowPointers[k] = SourceRow(*state, e.First + int(k));
          state->rowWeights[k] =
              std::uint32_t(k == 0 ? e.FirstWeight : k == taps - 1 ? e.LastWeight : e.MiddleWeight);
        }
        CombineRows(state->rowPointers.data(), state->rowWeights.data(), int(taps), 3 * columns, rowDiv_.Magic(),
                    rowDiv_.Shift(), state->total32.data(), out.data());
      } else {
        std::vector<std::uint64_t>& total = state->total;
        std::fill(total.begin(), total.end(), 0);
        for (size_t k = 0; k < taps; ++k) {
          const std::uint8_t* src = SourceRow(*state, e.First + int(k));
          const std::uint64_t w = std::uint64_t(k == 0 ? e.FirstWeight : k == taps - 1 ? e.LastWeight : e.MiddleWeight);
          for (size_t i = 0; i < 3 * columns; ++i) total[i] += w * src[i];
        }
        for (size_t i = 0; i < 3 * columns; ++i) out[i] = std::uint8_t(rowDiv_(total[i]));
      }
      store.StoreRow(y, columnPlan_.FirstDest, int(columns), out.data(), mask);
    };
  }

  // The horizontally resampled source row, from the cache or computed now.
  template <class S>
  const std::uint8_t* SourceRow(S& state, int row) {
    ++state.clock;
    size_t victim = 0;
    for (size_t k = 0; k < state.tags.size(); ++k) {
      if (state.tags[k] == row) {
        state.used[k] = state.clock;
        return state.rows[k].data();
      }
      if (state.used[k] < state.used[victim]) victim = k;
    }
    const std::uint8_t* scan = source_.ScanLine(row);
    const std::uint8_t* bgr;
    if (source_.BitCountNum() == 3) {
      bgr = scan + 3 * std::int64_t(horizontal_.sourceFrom);
    } else {
      toBGR_(scan, horizontal_.sourceFrom, horizontal_.sourceTo - horizontal_.sourceFrom + 1, table_,
             state.expanded.data());
      bgr = state.expanded.data();
    }
    ResampleRow(bgr, horizontal_, columnDiv_, state.rows[victim].data());
    state.tags[victim] = row;
    state.used[victim] = state.clock;
    return state.rows[victim].data();
  }

  TPixelGraphic& dest_;
  const TPixelGraphic& source_;
  const pixel_rows::TColorTableBGR table_;
  const TAxisPlan& columnPlan_;
  const TAxisPlan& rowPlan_;
  const TTaps<W> horizontal_;
  const TTaps<W> vertical_;
  const Div columnDiv_;
  const Div rowDiv_;
  const pixel_rows::TRowToBGR toBGR_;
};

}  // namespace

void TPixelGraphic::StretchFrom(const TPixelGraphic& source) {
  StretchCopy(0, 0, width_, height_, source, 0, 0, source.Width(), source.Height());
}

void TPixelGraphic::StretchCopy(int dx, int dy, int dw, int dh, const TPixelGraphic& source, int sx, int sy, int sw,
                                int sh) {
  if (dw == sw && dh == sh) {
    CopyRectFrom(dx, dy, source, sx, sy, sw, sh);
    return;
  }
  if (width_ < 1 || height_ < 1 || source.Width() < 1 || source.Height() < 1) return;
  // Empty rectangles have nothing to copy (and would make a divisor zero).
  if (dw < 1 || dh < 1 || sw < 1 || sh < 1) return;
  if (&source == this) {
    TPixelGraphic copy;
    copy.Assign(this);
    StretchCopy(dx, dy, dw, dh, copy, sx, sy, sw, sh);
    return;
  }
  FlushPendingDrawing();
  source.FlushPendingDrawing();
  const TAxisPlan columns = BuildAxisPlan(StretchMode, dx, dw, sx, sw, width_, source.Width());
  const TAxisPlan rows = BuildAxisPlan(StretchMode, dy, dh, sy, sh, height_, source.Height());
  TUpdateScope update(*this);
  TProgressScope progress(*this);
  if (columns.Divisor < kFastDivisorLimit && rows.Divisor < kFastDivisorLimit) {
    TStretcher<std::uint32_t, TBoundedDivider>(*this, source, columns, rows).Run();
  } else {
    TStretcher<std::uint64_t, TPlainDivider>(*this, source, columns, rows).Run();
  }
}

}  // namespace lumora
