// OptimizePalette: median cut over a 32 x 64 x 32 histogram for true-colour sources, an
// octree over the used palette entries for indexed ones. Sums are 64-bit: a histogram
// box can hold 65,536 cells of up to 65,535 pixels, and octree weights are pixel counts.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "imaging/core/color_resolution.h"
#include "imaging/core/fixed_palettes.h"

namespace lumora {

namespace {

// ---- Median cut ----

class THistogram {
 public:
  THistogram() : counts_(32 * 64 * 32, 0) {}
  static int Cell(int r, int g, int b) { return (r << 11) | (g << 5) | b; }
  void Add(int red, int green, int blue) {
    std::uint16_t& c = counts_[Cell(red >> 3, green >> 2, blue >> 3)];
    if (c != 0xFFFF) ++c;
  }
  std::uint16_t At(int r, int g, int b) const { return counts_[Cell(r, g, b)]; }
  bool Empty() const {
    return std::all_of(counts_.begin(), counts_.end(), [](std::uint16_t c) { return c == 0; });
  }

 private:
  std::vector<std::uint16_t> counts_;
};

struct TBox {
  int Min[3], Max[3];  // per axis: 0 red (0..31), 1 green (0..63), 2 blue (0..31)
  std::int64_t D = 0, V = 0;
};

// True when the plane axis = value of the box holds a non-empty cell.
bool PlaneUsed(const THistogram& h, const TBox& box, int axis, int value) {
  int lo[3], hi[3];
  for (int a = 0; a < 3; ++a) lo[a] = box.Min[a], hi[a] = box.Max[a];
  lo[axis] = hi[axis] = value;
  for (int r = lo[0]; r <= hi[0]; ++r)
    for (int g = lo[1]; g <= hi[1]; ++g)
      for (int b = lo[2]; b <= hi[2]; ++b)
        if (h.At(r, g, b)) return true;
  return false;
}

void Shrink(const THistogram& h, TBox& box) {
  // Blue, green, red; the minimum before the maximum.
  for (int axis : {2, 1, 0}) {
    while (box.Min[axis] < box.Max[axis] && !PlaneUsed(h, box, axis, box.Min[axis])) ++box.Min[axis];
    while (box.Max[axis] > box.Min[axis] && !PlaneUsed(h, box, axis, box.Max[axis])) --box.Max[axis];
  }
  const std::int64_t dr = 16 * (box.Max[0] - box.Min[0]);
  const std::int64_t dg = 12 * (box.Max[1] - box.Min[1]);
  const std::int64_t db = 16 * (box.Max[2] - box.Min[2]);
  box.D = db * db + dg * dg + dr * dr;
  box.V = std::int64_t(box.Max[0] - box.Min[0] + 1) * (box.Max[1] - box.Min[1] + 1) * (box.Max[2] - box.Min[2] + 1);
}

std::vector<TColor> MedianCut(const THistogram& h, int k) {
  std::vector<TBox> boxes(1);
  boxes[0].Min[0] = boxes[0].Min[1] = boxes[0].Min[2] = 0;
  boxes[0].Max[0] = 31, boxes[0].Max[1] = 63, boxes[0].Max[2] = 31;
  Shrink(h, boxes[0]);
  const size_t target = static_cast<size_t>(std::min(k, 256));
  while (boxes.size() < target) {
    int chosen = -1;
    if (static_cast<size_t>(k) < 2 * boxes.size()) {
      for (size_t i = 0; i < boxes.size(); ++i)
        if (chosen < 0 || boxes[i].D > boxes[chosen].D) chosen = static_cast<int>(i);
      if (boxes[chosen].D == 0) break;
    } else {
      for (size_t i = 0; i < boxes.size(); ++i)
        if (boxes[i].D > 0 && (chosen < 0 || boxes[i].V > boxes[chosen].V)) chosen = static_cast<int>(i);
      if (chosen < 0) break;
    }
    TBox& box = boxes[chosen];
    const int wr = 16 * (box.Max[0] - box.Min[0]);
    const int wg = 12 * (box.Max[1] - box.Min[1]);
    const int wb = 16 * (box.Max[2] - box.Min[2]);
    const int axis = std::max(wg, wr) >= wb ? (wg < wr ? 0 : 1) : 2;
    TBox upper = box;
    const int mid = (box.Min[axis] + box.Max[axis]) / 2;
    box.Max[axis] = mid;
    upper.Min[axis] = mid + 1;
    Shrink(h, box);
    Shrink(h, upper);
    boxes.push_back(upper);
  }
  std::vector<TColor> colors;
  for (const TBox& box : boxes) {
    std::int64_t n = 0, sr = 0, sg = 0, sb = 0;
    for (int r = box.Min[0]; r <= box.Max[0]; ++r)
      for (int g = box.Min[1]; g <= box.Max[1]; ++g)
        for (int b = box.Min[2]; b <= box.Max[2]; ++b) {
          const std::int64_t c = h.At(r, g, b);
          n += c;
          sr += c * (8 * r + 4);
          sg += c * (4 * g + 2);
          sb += c * (8 * b + 4);
        }
    if (n == 0) continue;  // cannot happen for a shrunk box of a non-empty histogram
    colors.push_back(RGBColor(static_cast<int>((sr + n / 2) / n), static_cast<int>((sg + n / 2) / n),
                              static_cast<int>((sb + n / 2) / n)));
  }
  return colors;
}

// ---- Octree ----

class TOctree {
 public:
  explicit TOctree(int maxLeaves) : maxLeaves_(maxLeaves) { nodes_.push_back(TNode{}); }

  void Insert(TColor color, std::int64_t weight) {
    const int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
    int node = 0;
    AddTo(node, r, g, b, weight);
    while (!nodes_[node].Leaf) {
      const int level = nodes_[node].Level;
      const int shift = 7 - level;
      const int c = ((r >> shift) & 1) * 4 + ((g >> shift) & 1) * 2 + ((b >> shift) & 1);
      int child = nodes_[node].Child[c];
      if (child >= 0) {
        // A node that has branched becomes reducible once a colour passes through it
        // again; the newest such node comes first in its level's list.
        if (nodes_[node].ChildCount > 1 && !nodes_[node].Listed) {
          nodes_[node].Listed = true;
          reducible_[level].push_back(node);
        }
      } else {
        child = static_cast<int>(nodes_.size());
        TNode created;
        created.Level = level + 1;
        // Leaves are decided when a node is created: at or below the depth limit.
        created.Leaf = created.Level >= depthLimit_;
        if (created.Leaf) ++leaves_;
        nodes_.push_back(created);
        nodes_[node].Child[c] = child;
        ++nodes_[node].ChildCount;
      }
      node = child;
      AddTo(node, r, g, b, weight);
    }
    if (leaves_ > maxLeaves_) ReduceListed();
  }

  // Reduces further until the palette fits, for trees whose branching nodes were never
  // passed through twice and so never became reducible.
  void FitLeaves() {
    while (leaves_ > maxLeaves_ && leaves_ > 1) {
      if (ReduceListed()) continue;
      int best = -1;
      for (size_t i = 0; i < nodes_.size(); ++i) {
        const TNode& n = nodes_[i];
        if (n.Deleted || n.Leaf || n.ChildCount < 2) continue;
        if (best < 0 || n.Level > nodes_[best].Level ||
            (n.Level == nodes_[best].Level && Key(static_cast<int>(i)) < Key(best)))
          best = static_cast<int>(i);
      }
      if (best < 0) break;
      Reduce(best);
    }
  }

  std::vector<TColor> Colors() const {
    std::vector<TColor> colors;
    CollectLeaves(0, colors);
    return colors;
  }

 private:
  struct TNode {
    std::int64_t R = 0, G = 0, B = 0, W = 0;
    std::array<int, 8> Child{-1, -1, -1, -1, -1, -1, -1, -1};
    int Level = 0;
    int ChildCount = 0;
    bool Leaf = false;
    bool Listed = false;
    bool Deleted = false;
  };

  void AddTo(int node, int r, int g, int b, std::int64_t w) {
    TNode& n = nodes_[node];
    n.R += w * r;
    n.G += w * g;
    n.B += w * b;
    n.W += w;
  }

  std::int64_t Key(int node) const { return 2 * nodes_[node].R + 3 * nodes_[node].G + nodes_[node].B; }

  // Reduces the listed node of the deepest level below the depth limit with the
  // smallest key (first in list order on ties). False when no level lists one.
  bool ReduceListed() {
    for (int level = depthLimit_ - 1; level >= 0; --level) {
      std::vector<int>& list = reducible_[level];
      if (list.empty()) continue;
      // List order is newest first: walk the vector from its end.
      int pick = static_cast<int>(list.size()) - 1;
      for (int i = pick - 1; i >= 0; --i)
        if (Key(list[i]) < Key(list[pick])) pick = i;
      const int node = list[pick];
      list.erase(list.begin() + pick);
      Reduce(node);
      return true;
    }
    return false;
  }

  void Reduce(int node) {
    TNode& n = nodes_[node];
    for (int& child : n.Child) {
      if (child >= 0) Delete(child);
      child = -1;
    }
    n.ChildCount = 0;
    n.Leaf = true;
    n.Listed = false;
    ++leaves_;
    if (n.Level < depthLimit_ - 1) depthLimit_ = n.Level + 1;
    // Deleted nodes may still be listed at deeper levels.
    for (int level = n.Level + 1; level < 9; ++level) {
      std::vector<int>& list = reducible_[level];
      list.erase(std::remove_if(list.begin(), list.end(), [&](int i) { return nodes_[i].Deleted; }), list.end());
    }
  }

  void Delete(int node) {
    TNode& n = nodes_[node];
    n.Deleted = true;
    if (n.Leaf) --leaves_;
    for (int child : n.Child)
      if (child >= 0) Delete(child);
  }

  void CollectLeaves(int node, std::vector<TColor>& colors) const {
    const TNode& n = nodes_[node];
    if (n.Leaf) {
      if (n.W > 0) colors.push_back(RGBColor(int(n.R / n.W), int(n.G / n.W), int(n.B / n.W)));
      return;
    }
    for (int child : n.Child)
      if (child >= 0) CollectLeaves(child, colors);
  }

  int maxLeaves_;
  int depthLimit_ = 8;
  int leaves_ = 0;
  std::vector<TNode> nodes_;
  std::array<std::vector<int>, 9> reducible_;
};

void SetPalette(TPixelGraphic& target, const std::vector<TColor>& colors) {
  target.SetPaletteCount(0);
  target.SetPaletteCount(static_cast<int>(colors.size()));
  for (size_t i = 0; i < colors.size(); ++i) target.SetPaletteColor(static_cast<int>(i), colors[i]);
}

// Index of pixel x in a row of an indexed image.
int IndexAt(const std::uint8_t* row, int x, int bitCountNum) {
  switch (bitCountNum) {
    case 0: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 1: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    default: return row[x];
  }
}

// Colours of the source's pixels, empty when none were counted (aborted, empty source
// or empty palette).
std::vector<TColor> OptimizedColors(TPixelGraphic& target, const TPixelGraphic& source, int k) {
  const int width = source.Width(), height = source.Height();
  TProgressScope progress(target);
  if (source.BitCountNum() == 3) {
    THistogram histogram;
    for (int y = 0; y < height; ++y) {
      if (progress.Step(y, height)) break;
      const std::uint8_t* p = source.ScanLine(y);
      for (int x = 0; x < width; ++x, p += 3) histogram.Add(p[2], p[1], p[0]);
    }
    if (histogram.Empty()) return {};
    return MedianCut(histogram, k);
  }
  const std::vector<TColor>& palette = source.PaletteColors();
  if (palette.empty()) return {};
  std::vector<std::int64_t> uses(palette.size(), 0);
  for (int y = 0; y < height; ++y) {
    if (progress.Step(y, height)) break;
    const std::uint8_t* row = source.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      const int index = IndexAt(row, x, source.BitCountNum());
      // Indices beyond the palette show entry 0.
      ++uses[static_cast<size_t>(index) < uses.size() ? index : 0];
    }
  }
  TOctree tree(k);
  for (size_t i = 0; i < palette.size(); ++i)
    if (uses[i] > 0) tree.Insert(palette[i], uses[i]);
  tree.FitLeaves();
  return tree.Colors();
}

}  // namespace

void OptimizePalette(TPixelGraphic& target, const TPixelGraphic& source, int count, bool withSystemColors) {
  target.FlushPendingDrawing();
  source.FlushPendingDrawing();
  count = std::clamp(count, 0, 256);
  const int k = withSystemColors ? count - 16 : count;
  std::vector<TColor> colors;
  if (!source.GetEmpty() && k >= 1) colors = OptimizedColors(target, source, k);
  if (colors.empty()) {
    target.SetPaletteIdent(pSys16);
    target.SetPaletteCount(std::min(count, 16));
    return;
  }
  if (withSystemColors)
    for (int i = 0; i < 16 && static_cast<int>(colors.size()) < count; ++i) colors.push_back(kSystemColors[i]);
  SetPalette(target, colors);
}

}  // namespace lumora
