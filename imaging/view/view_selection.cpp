#include "imaging/view/view_selection.h"

#include <algorithm>

namespace lumora {

int BoxToImage(int v, int imageExtent, int boxExtent) {
  if (boxExtent == 0) return 0;
  return static_cast<int>(std::int64_t(v) * imageExtent / boxExtent);
}

int ImageToBox(int v, int imageExtent, int boxExtent) {
  if (imageExtent == 0) return 0;
  return static_cast<int>(std::int64_t(v) * boxExtent / imageExtent);
}

TViewRect SelectionBoxRect(const TSelectionBounds& s, int iw, int ih, int bw, int bh) {
  return {ImageToBox(s.Left, iw, bw), ImageToBox(s.Top, ih, bh), ImageToBox(s.Left + s.Width, iw, bw),
          ImageToBox(s.Top + s.Height, ih, bh)};
}

void HandleRects(const TViewRect& r, TViewRect out[8]) {
  const int l = r.Left, t = r.Top, rr = r.Right, b = r.Bottom;
  const int mx = (l + rr) / 2, my = (t + b) / 2;
  out[0] = {l - 8, t - 8, l - 3, t - 3};
  out[1] = {mx - 2, t - 8, mx + 3, t - 3};
  out[2] = {rr + 3, t - 8, rr + 8, t - 3};
  out[3] = {l - 8, my - 2, l - 3, my + 3};
  out[4] = {rr + 3, my - 2, rr + 8, my + 3};
  out[5] = {l - 8, b + 3, l - 3, b + 8};
  out[6] = {mx - 2, b + 3, mx + 3, b + 8};
  out[7] = {rr + 3, b + 3, rr + 8, b + 8};
}

int HitHandle(const TViewRect& r, int x, int y) {
  TViewRect h[8];
  HandleRects(r, h);
  for (int i = 0; i < 8; ++i)
    if (h[i].Contains(x, y)) return i;
  return -1;
}

TDragState DecideMouseDown(const TMouseDownInput& in) {
  const bool movable = in.Mode == amMoveResizeCreateSelection || in.Mode == amMoveSelection ||
                       in.Mode == amMoveSelectionMoveImage;
  if (movable && in.Selection && in.InsideSelection) return dsMove;
  if ((in.Mode == amMoveImage || (in.Mode == amMoveSelectionMoveImage && !in.InsideSelection)) && in.CanPan)
    return dsPan;
  if (in.Mode == amMoveResizeCreateSelection && in.Selection && in.Handle >= 0)
    return static_cast<TDragState>(dsTopLeft + in.Handle);
  if (in.Mode == amMoveResizeCreateSelection || in.Mode == amCreateSelection) return dsCreate;
  return dsNone;
}

namespace {
bool LeftHandle(TDragState s) { return s == dsTopLeft || s == dsMiddleLeft || s == dsBottomLeft; }
bool RightHandle(TDragState s) { return s == dsTopRight || s == dsMiddleRight || s == dsBottomRight; }
bool TopHandle(TDragState s) { return s == dsTopLeft || s == dsTopMiddle || s == dsTopRight; }
bool BottomHandle(TDragState s) { return s == dsBottomLeft || s == dsBottomMiddle || s == dsBottomRight; }
}  // namespace

void GrabOffset(TDragState state, int ix, int iy, const TSelectionBounds& s, int& ox, int& oy) {
  ox = oy = 0;
  if (state == dsMove) {
    ox = ix - s.Left;
    oy = iy - s.Top;
    return;
  }
  if (LeftHandle(state)) ox = ix - s.Left;
  if (RightHandle(state)) ox = ix - s.Width;
  if (TopHandle(state)) oy = iy - s.Top;
  if (BottomHandle(state)) oy = iy - s.Height;
}

TSelectionBounds DragSelection(TDragState state, int ix, int iy, int ox, int oy, int ax, int ay,
                               const TSelectionBounds& s, int iw, int ih) {
  TSelectionBounds n = s;
  switch (state) {
    case dsMove:
      n.Left = std::min(std::max(ix - ox, 1 - s.Width), iw - 1);
      n.Top = std::min(std::max(iy - oy, 1 - s.Height), ih - 1);
      return n;
    case dsCreate:
      n.Left = std::min(ax, ix);
      n.Top = std::min(ay, iy);
      n.Width = std::max(ax, ix) - n.Left + 1;
      n.Height = std::max(ay, iy) - n.Top + 1;
      return n;
    default:
      break;
  }
  if (state < dsTopLeft || state > dsBottomRight) return n;
  if (LeftHandle(state)) {
    n.Left = std::min(ix - ox, s.Left + s.Width - 1);
    n.Width = s.Width + s.Left - n.Left;
  }
  if (RightHandle(state)) n.Width = std::max(ix - ox, 1);
  if (TopHandle(state)) {
    n.Top = std::min(iy - oy, s.Top + s.Height - 1);
    n.Height = s.Height + s.Top - n.Top;
  }
  if (BottomHandle(state)) n.Height = std::max(iy - oy, 1);
  return n;
}

void OutlineStrips(const TViewRect& r, int m, TViewRect out[4]) {
  const int l = r.Left, t = r.Top, rr = r.Right, b = r.Bottom;
  out[0] = {l - m, t - m, l, b + m};
  out[1] = {l - m, t - m, rr + m, t};
  out[2] = {rr, t - m, rr + m, b + m};
  out[3] = {l - m, b, rr + m, b + m};
}

int AutoScrollStep(int mouse, int clientExtent, int scrollPos, int range) {
  if (mouse < 0 && scrollPos > 0) return std::max(scrollPos - 5, 0);
  if (mouse >= clientExtent && scrollPos < range - clientExtent) return std::min(scrollPos + 5, range - clientExtent);
  return scrollPos;
}

TViewerCursor ChooseBoxCursor(const TCursorInput& in) {
  TViewerCursor c = vcDefault;
  if ((in.Mode == amMoveImage || in.Mode == amMoveSelectionMoveImage) && in.CanPan)
    c = in.Panning ? vcGrabbingHand : vcOpenHand;
  if (in.Mode == amMoveResizeCreateSelection || in.Mode == amCreateSelection) c = vcCrossHair;
  if ((in.Mode == amMoveResizeCreateSelection || in.Mode == amMoveSelection ||
       in.Mode == amMoveSelectionMoveImage) &&
      in.InsideSelection)
    c = vcMoveArrows;
  if (in.Mode == amMoveResizeCreateSelection && in.Handle >= 0) {
    static constexpr TViewerCursor kHandleCursors[8] = {vcSizeNWSE, vcSizeNS, vcSizeNESW, vcSizeWE,
                                                        vcSizeWE,   vcSizeNESW, vcSizeNS, vcSizeNWSE};
    c = kHandleCursors[in.Handle];
  }
  return c;
}

}  // namespace lumora
