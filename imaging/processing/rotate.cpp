// Rotation about the centre. Whole multiples of 90 degrees are exact quarter turns (raw
// values move when both images share the colour resolution); other angles sample the
// source per destination pixel, nearest or bilinear, with the position computed directly
// from the pixel's offset (never accumulated, so rounding is the same everywhere).
#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <vector>

#include "imaging/core/pixel_graphic.h"
#include "imaging/core/size_limits.h"
#include "imaging/processing/parallel_rows.h"
#include "imaging/processing/pixel_rows.h"
#include "imaging/processing/row_store.h"

namespace lumora {
namespace {

// 0..3 clockwise quarter turns for whole multiples of 90 degrees, else -1.
int QuarterTurnsOf(double angle) {
  const double turn = std::fmod(angle, 360.0);  // exact
  if (std::fmod(turn, 90.0) != 0) return -1;
  const int k = int(turn / 90.0);
  return (k % 4 + 4) % 4;
}

double Clamped(double v) { return std::clamp(v, -1e15, 1e15); }

// floor, ceil and round-half-even for |v| < 2^31 without library calls (the baseline
// x86-64 instruction set has no rounding instruction); exact, and equal to std::floor,
// std::ceil and std::nearbyint under the default rounding mode.
inline double FloorOf(double v) {
  const double t = double(std::int64_t(v));  // truncated towards zero
  return t > v ? t - 1 : t;
}
inline double CeilOf(double v) {
  const double t = double(std::int64_t(v));
  return t < v ? t + 1 : t;
}
inline double RoundHalfEven(double v) {
  constexpr double kShift = 6755399441055744.0;  // 1.5 * 2^52: the sum keeps no fraction bits
  return (v + kShift) - kShift;
}

// ---- Quarter turns ----

// Where the pixels of a destination row come from: source (X0 + DX*i, Y0 + DY*i) for
// the i-th visited column.
struct TQuarterRow {
  int X0, Y0, DX, DY;
};

TQuarterRow QuarterRowSource(int k, int w, int h, int tx, int ty) {
  switch (k) {
    case 1: return {ty, h - 1 - tx, 0, -1};
    case 2: return {w - 1 - tx, h - 1 - ty, -1, 0};
    case 3: return {w - 1 - ty, tx, 0, 1};
    default: return {tx, ty, 1, 0};
  }
}

template <int kFormat>
void MoveRawRow(const TPixelGraphic& source, TQuarterRow r, std::uint8_t* dest, int x0, int count) {
  int sx = r.X0, sy = r.Y0;
  for (int i = 0; i < count; ++i, sx += r.DX, sy += r.DY) {
    const std::uint8_t* row = source.ScanLine(sy);
    if constexpr (kFormat == 3) {
      std::memcpy(dest + 3 * std::int64_t(x0 + i), row + 3 * std::int64_t(sx), 3);
    } else {
      pixel_rows::SetIndex<kFormat>(dest, x0 + i, pixel_rows::GetIndex<kFormat>(row, sx));
    }
  }
}

template <int kFormat>
void ReadColorRow(const TPixelGraphic& source, const pixel_rows::TColorTableBGR& table, TQuarterRow r,
                  std::uint8_t* out, int count) {
  int sx = r.X0, sy = r.Y0;
  for (int i = 0; i < count; ++i, sx += r.DX, sy += r.DY) pixel_rows::RowToBGR<kFormat>(source.ScanLine(sy), sx, 1, table, out + 3 * i);
}

template <int kFormat>
void RunQuarterTurnOf(TPixelGraphic& dest, const TPixelGraphic& source, int k) {
  const int w = source.Width(), h = source.Height();
  const int turnedW = k % 2 ? h : w, turnedH = k % 2 ? w : h;
  // The turned picture is centred in the destination (they coincide for a fitted size).
  const int ox = (dest.Width() - turnedW) / 2, oy = (dest.Height() - turnedH) / 2;
  const int x0 = std::max(0, ox), x1 = std::min(dest.Width() - 1, ox + turnedW - 1);
  const int y0 = std::max(0, oy), y1 = std::min(dest.Height() - 1, oy + turnedH - 1);
  if (x1 < x0 || y1 < y0) return;
  const int count = x1 - x0 + 1;
  if (pixel_rows::SameColorResolution(dest, source)) {
    RunDestinationRows(dest, y0, y1, true, count, [&] {
      return [&, k, w, h](int y) {
        MoveRawRow<kFormat>(source, QuarterRowSource(k, w, h, x0 - ox, y - oy), dest.ScanLine(y), x0, count);
      };
    });
    return;
  }
  const pixel_rows::TColorTableBGR table(source);
  TColorRowStore store(dest);
  RunDestinationRows(dest, y0, y1, !store.Indexed(), count, [&] {
    auto colors = std::make_shared<std::vector<std::uint8_t>>(3 * size_t(count));
    return [&, colors, k, w, h](int y) {
      ReadColorRow<kFormat>(source, table, QuarterRowSource(k, w, h, x0 - ox, y - oy), colors->data(), count);
      store.StoreRow(y, x0, count, colors->data(), nullptr);
    };
  });
}

void RunQuarterTurn(TPixelGraphic& dest, const TPixelGraphic& source, int k) {
  switch (source.BitCountNum()) {
    case 0: RunQuarterTurnOf<0>(dest, source, k); break;
    case 1: RunQuarterTurnOf<1>(dest, source, k); break;
    case 2: RunQuarterTurnOf<2>(dest, source, k); break;
    default: RunQuarterTurnOf<3>(dest, source, k); break;
  }
}

// ---- Any other angle ----

struct TRotation {
  double C, S;
  int SourceW, SourceH, CentreX, CentreY, SourceCentreX, SourceCentreY;
  int X0, X1, Y0, Y1;  // visited destination pixels
};

TRotation PlanRotation(const TPixelGraphic& dest, const TPixelGraphic& source, double c, double s) {
  TRotation r{c, s, source.Width(), source.Height(), dest.Width() / 2, dest.Height() / 2, source.Width() / 2,
              source.Height() / 2, 0, -1, 0, -1};
  // Bounding box of the source rectangle carried into the destination.
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  const int cornersX[4] = {0, r.SourceW, 0, r.SourceW}, cornersY[4] = {0, 0, r.SourceH, r.SourceH};
  for (int i = 0; i < 4; ++i) {
    const double px = double(cornersX[i] - r.SourceCentreX), py = double(cornersY[i] - r.SourceCentreY);
    const double x = px * c - py * s + r.CentreX;
    const double y = px * s + py * c + r.CentreY;
    if (i == 0 || x < minX) minX = x;
    if (i == 0 || x > maxX) maxX = x;
    if (i == 0 || y < minY) minY = y;
    if (i == 0 || y > maxY) maxY = y;
  }
  r.X0 = int(std::max(0.0, Clamped(std::floor(minX))));
  r.X1 = int(std::min(double(dest.Width() - 1), Clamped(std::ceil(maxX))));
  r.Y0 = int(std::max(0.0, Clamped(std::floor(minY))));
  r.Y1 = int(std::min(double(dest.Height() - 1), Clamped(std::ceil(maxY))));
  return r;
}

template <int kFormat>
inline const std::uint8_t* SourceColor(const std::uint8_t* block, std::int64_t stride, int h, int x, int y,
                                       const pixel_rows::TColorTableBGR& table) {
  const std::uint8_t* row = block + stride * (h - 1 - y);
  if constexpr (kFormat == 3) {
    (void)table;
    return row + 3 * std::int64_t(x);
  } else {
    return table.bgr[pixel_rows::GetIndex<kFormat>(row, x)];
  }
}

template <int kFormat, bool kBilinear>
class TRotator {
 public:
  TRotator(TPixelGraphic& dest, const TPixelGraphic& source, const TRotation& r)
      : dest_(dest), source_(source), r_(r), table_(source), destTable_(dest) {
    for (int x = r.X0; x <= r.X1; ++x) {
      const double dx = double(x - r.CentreX);
      dxC_.push_back(dx * r.C);
      dxS_.push_back(double(-(x - r.CentreX)) * r.S);
    }
  }

  void Run() {
    TColorRowStore store(dest_);
    const int count = r_.X1 - r_.X0 + 1;
    RunDestinationRows(dest_, r_.Y0, r_.Y1, !store.Indexed(), 4.0 * count, [&] {
      auto buffers = std::make_shared<std::vector<std::uint8_t>>(4 * size_t(count));
      return [this, &store, buffers, count](int y) {
        std::uint8_t* colors = buffers->data();
        std::uint8_t* mask = colors + 3 * size_t(count);
        // The current colours: bilinear sampling puts them in for neighbours outside the source.
        if (kBilinear) ReadDestRow(y, colors, count);
        SampleRow(y, colors, mask, count);
        store.StoreRow(y, r_.X0, count, colors, mask);
      };
    });
  }

 private:
  void ReadDestRow(int y, std::uint8_t* colors, int count) const {
    pixel_rows::RowToBGRFor(dest_.BitCountNum())(dest_.ScanLine(y), r_.X0, count, destTable_, colors);
  }

  struct TRowSetup {
    const std::uint8_t* block;
    std::int64_t stride;
    double dyS, dyC, cx, cy;
  };
  TRowSetup SetupRow(int y) const {
    const int dy = y - r_.CentreY;
    return {source_.PixelBlock(), source_.RowStride(), double(dy) * r_.S, double(dy) * r_.C,
            double(r_.SourceCentreX), double(r_.SourceCentreY)};
  }

  void SampleRow(int y, std::uint8_t* colors, std::uint8_t* mask, int count) const {
    const TRowSetup row = SetupRow(y);
    if constexpr (kBilinear) {
      if (useAvx2_) return SampleRowBilinearAvx2(row, colors, mask, count);
    }
    for (int i = 0; i < count; ++i) SamplePixel(row, i, colors, mask);
  }

  // Pixel i of the row: sx = dx*c + dy*s + w div 2, sy = -dx*s + dy*c + h div 2.
  void SamplePixel(const TRowSetup& row, int i, std::uint8_t* colors, std::uint8_t* mask) const {
    const int w = r_.SourceW, h = r_.SourceH;
    const std::uint8_t* block = row.block;
    const std::int64_t stride = row.stride;
    const double sx = dxC_[size_t(i)] + row.dyS + row.cx;
    const double sy = dxS_[size_t(i)] + row.dyC + row.cy;
    std::uint8_t* out = colors + 3 * i;
    mask[i] = 0;
    if constexpr (!kBilinear) {
      const double rx = RoundHalfEven(sx), ry = RoundHalfEven(sy);
      if (!(rx >= 0 && rx < w && ry >= 0 && ry < h)) return;
      const std::uint8_t* c = SourceColor<kFormat>(block, stride, h, int(rx), int(ry), table_);
      out[0] = c[0], out[1] = c[1], out[2] = c[2];
      mask[i] = 1;
    } else {
      const double fx0 = FloorOf(sx), fx1 = CeilOf(sx), fy0 = FloorOf(sy), fy1 = CeilOf(sy);
      const double fx = sx - fx0, fy = sy - fy0;
      const double cw0 = fx0 == fx1 ? 0.5 : 1 - fx, cw1 = fx0 == fx1 ? 0.5 : fx;
      const double rw0 = fy0 == fy1 ? 0.5 : 1 - fy, rw1 = fy0 == fy1 ? 0.5 : fy;
      const double w00 = cw0 * rw0, w01 = cw0 * rw1, w10 = cw1 * rw0, w11 = cw1 * rw1;
      const int x0 = int(fx0), x1 = int(fx1), y0 = int(fy0), y1 = int(fy1);
      const std::uint8_t *c00, *c01, *c10, *c11;
      if (x0 >= 0 && x1 < w && y0 >= 0 && y1 < h) {  // the common case: all four inside
        c00 = SourceColor<kFormat>(block, stride, h, x0, y0, table_);
        c10 = SourceColor<kFormat>(block, stride, h, x1, y0, table_);
        c01 = SourceColor<kFormat>(block, stride, h, x0, y1, table_);
        c11 = SourceColor<kFormat>(block, stride, h, x1, y1, table_);
      } else {
        const bool colIn0 = x0 >= 0 && x0 < w, colIn1 = x1 >= 0 && x1 < w;
        const bool rowIn0 = y0 >= 0 && y0 < h, rowIn1 = y1 >= 0 && y1 < h;
        if (!((colIn0 || colIn1) && (rowIn0 || rowIn1))) return;
        c00 = colIn0 && rowIn0 ? SourceColor<kFormat>(block, stride, h, x0, y0, table_) : out;
        c01 = colIn0 && rowIn1 ? SourceColor<kFormat>(block, stride, h, x0, y1, table_) : out;
        c10 = colIn1 && rowIn0 ? SourceColor<kFormat>(block, stride, h, x1, y0, table_) : out;
        c11 = colIn1 && rowIn1 ? SourceColor<kFormat>(block, stride, h, x1, y1, table_) : out;
      }
      std::uint8_t result[3];
      for (int ch = 0; ch < 3; ++ch) {
        const double v = w00 * c00[ch] + w01 * c01[ch] + w10 * c10[ch] + w11 * c11[ch];
        result[ch] = std::uint8_t(std::clamp(RoundHalfEven(v), 0.0, 255.0));
      }
      out[0] = result[0], out[1] = result[1], out[2] = result[2];
      mask[i] = 1;
    }
  }

  // Four pixels at a time with the same operations in the same order, lane by lane
  // (separate multiplies and adds, no fused ones), so the results are the scalar ones.
  // Groups with a neighbour outside the source take the scalar path.
  __attribute__((target("avx2"))) void SampleRowBilinearAvx2(const TRowSetup& row, std::uint8_t* colors,
                                                             std::uint8_t* mask, int count) const {
    const int h = r_.SourceH;
    const __m256d dyS = _mm256_set1_pd(row.dyS), dyC = _mm256_set1_pd(row.dyC);
    const __m256d cx = _mm256_set1_pd(row.cx), cy = _mm256_set1_pd(row.cy);
    const __m256d one = _mm256_set1_pd(1.0), half = _mm256_set1_pd(0.5);
    const __m256d zero = _mm256_setzero_pd(), top = _mm256_set1_pd(255.0);
    const __m128i below = _mm_set1_epi32(-1), wLimit = _mm_set1_epi32(r_.SourceW), hLimit = _mm_set1_epi32(h);
    int i = 0;
    for (; i + 4 <= count; i += 4) {
      const __m256d sx = _mm256_add_pd(_mm256_add_pd(_mm256_loadu_pd(&dxC_[size_t(i)]), dyS), cx);
      const __m256d sy = _mm256_add_pd(_mm256_add_pd(_mm256_loadu_pd(&dxS_[size_t(i)]), dyC), cy);
      const __m256d fx0 = _mm256_floor_pd(sx), fx1 = _mm256_ceil_pd(sx);
      const __m256d fy0 = _mm256_floor_pd(sy), fy1 = _mm256_ceil_pd(sy);
      const __m128i x0 = _mm256_cvttpd_epi32(fx0), x1 = _mm256_cvttpd_epi32(fx1);
      const __m128i y0 = _mm256_cvttpd_epi32(fy0), y1 = _mm256_cvttpd_epi32(fy1);
      const __m128i inside =
          _mm_and_si128(_mm_and_si128(_mm_cmpgt_epi32(x0, below), _mm_cmplt_epi32(x1, wLimit)),
                        _mm_and_si128(_mm_cmpgt_epi32(y0, below), _mm_cmplt_epi32(y1, hLimit)));
      if (_mm_movemask_epi8(inside) != 0xFFFF) {
        // No neighbour of any of the four inside: nothing to write.
        const __m128i away = _mm_or_si128(
            _mm_or_si128(_mm_cmplt_epi32(x1, _mm_setzero_si128()), _mm_cmpgt_epi32(x0, _mm_sub_epi32(wLimit, _mm_set1_epi32(1)))),
            _mm_or_si128(_mm_cmplt_epi32(y1, _mm_setzero_si128()), _mm_cmpgt_epi32(y0, _mm_sub_epi32(hLimit, _mm_set1_epi32(1)))));
        if (_mm_movemask_epi8(away) == 0xFFFF) {
          mask[i] = mask[i + 1] = mask[i + 2] = mask[i + 3] = 0;
        } else {
          for (int k = 0; k < 4; ++k) SamplePixel(row, i + k, colors, mask);
        }
        continue;
      }
      const __m256d fx = _mm256_sub_pd(sx, fx0), fy = _mm256_sub_pd(sy, fy0);
      const __m256d sameX = _mm256_cmp_pd(fx0, fx1, _CMP_EQ_OQ), sameY = _mm256_cmp_pd(fy0, fy1, _CMP_EQ_OQ);
      const __m256d cw0 = _mm256_blendv_pd(_mm256_sub_pd(one, fx), half, sameX);
      const __m256d cw1 = _mm256_blendv_pd(fx, half, sameX);
      const __m256d rw0 = _mm256_blendv_pd(_mm256_sub_pd(one, fy), half, sameY);
      const __m256d rw1 = _mm256_blendv_pd(fy, half, sameY);
      const __m256d w00 = _mm256_mul_pd(cw0, rw0), w01 = _mm256_mul_pd(cw0, rw1);
      const __m256d w10 = _mm256_mul_pd(cw1, rw0), w11 = _mm256_mul_pd(cw1, rw1);
      alignas(16) int X0[4], X1[4], Y0[4], Y1[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(X0), x0);
      _mm_store_si128(reinterpret_cast<__m128i*>(X1), x1);
      _mm_store_si128(reinterpret_cast<__m128i*>(Y0), y0);
      _mm_store_si128(reinterpret_cast<__m128i*>(Y1), y1);
      const std::uint8_t *p00[4], *p01[4], *p10[4], *p11[4];
      for (int k = 0; k < 4; ++k) {
        p00[k] = SourceColor<kFormat>(row.block, row.stride, h, X0[k], Y0[k], table_);
        p01[k] = SourceColor<kFormat>(row.block, row.stride, h, X0[k], Y1[k], table_);
        p10[k] = SourceColor<kFormat>(row.block, row.stride, h, X1[k], Y0[k], table_);
        p11[k] = SourceColor<kFormat>(row.block, row.stride, h, X1[k], Y1[k], table_);
      }
      std::uint8_t* out = colors + 3 * i;
      for (int ch = 0; ch < 3; ++ch) {
        __m256d v = _mm256_mul_pd(w00, Lanes(p00, ch));
        v = _mm256_add_pd(v, _mm256_mul_pd(w01, Lanes(p01, ch)));
        v = _mm256_add_pd(v, _mm256_mul_pd(w10, Lanes(p10, ch)));
        v = _mm256_add_pd(v, _mm256_mul_pd(w11, Lanes(p11, ch)));
        v = _mm256_round_pd(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
        v = _mm256_min_pd(_mm256_max_pd(v, zero), top);
        alignas(16) int channel[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(channel), _mm256_cvtpd_epi32(v));
        for (int k = 0; k < 4; ++k) out[3 * k + ch] = std::uint8_t(channel[k]);
      }
      mask[i] = mask[i + 1] = mask[i + 2] = mask[i + 3] = 1;
    }
    for (; i < count; ++i) SamplePixel(row, i, colors, mask);
  }

  // Channel ch of four pixels as doubles.
  __attribute__((target("avx2"))) static __m256d Lanes(const std::uint8_t* const* p, int ch) {
    return _mm256_cvtepi32_pd(_mm_setr_epi32(p[0][ch], p[1][ch], p[2][ch], p[3][ch]));
  }

  static bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
  }

  TPixelGraphic& dest_;
  const TPixelGraphic& source_;
  const TRotation r_;
  const pixel_rows::TColorTableBGR table_;
  const pixel_rows::TColorTableBGR destTable_;
  std::vector<double> dxC_, dxS_;  // per visited column: dx * c and (-dx) * s
  const bool useAvx2_ = HasAvx2() && TransformSimdAllowed();
};

template <int kFormat>
void RunRotation(TPixelGraphic& dest, const TPixelGraphic& source, const TRotation& r, bool bilinear) {
  if (bilinear) TRotator<kFormat, true>(dest, source, r).Run();
  else TRotator<kFormat, false>(dest, source, r).Run();
}

}  // namespace

void TPixelGraphic::RotateFrom(const TPixelGraphic& source, double angle, bool fitSize) {
  if (&source == this) {
    TPixelGraphic copy;
    copy.Assign(this);
    RotateFrom(copy, angle, fitSize);
    return;
  }
  if (!std::isfinite(angle)) return;
  FlushPendingDrawing();
  source.FlushPendingDrawing();
  const int w = source.Width(), h = source.Height();
  const int quarterTurns = QuarterTurnsOf(angle);
  const double theta = angle * std::numbers::pi / 180.0;
  const double c = std::cos(theta), s = std::sin(theta);

  TUpdateScope update(*this);
  if (fitSize) {
    std::int64_t fitW, fitH;
    if (quarterTurns >= 0) {
      fitW = quarterTurns % 2 ? h : w;
      fitH = quarterTurns % 2 ? w : h;
    } else {
      double minX = 0, maxX = 0, minY = 0, maxY = 0;
      const int cornersX[4] = {0, w, 0, w}, cornersY[4] = {0, 0, h, h};
      for (int i = 0; i < 4; ++i) {
        const double x = double(cornersX[i]) * c - double(cornersY[i]) * s;
        const double y = double(cornersX[i]) * s + double(cornersY[i]) * c;
        if (i == 0 || std::floor(x) < minX) minX = std::floor(x);
        if (i == 0 || std::ceil(x) > maxX) maxX = std::ceil(x);
        if (i == 0 || std::floor(y) < minY) minY = std::floor(y);
        if (i == 0 || std::ceil(y) > maxY) maxY = std::ceil(y);
      }
      fitW = std::int64_t(Clamped(maxX - minX));
      fitH = std::int64_t(Clamped(maxY - minY));
    }
    CheckImageSize(fitW, fitH, BitCount());
    Allocate(int(fitW), int(fitH), bitCountNum_);
  }
  if (GetEmpty() || source.GetEmpty()) return;

  TProgressScope progress(*this);
  if (quarterTurns >= 0) {
    RunQuarterTurn(*this, source, quarterTurns);
    return;
  }
  const TRotation r = PlanRotation(*this, source, c, s);
  if (r.X1 < r.X0 || r.Y1 < r.Y0) return;
  switch (source.BitCountNum()) {
    case 0: RunRotation<0>(*this, source, r, InterpolateRotation); break;
    case 1: RunRotation<1>(*this, source, r, InterpolateRotation); break;
    case 2: RunRotation<2>(*this, source, r, InterpolateRotation); break;
    default: RunRotation<3>(*this, source, r, InterpolateRotation); break;
  }
}

}  // namespace lumora
