// Rotation about the centre. Whole multiples of 90 degrees are exact quarter turns (raw
// values move when both images share the colour resolution); other angles sample the
// source per destination pixel, nearest or bilinear, with the position computed directly
// from the pixel's offset (never accumulated, so rounding is the same everywhere).
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

  void SampleRow(int y, std::uint8_t* colors, std::uint8_t* mask, int count) const {
    const int w = r_.SourceW, h = r_.SourceH;
    const std::uint8_t* block = source_.PixelBlock();
    const std::int64_t stride = source_.RowStride();
    const int dy = y - r_.CentreY;
    const double dyS = double(dy) * r_.S, dyC = double(dy) * r_.C;
    const double cx = r_.SourceCentreX, cy = r_.SourceCentreY;
    for (int i = 0; i < count; ++i) {
      const double sx = dxC_[size_t(i)] + dyS + cx;
      const double sy = dxS_[size_t(i)] + dyC + cy;
      std::uint8_t* out = colors + 3 * i;
      mask[i] = 0;
      if constexpr (!kBilinear) {
        const double rx = std::nearbyint(sx), ry = std::nearbyint(sy);
        if (!(rx >= 0 && rx < w && ry >= 0 && ry < h)) continue;
        const std::uint8_t* c = SourceColor<kFormat>(block, stride, h, int(rx), int(ry), table_);
        out[0] = c[0], out[1] = c[1], out[2] = c[2];
        mask[i] = 1;
      } else {
        const double fx0 = std::floor(sx), fx1 = std::ceil(sx), fy0 = std::floor(sy), fy1 = std::ceil(sy);
        const bool colIn0 = fx0 >= 0 && fx0 < w, colIn1 = fx1 >= 0 && fx1 < w;
        const bool rowIn0 = fy0 >= 0 && fy0 < h, rowIn1 = fy1 >= 0 && fy1 < h;
        const bool in00 = colIn0 && rowIn0, in01 = colIn0 && rowIn1, in10 = colIn1 && rowIn0, in11 = colIn1 && rowIn1;
        if (!(in00 || in01 || in10 || in11)) continue;
        const double fx = sx - fx0, fy = sy - fy0;
        const double cw0 = fx0 == fx1 ? 0.5 : 1 - fx, cw1 = fx0 == fx1 ? 0.5 : fx;
        const double rw0 = fy0 == fy1 ? 0.5 : 1 - fy, rw1 = fy0 == fy1 ? 0.5 : fy;
        const double w00 = cw0 * rw0, w01 = cw0 * rw1, w10 = cw1 * rw0, w11 = cw1 * rw1;
        const int x0 = int(fx0), x1 = int(fx1), y0 = int(fy0), y1 = int(fy1);
        const std::uint8_t* c00 = in00 ? SourceColor<kFormat>(block, stride, h, x0, y0, table_) : out;
        const std::uint8_t* c01 = in01 ? SourceColor<kFormat>(block, stride, h, x0, y1, table_) : out;
        const std::uint8_t* c10 = in10 ? SourceColor<kFormat>(block, stride, h, x1, y0, table_) : out;
        const std::uint8_t* c11 = in11 ? SourceColor<kFormat>(block, stride, h, x1, y1, table_) : out;
        std::uint8_t result[3];
        for (int ch = 0; ch < 3; ++ch) {
          const double v = w00 * c00[ch] + w01 * c01[ch] + w10 * c10[ch] + w11 * c11[ch];
          result[ch] = std::uint8_t(std::clamp(std::nearbyint(v), 0.0, 255.0));
        }
        out[0] = result[0], out[1] = result[1], out[2] = result[2];
        mask[i] = 1;
      }
    }
  }

  TPixelGraphic& dest_;
  const TPixelGraphic& source_;
  const TRotation r_;
  const pixel_rows::TColorTableBGR table_;
  const pixel_rows::TColorTableBGR destTable_;
  std::vector<double> dxC_, dxS_;  // per visited column: dx * c and (-dx) * s
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
